#pragma once

#include <ostream>

#include "platform/Types.h"

// Readable failure messages for the platform's plain value types.
inline void PrintTo(const TPoint& p, std::ostream* out) {
  *out << "(" << p.x << ", " << p.y << ")";
}

inline void PrintTo(const TSize& s, std::ostream* out) {
  *out << s.width << " x " << s.height;
}

inline void PrintTo(const TRect& r, std::ostream* out) {
  *out << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}
