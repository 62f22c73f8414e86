#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "testsupport/Printers.h"
#include "zem/CaptureArea.h"

namespace {

TMappingInputs Window(int32_t left, int32_t top, int32_t clientWidth, int32_t clientHeight,
                      bool landscape) {
  return {left, top, clientWidth, clientHeight, landscape, false, TRect{0, 0, 1024, 768}};
}

TMappingInputs FullScreen(TRect screen, bool landscape) {
  // The window's own geometry must play no part in full-screen form.
  return {-500, 900, 17, 33, landscape, true, screen};
}

TEST(FormShape, HoleIsInsetFromTheOuterEdges) {
  EXPECT_EQ(FormShape(648, 287), (TWindowShape{{0, 0, 648, 287}, {4, 43, 644, 283}}));
  EXPECT_EQ(FormShape(248, 687), (TWindowShape{{0, 0, 248, 687}, {4, 43, 244, 683}}));
  // Below the frame's own size the numbers go to the platform unchanged.
  EXPECT_EQ(FormShape(5, 10), (TWindowShape{{0, 0, 5, 10}, {4, 43, 1, 6}}));
}

struct TMapCase {
  const char* name;
  TMappingInputs inputs;
  int32_t x, y;
  TPoint expected;
};

TEST(MapToDesktop, WorkedExamplesAndEdgeCases) {
  const TMappingInputs land640 = Window(202, 177, 640, 240, true);
  const TMappingInputs port240 = Window(202, 177, 240, 640, false);
  const TMappingInputs port640 = Window(202, 177, 640, 240, false);
  const TMappingInputs full1024 = FullScreen({0, 0, 1024, 768}, true);
  const TMappingInputs fullPort1024 = FullScreen({0, 0, 1024, 768}, false);
  const TMappingInputs full800 = FullScreen({0, 0, 800, 600}, true);
  const TMappingInputs fullPort800 = FullScreen({0, 0, 800, 600}, false);
  const std::vector<TMapCase> cases = {
      {"landscape 640x240 (0,0)", land640, 0, 0, {206, 220}},
      {"landscape 640x240 (639,239)", land640, 639, 239, {845, 459}},
      {"landscape 640x240 (0,239)", land640, 0, 239, {206, 459}},
      {"landscape 640x240 (320,120)", land640, 320, 120, {526, 340}},
      {"portrait 240x640 (0,0)", port240, 0, 0, {445, 220}},
      {"portrait 240x640 (639,239)", port240, 639, 239, {206, 859}},
      {"portrait 240x640 (0,239)", port240, 0, 239, {206, 220}},
      {"portrait 240x640 (320,120)", port240, 320, 120, {325, 540}},
      {"portrait 640x240 (0,0)", port640, 0, 0, {843, 220}},
      {"portrait 640x240 (639,239)", port640, 639, 239, {206, 459}},
      {"portrait 640x240 (0,239)", port640, 0, 239, {206, 220}},
      {"portrait 640x240 (320,120)", port640, 320, 120, {523, 340}},
      {"full 1024x768 (0,0)", full1024, 0, 0, {0, 0}},
      {"full 1024x768 (639,239)", full1024, 639, 239, {1022, 764}},
      {"full 1024x768 (0,239)", full1024, 0, 239, {0, 764}},
      {"full 1024x768 (320,120)", full1024, 320, 120, {512, 384}},
      {"full portrait 1024x768 (0,0)", fullPort1024, 0, 0, {1019, 0}},
      {"full portrait 1024x768 (639,239)", fullPort1024, 639, 239, {0, 766}},
      {"full portrait 1024x768 (0,239)", fullPort1024, 0, 239, {0, 0}},
      {"full portrait 1024x768 (320,120)", fullPort1024, 320, 120, {507, 384}},
      {"full 800x600 (0,0)", full800, 0, 0, {0, 0}},
      {"full 800x600 (639,239) truncates", full800, 639, 239, {798, 597}},
      {"full 800x600 (0,239)", full800, 0, 239, {0, 597}},
      {"full 800x600 (320,120)", full800, 320, 120, {400, 300}},
      {"full portrait 800x600 (0,0)", fullPort800, 0, 0, {796, 0}},
      {"full portrait 800x600 (639,239)", fullPort800, 639, 239, {0, 599}},
      {"full portrait 800x600 (0,239)", fullPort800, 0, 239, {0, 0}},
      {"full portrait 800x600 (320,120)", fullPort800, 320, 120, {396, 300}},
      {"client 320x120 truncates 525.5 and 339.5",
       Window(202, 177, 320, 120, true),
       639,
       239,
       {525, 339}},
      {"negative origin truncates toward zero", Window(-14, 177, 320, 240, true), 1, 0, {-9, 220}},
      {"beyond the screen, landscape", land640, 767, 255, {973, 475}},
      {"beyond the bottom row, portrait y=240", port240, 0, 240, {205, 220}},
      {"beyond the bottom row, portrait y=255", port240, 0, 255, {190, 220}},
      {"pen value beyond 32767", land640, 32768, 16, {32974, 236}},
      {"full screen from the primary screen's origin, toward zero",
       FullScreen({-1280, -200, -256, 568}, true),
       639,
       239,
       {-257, 564}},
      // The extended-precision product of an exact multiple may lie a hair beyond it; with an
      // origin of the other sign the truncation then lands one step nearer zero than exact
      // arithmetic would: 7 * 240 * (1/240 + e) - 10 = -2.99...
      {"extended arithmetic, not exact", Window(-14, 177, 240, 640, false), 0, 232, {-2, 220}},
  };
  for (const TMapCase& c : cases) {
    EXPECT_EQ(MapToDesktop(c.inputs, c.x, c.y), c.expected) << c.name;
  }
}

// The whole part of (product + origin * divisor) / divisor, truncated toward zero.
int64_t ExactCoordinate(int64_t product, int64_t divisor, int64_t origin) {
  return (product + origin * divisor) / divisor;
}

// Checks one coordinate against exact integer arithmetic. The extended product of a nonzero exact
// multiple can round a hair away from zero; only when the origin has the other sign does that
// move the truncated sum, and then by one step toward zero.
void ExpectNearExact(int32_t got, int64_t product, int64_t divisor, int64_t origin) {
  const int64_t exact = ExactCoordinate(product, divisor, origin);
  if (got == exact) return;
  const bool exactMultiple = product != 0 && product % divisor == 0;
  const bool oppositeSigns = (product > 0) != (exact > 0) && exact != 0;
  const int64_t towardZero = exact > 0 ? exact - 1 : exact + 1;
  EXPECT_TRUE(exactMultiple && oppositeSigns && got == towardZero)
      << "got " << got << ", exact " << exact << " for product " << product << " / " << divisor
      << " + " << origin;
}

TEST(MapToDesktop, AgreesWithExactArithmeticOverTheWholeScreenAndBeyond) {
  const std::vector<TMappingInputs> configurations = {
      Window(202, 177, 640, 240, true),         Window(202, 177, 240, 640, false),
      Window(202, 177, 640, 240, false),        Window(0, 0, 1000, 333, true),
      Window(0, 0, 333, 1000, false),           Window(-14, -50, 320, 120, true),
      Window(-14, -50, 120, 320, false),        Window(-700, -300, 240, 640, false),
      Window(-1924, -1000, 1917, 1079, true),   Window(5, 5, 7, 3, true),
      Window(10, 20, 241, 639, true),           Window(10, 20, 639, 241, false),
      Window(10, 20, 4096, 2048, true),         FullScreen({0, 0, 1024, 768}, true),
      FullScreen({0, 0, 1024, 768}, false),     FullScreen({0, 0, 1920, 1080}, true),
      FullScreen({0, 0, 1366, 768}, false),     FullScreen({-1280, -200, 0, 824}, true),
      FullScreen({-1280, -200, 0, 824}, false),
  };
  for (const TMappingInputs& in : configurations) {
    SCOPED_TRACE(testing::Message()
                 << "at " << in.Left << "," << in.Top << " client " << in.ClientWidth << "x"
                 << in.ClientHeight << " screen " << in.Screen.Width() << "x" << in.Screen.Height()
                 << (in.Landscape ? " landscape" : " portrait")
                 << (in.FullScreen ? " full" : " window"));
    const int64_t extentX = in.FullScreen ? in.Screen.Width() : in.ClientWidth;
    const int64_t extentY = in.FullScreen ? in.Screen.Height() : in.ClientHeight;
    const int64_t originX = in.FullScreen ? in.Screen.left : in.Left + 4;
    const int64_t originY = in.FullScreen ? in.Screen.top : in.Top + 43;
    const int64_t divisorX = in.Landscape ? 640 : 240;
    const int64_t divisorY = in.Landscape ? 240 : 640;
    for (int32_t y = -40; y < 300; ++y) {
      for (int32_t x = -40; x < 700; ++x) {
        const int64_t u = in.Landscape ? x : 239 - y;
        const int64_t v = in.Landscape ? y : x;
        const TPoint p = MapToDesktop(in, x, y);
        ExpectNearExact(p.x, u * extentX, divisorX, originX);
        ExpectNearExact(p.y, v * extentY, divisorY, originY);
        if (HasFailure()) return;
      }
    }
  }
}

TEST(MapToDesktop, ExtremeInputsDoNotTrap) {
  // Products wrap as 32-bit products do; sums beyond 32 bits give the lowest int32, as the FPU's
  // conversion does. Neither may be undefined.
  const TMappingInputs farAway = Window(INT32_MAX - 10, INT32_MAX - 50, 640, 240, true);
  EXPECT_EQ(MapToDesktop(farAway, 0, 0), (TPoint{INT32_MAX - 6, INT32_MAX - 7}));
  EXPECT_EQ(MapToDesktop(farAway, 639, 239), (TPoint{INT32_MIN, INT32_MIN}));
  const TMappingInputs wide = Window(0, 0, 65536, 65536, true);
  EXPECT_EQ(MapToDesktop(wide, 65536, 0).x, 4);  // 65536 * 65536 wraps to 0
}

}  // namespace
