#include <gtest/gtest.h>

#include "backends/x11/PixelFormat.h"
#include "platform/Exception.h"

namespace {

struct TPixelCase {
  uint32_t pixel;
  uint32_t colorValue;  // 0x00BBGGRR
};

TEST(PixelFormatTest, rgb888_swapsRedAndBlueAndDropsTheTopByte) {
  TPixelFormat format(0xFF0000, 0x00FF00, 0x0000FF);
  ASSERT_TRUE(format.IsRgb888());
  const TPixelCase cases[] = {
      {0x00FF0000, 0x000000FF},                            // red
      {0x0000FF00, 0x0000FF00},                            // green
      {0x000000FF, 0x00FF0000},                            // blue
      {0x00123456, 0x00563412}, {0xFF123456, 0x00563412},  // the top byte is not always zero
      {0xFFFFFFFF, 0x00FFFFFF},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(format.ToColorValue(c.pixel), c.colorValue) << std::hex << c.pixel;
  }
}

TEST(PixelFormatTest, otherMasks_areStretchedToEightBits) {
  TPixelFormat rgb565(0xF800, 0x07E0, 0x001F);
  EXPECT_FALSE(rgb565.IsRgb888());
  EXPECT_EQ(rgb565.ToColorValue(0xF800), 0x0000FFu);
  EXPECT_EQ(rgb565.ToColorValue(0x07E0), 0x00FF00u);
  EXPECT_EQ(rgb565.ToColorValue(0x001F), 0xFF0000u);
  EXPECT_EQ(rgb565.ToColorValue(0x8410), 0x848284u);  // each channel's top bit only

  TPixelFormat bgr888(0x0000FF, 0x00FF00, 0xFF0000);
  EXPECT_EQ(bgr888.ToColorValue(0xAA123456), 0x123456u);

  TPixelFormat rgb101010(0x3FF00000, 0x000FFC00, 0x000003FF);
  EXPECT_EQ(rgb101010.ToColorValue(0x3FF00000), 0x0000FFu);
  EXPECT_EQ(rgb101010.ToColorValue(0x00000200), 0x800000u);
}

TEST(PixelFormatTest, unusableMasks_raise) {
  EXPECT_THROW(TPixelFormat(0, 0x00FF00, 0x0000FF), Exception);
  EXPECT_THROW(TPixelFormat(0xFF0000, 0x00F0F0, 0x00000F), Exception);
}

}  // namespace
