#include <gtest/gtest.h>

#include <climits>
#include <memory>

#include "backends/x11/X11ScreenReader.h"
#include "backends/x11/tests/TestClient.h"
#include "platform/Exception.h"

namespace {

// Each reading path: shared memory, and XGetImage as used for a remote server.
class X11ScreenReaderTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (!client.Connected()) GTEST_SKIP() << "no X display";
    screen = client.ScreenSize();
    display = std::make_unique<TX11Display>();
    reader = std::make_unique<TX11ScreenReader>(*display, GetParam());
  }

  TTestClient client;
  TSize screen;
  std::unique_ptr<TX11Display> display;
  std::unique_ptr<TX11ScreenReader> reader;
};

struct TStripe {
  unsigned long pixel;  // as the 24-bit visual holds it: 0xRRGGBB
  uint32_t colorValue;  // as the snapshot gives it: 0x00BBGGRR
};

constexpr TStripe kStripes[] = {
    {0xFF0000, 0x0000FF}, {0x00FF00, 0x00FF00}, {0x0000FF, 0xFF0000}, {0x123456, 0x563412}};
constexpr TRect kWindow{200, 150, 240, 160};  // four stripes of 10 x 10

void ExpectStripes(const TScreenSnapshot& snapshot) {
  for (int32_t y = kWindow.top; y < kWindow.bottom; ++y) {
    for (int32_t x = kWindow.left; x < kWindow.right; ++x) {
      ASSERT_EQ(snapshot.Pixel(x, y), kStripes[(x - kWindow.left) / 10].colorValue)
          << x << "," << y;
    }
  }
}

TEST_P(X11ScreenReaderTest, knownColours_giveBlueGreenRedValues) {
  client.ShowWindow(kWindow, 0, ExposureMask);
  for (int i = 0; i < 4; ++i) client.Fill({i * 10, 0, i * 10 + 10, 10}, kStripes[i].pixel);

  TScreenSnapshot window = reader->Snapshot(kWindow);
  EXPECT_EQ(window.area, kWindow);
  ASSERT_EQ(window.pixels.size(), 400u);
  ExpectStripes(window);
  // A larger read, then the small one again (with shared memory: in the larger segment).
  ExpectStripes(reader->Snapshot({0, 0, screen.width, screen.height}));
  ExpectStripes(reader->Snapshot(kWindow));
  EXPECT_EQ(reader->UsesSharedMemory(), GetParam());
}

TEST_P(X11ScreenReaderTest, areaReachingOutside_isInvalidThereOnly) {
  const TRect corner{screen.width - 20, screen.height - 20, screen.width, screen.height};
  client.ShowWindow(corner, 0x0000FF, ExposureMask);
  client.Fill({0, 0, 20, 20}, 0x0000FF);

  TScreenSnapshot snapshot = reader->Snapshot(
      {screen.width - 10, screen.height - 10, screen.width + 10, screen.height + 5});
  for (int32_t y = snapshot.area.top; y < snapshot.area.bottom; ++y) {
    for (int32_t x = snapshot.area.left; x < snapshot.area.right; ++x) {
      bool onScreen = x < screen.width && y < screen.height;
      ASSERT_EQ(snapshot.Pixel(x, y), onScreen ? 0xFF0000u : CLR_INVALID) << x << "," << y;
    }
  }

  TScreenSnapshot topLeft = reader->Snapshot({-3, -2, 3, 2});
  for (int32_t y = -2; y < 2; ++y) {
    for (int32_t x = -3; x < 3; ++x) {
      EXPECT_EQ(topLeft.Pixel(x, y) == CLR_INVALID, x < 0 || y < 0) << x << "," << y;
    }
  }

  TScreenSnapshot beside = reader->Snapshot({screen.width + 5, 0, screen.width + 9, 3});
  EXPECT_EQ(beside.pixels, std::vector<uint32_t>(12, CLR_INVALID));
}

TEST_P(X11ScreenReaderTest, badAreas_giveEmptySnapshotsOrAClearError) {
  TScreenSnapshot reversed = reader->Snapshot({10, 10, 5, 2});
  EXPECT_EQ(reversed.area, (TRect{10, 10, 10, 10}));
  EXPECT_TRUE(reversed.pixels.empty());

  EXPECT_THROW(reader->Snapshot({INT_MIN, 0, INT_MAX, 1}), Exception);
  EXPECT_THROW(reader->Snapshot({0, 0, 100000, 100000}), Exception);
}

TEST_P(X11ScreenReaderTest, primaryScreen_isTheWholeXvfbScreen) {
  EXPECT_EQ(reader->PrimaryScreen(), (TRect{0, 0, screen.width, screen.height}));
}

INSTANTIATE_TEST_SUITE_P(ReadingPaths, X11ScreenReaderTest, ::testing::Values(true, false),
                         [](const auto& info) {
                           return info.param ? std::string("sharedMemory")
                                             : std::string("getImage");
                         });

}  // namespace
