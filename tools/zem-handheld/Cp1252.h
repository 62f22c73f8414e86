#pragma once

#include <string>
#include <string_view>

namespace handheld {

// Converts text to code page 1252, the 8-bit character set of the handheld's keyboard packets.
class Cp1252 {
 public:
  // Converts UTF-8 text to one cp1252 byte per character. Raises Exception for bytes that are not
  // valid UTF-8 and for a character that has no cp1252 byte, naming the character.
  static std::string FromUtf8(std::string_view utf8);

  // The cp1252 byte of one Unicode code point, or -1 when it has none.
  static int ByteOf(char32_t codePoint);
};

}  // namespace handheld
