#pragma once

#include <ostream>

#include "platform/Types.h"

// Readable failure messages for the platform's geometry types.
inline void PrintTo(const TPoint& point, std::ostream* out) {
  *out << "(" << point.x << ", " << point.y << ")";
}

inline void PrintTo(const TRect& rect, std::ostream* out) {
  *out << "[" << rect.left << ", " << rect.top << ") - (" << rect.right << ", " << rect.bottom
       << ") " << rect.Width() << " x " << rect.Height();
}
