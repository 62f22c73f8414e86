#pragma once

#include <cstdint>
#include <vector>

#include "platform/Types.h"

// Colour of a point outside the screen: every bit set.
constexpr uint32_t CLR_INVALID = 0xFFFFFFFF;

// The pixels of one desktop rectangle taken at one moment, as 0x00BBGGRR colour values
// (blue in bits 16-23). Points of the rectangle outside the screen hold CLR_INVALID.
struct TScreenSnapshot {
  TRect area;
  std::vector<uint32_t> pixels;  // area.Width() * area.Height(), row by row

  // Colour at a desktop point; CLR_INVALID outside the snapshot.
  uint32_t Pixel(int32_t x, int32_t y) const {
    if (!area.Contains(x, y)) return CLR_INVALID;
    return pixels[static_cast<std::size_t>(y - area.top) * area.Width() + (x - area.left)];
  }
};

class IScreenReader {
 public:
  virtual ~IScreenReader() = default;
  // The primary screen in desktop coordinates (its origin is (0, 0) on a single-screen desktop).
  virtual TRect PrimaryScreen() = 0;
  // The whole desktop, every screen included, in desktop coordinates.
  virtual TRect Desktop() = 0;
  // One snapshot of the rectangle; parts outside the screen answer CLR_INVALID.
  virtual TScreenSnapshot Snapshot(const TRect& area) = 0;
};
