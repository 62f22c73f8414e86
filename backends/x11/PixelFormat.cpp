#include "backends/x11/PixelFormat.h"

#include <bit>
#include <cstdio>
#include <string>

#include "platform/Exception.h"

namespace {

std::string HexText(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", value);
  return text;
}

}  // namespace

TPixelFormat::TPixelFormat(uint32_t redMask, uint32_t greenMask, uint32_t blueMask)
    : red_(MakeChannel(redMask, "red")),
      green_(MakeChannel(greenMask, "green")),
      blue_(MakeChannel(blueMask, "blue")),
      rgb888_(redMask == 0xFF0000 && greenMask == 0x00FF00 && blueMask == 0x0000FF) {}

TPixelFormat::TChannel TPixelFormat::MakeChannel(uint32_t mask, const char* name) {
  TChannel channel;
  channel.mask = mask;
  channel.shift = std::countr_zero(mask);
  channel.bits = std::popcount(mask);
  bool oneRun = mask != 0 && ((mask >> channel.shift) & ((mask >> channel.shift) + 1)) == 0;
  if (!oneRun) {
    throw Exception("Cannot read the screen: unsupported " + std::string(name) + " mask " +
                    HexText(mask));
  }
  return channel;
}

uint32_t TPixelFormat::TChannel::To8Bits(uint32_t pixel) const {
  uint32_t value = (pixel & mask) >> shift;
  if (bits >= 8) return value >> (bits - 8);
  // Stretch a narrow channel over 0-255, rounding, so that its largest value is full intensity.
  uint32_t largest = (1u << bits) - 1;
  return (value * 255 + largest / 2) / largest;
}

uint32_t TPixelFormat::ToColorValue(uint32_t pixel) const {
  if (rgb888_) return Rgb888ToColorValue(pixel);
  return blue_.To8Bits(pixel) << 16 | green_.To8Bits(pixel) << 8 | red_.To8Bits(pixel);
}
