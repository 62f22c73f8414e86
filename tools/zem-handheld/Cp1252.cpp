#include "tools/zem-handheld/Cp1252.h"

#include <array>
#include <cstdio>

#include "platform/Exception.h"
#include "platform/Utf8.h"

namespace handheld {

namespace {

// The code points of cp1252 bytes 0x80-0x9F; 0 marks the five bytes that stand for no character.
constexpr std::array<char32_t, 32> HighControlRange = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88-8F
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98-9F
};

std::string CodePointName(char32_t codePoint) {
  char text[16];
  std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(codePoint));
  return text;
}

// Decodes the UTF-8 sequence that starts at text[pos], advancing pos past it.
char32_t DecodeOne(std::string_view text, size_t& pos) {
  bool cutShort = false;
  const std::optional<char32_t> codePoint = DecodeUtf8(text, pos, &cutShort);
  if (!codePoint) {
    throw Exception("invalid UTF-8 at byte " + std::to_string(pos + 1) +
                    (cutShort ? ": sequence cut short" : ""));
  }
  return *codePoint;
}

}  // namespace

int Cp1252::ByteOf(char32_t codePoint) {
  if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
    return static_cast<int>(codePoint);
  }
  // 0x80-0x9F hold typographic characters; the table's zeros never match, as 0 returned above.
  for (size_t i = 0; i < HighControlRange.size(); ++i) {
    if (HighControlRange[i] == codePoint) return static_cast<int>(0x80 + i);
  }
  return -1;
}

std::string Cp1252::FromUtf8(std::string_view utf8) {
  std::string bytes;
  size_t pos = 0;
  while (pos < utf8.size()) {
    const char32_t codePoint = DecodeOne(utf8, pos);
    const int byte = ByteOf(codePoint);
    if (byte < 0) {
      throw Exception("character " + CodePointName(codePoint) + " has no code page 1252 byte");
    }
    bytes.push_back(static_cast<char>(byte));
  }
  return bytes;
}

}  // namespace handheld
