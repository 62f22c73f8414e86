#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace handheld {

// Writes a screen image (640 x 240 pixels, two 4-bit greys a byte, even column in the high nibble)
// as an 8-bit grey PNG: grey value v becomes v x 17, so 0 is black and 15 white.
class ScreenPng {
 public:
  // Raises Exception when the image has the wrong size or the file cannot be written.
  static void Write(const std::string& path, const std::vector<uint8_t>& image);
};

}  // namespace handheld
