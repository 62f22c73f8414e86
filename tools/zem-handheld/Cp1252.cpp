#include "tools/zem-handheld/Cp1252.h"

#include <array>
#include <cstdio>

#include "platform/Exception.h"

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
  const auto lead = static_cast<unsigned char>(text[pos]);
  int length = 0;
  char32_t codePoint = 0;
  if (lead < 0x80) {
    length = 1;
    codePoint = lead;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2;
    codePoint = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    codePoint = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    codePoint = lead & 0x07;
  } else {
    throw Exception("invalid UTF-8 at byte " + std::to_string(pos + 1));
  }
  if (pos + length > text.size()) {
    throw Exception("invalid UTF-8 at byte " + std::to_string(pos + 1) + ": sequence cut short");
  }
  for (int i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[pos + i]);
    if ((next & 0xC0) != 0x80) {
      throw Exception("invalid UTF-8 at byte " + std::to_string(pos + 1));
    }
    codePoint = (codePoint << 6) | (next & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF are not valid UTF-8.
  static constexpr char32_t Smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (codePoint < Smallest[length] || codePoint > 0x10FFFF ||
      (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
    throw Exception("invalid UTF-8 at byte " + std::to_string(pos + 1));
  }
  pos += length;
  return codePoint;
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
