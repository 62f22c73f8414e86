#include "zem/CaptureArea.h"

#include <array>
#include <cstring>
#include <limits>

#include "protocol/Packets.h"

namespace {

static_assert(std::numeric_limits<long double>::digits == 64,
              "the mapping needs the 80-bit extended format for long double");

// The two scale factors, stored as the 10 bytes of an 80-bit extended value, low byte first: the
// extended values nearest to 1/640 and 1/240, each a hair above the exact fraction, so that an
// exact multiple never comes out one short before truncation.
constexpr std::array<uint8_t, 10> ScaleBytes640 = {0xCD, 0xCC, 0xCC, 0xCC, 0xCC,
                                                   0xCC, 0xCC, 0xCC, 0xF5, 0x3F};
constexpr std::array<uint8_t, 10> ScaleBytes240 = {0x89, 0x88, 0x88, 0x88, 0x88,
                                                   0x88, 0x88, 0x88, 0xF7, 0x3F};

long double ExtendedFromBytes(const std::array<uint8_t, 10>& bytes) {
  long double value = 0.0L;
  std::memcpy(&value, bytes.data(), bytes.size());
  return value;
}

const long double Scale640 = ExtendedFromBytes(ScaleBytes640);
const long double Scale240 = ExtendedFromBytes(ScaleBytes240);

// The product of two 32-bit integers as a 32-bit machine multiply gives it: wrapped, never
// undefined.
int32_t Product32(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

int32_t Sum32(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// Truncation toward zero to 32 bits. A value outside the 32-bit range gives the x87 "integer
// indefinite" value (the lowest int32), as the FPU's conversion does, instead of undefined
// behaviour.
int32_t TruncateTo32(long double value) {
  if (!(value > -2147483649.0L && value < 2147483648.0L))
    return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

// One desktop coordinate: handheld coordinate times extent (32-bit), times the scale in extended
// precision, plus the origin in extended precision, truncated toward zero.
int32_t MapCoordinate(int32_t handheld, int32_t extent, long double scale, int32_t origin) {
  const long double scaled = static_cast<long double>(Product32(handheld, extent)) * scale;
  const long double placed = scaled + static_cast<long double>(origin);
  return TruncateTo32(placed);
}

}  // namespace

TPoint MapToDesktop(const TMappingInputs& inputs, int32_t x, int32_t y) {
  // Turn the point for the orientation: in portrait the handheld's top edge lies at the right.
  const int32_t u = inputs.Landscape ? x : Sum32(HandheldHeight - 1, -y);
  const int32_t v = inputs.Landscape ? y : x;
  const long double scaleX = inputs.Landscape ? Scale640 : Scale240;
  const long double scaleY = inputs.Landscape ? Scale240 : Scale640;

  int32_t extentX, extentY, originX, originY;
  if (inputs.FullScreen) {
    extentX = inputs.Screen.Width();
    extentY = inputs.Screen.Height();
    originX = inputs.Screen.left;
    originY = inputs.Screen.top;
  } else {
    extentX = inputs.ClientWidth;
    extentY = inputs.ClientHeight;
    originX = Sum32(inputs.Left, InsetSide);
    originY = Sum32(inputs.Top, InsetTop);
  }
  return {MapCoordinate(u, extentX, scaleX, originX), MapCoordinate(v, extentY, scaleY, originY)};
}

TWindowShape FormShape(int32_t width, int32_t height) {
  return {TRect{0, 0, width, height},
          TRect{InsetSide, InsetTop, Sum32(width, -InsetSide), Sum32(height, -InsetSide)}};
}
