#pragma once

#include <cstdint>
#include <string>

// A counted byte string: holds exactly its bytes, zero bytes included.
using AnsiString = std::string;

struct TPoint {
  int32_t x = 0;
  int32_t y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
  int32_t width = 0;
  int32_t height = 0;
  friend bool operator==(const TSize&, const TSize&) = default;
};

// A rectangle with exclusive right and bottom edges.
struct TRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  bool Contains(int32_t x, int32_t y) const {
    return x >= left && x < right && y >= top && y < bottom;
  }
  friend bool operator==(const TRect&, const TRect&) = default;
};
