#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

// Decodes the UTF-8 sequence that starts at text[pos] and moves pos past it. Answers nothing, and
// leaves pos, for a sequence that is not well-formed: a bad lead or continuation byte, an overlong
// form, a surrogate, a value past U+10FFFF, or a sequence cut short by the end of the text (then
// *cutShort is set, when given).
inline std::optional<char32_t> DecodeUtf8(std::string_view text, std::size_t& pos,
                                          bool* cutShort = nullptr) {
  if (cutShort) *cutShort = false;
  const auto lead = static_cast<unsigned char>(text[pos]);
  std::size_t length = 0;
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
    return std::nullopt;
  }
  if (pos + length > text.size()) {
    if (cutShort) *cutShort = true;
    return std::nullopt;
  }
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[pos + i]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    codePoint = (codePoint << 6) | (next & 0x3F);
  }
  static constexpr char32_t Smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  const bool overlong = codePoint < Smallest[length];
  const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
  if (overlong || surrogate || codePoint > 0x10FFFF) return std::nullopt;
  pos += length;
  return codePoint;
}

// Whether the whole text is well-formed UTF-8.
inline bool IsValidUtf8(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (!DecodeUtf8(text, pos)) return false;
  }
  return true;
}
