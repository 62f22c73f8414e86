#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/Exception.h"
#include "protocol/Packets.h"
#include "testsupport/FakeScreenReader.h"
#include "testsupport/Printers.h"
#include "testsupport/RecordingLink.h"
#include "zem/ScreenTransfer.h"

namespace {

TMappingInputs Window(int32_t left, int32_t top, int32_t clientWidth, int32_t clientHeight,
                      bool landscape, TRect screen = {0, 0, 1024, 768}) {
  return {left, top, clientWidth, clientHeight, landscape, false, screen};
}

TMappingInputs FullScreen(TRect screen, bool landscape) {
  return {202, 177, 640, 240, landscape, true, screen};
}

uint32_t Rgb(uint32_t red, uint32_t green, uint32_t blue) {
  return blue << 16 | green << 8 | red;
}

// A colour for every desktop point, varied in all three components.
uint32_t Noise(int32_t x, int32_t y) {
  uint32_t h = static_cast<uint32_t>(x) * 73856093u ^ static_cast<uint32_t>(y) * 19349663u;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  h ^= h >> 15;
  return h & 0x00FFFFFF;
}

// The answer as the per-pixel algorithm makes it: every pixel read at its own mapped point, the
// first of a pair shifted into the high nibble, the second OR-ed in unmasked.
std::vector<uint8_t> ReferenceAnswer(const TMappingInputs& inputs, TFakeScreenReader& screen) {
  std::vector<uint8_t> answer = {0xFF, 0xFF, 0xFF};
  auto read = [&](int32_t x, int32_t y) {
    const TPoint p = MapToDesktop(inputs, x, y);
    return screen.screen.Contains(p.x, p.y) ? screen.colour(p.x, p.y) : CLR_INVALID;
  };
  for (int32_t y = 0; y < HandheldHeight; ++y) {
    for (int32_t x = 0; x < HandheldWidth; x += 2) {
      const uint32_t first = read(x, y);
      const uint32_t second = read(x + 1, y);
      answer.push_back(static_cast<uint8_t>(((first >> 20) << 4) | (second >> 20)));
    }
  }
  return answer;
}

std::vector<uint8_t> Pack(const TMappingInputs& inputs, const TScreenSnapshot& snapshot) {
  std::vector<uint8_t> image(ScreenImageSize, 0x5A);
  PackScreenImage(inputs, snapshot, image.data());
  return image;
}

int PixelValue(const std::vector<uint8_t>& image, int32_t x, int32_t y) {
  const uint8_t byte = image[(y * HandheldWidth + x) / 2];
  return x % 2 == 0 ? byte >> 4 : byte & 0x0F;
}

TEST(ScreenTransfer, SampledAreaIsTheBoundingBoxOfTheMappedPoints) {
  const std::vector<std::pair<TMappingInputs, TRect>> cases = {
      {Window(202, 177, 640, 240, true), {206, 220, 846, 460}},
      {Window(202, 177, 240, 640, false), {206, 220, 446, 860}},
      {Window(202, 177, 320, 120, true), {206, 220, 526, 340}},
      {Window(-14, 177, -320, 240, true), {-329, 220, -9, 460}},
      // The screen's last column and row are never read.
      {FullScreen({0, 0, 1024, 768}, true), {0, 0, 1023, 765}},
      {FullScreen({0, 0, 1024, 768}, false), {0, 0, 1020, 767}},
  };
  for (const auto& [inputs, area] : cases) {
    EXPECT_EQ(SampledArea(inputs), area)
        << "client " << inputs.ClientWidth << "x" << inputs.ClientHeight;
  }
}

TEST(ScreenTransfer, EachPixelIsReadAtItsMappedPoint) {
  const TRect bigScreen{0, 0, 1920, 1080};
  struct TCase {
    const char* name;
    TMappingInputs inputs;
    TPoint bright;               // the one white desktop point
    std::vector<TPoint> pixels;  // the image pixels that must show it, and no others
  };
  const std::vector<TCase> cases = {
      {"landscape: (x, y) at (206 + x, 220 + y)",
       Window(202, 177, 640, 240, true),
       {211, 227},
       {{5, 7}}},
      {"portrait: (0, 0) at the top right",
       Window(202, 177, 240, 640, false, bigScreen),
       {445, 220},
       {{0, 0}}},
      {"portrait: (639, 239) at the bottom left",
       Window(202, 177, 240, 640, false, bigScreen),
       {206, 859},
       {{639, 239}}},
      {"full screen: (639, 239) short of the corner",
       FullScreen({0, 0, 1024, 768}, true),
       {1022, 764},
       {{639, 239}}},
      {"full screen: the last column and row never read",
       FullScreen({0, 0, 1024, 768}, true),
       {1023, 767},
       {}},
      {"half-size client: each point read by four pixels",
       Window(202, 177, 320, 120, true),
       {206, 220},
       {{0, 0}, {1, 0}, {0, 1}, {1, 1}}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TFakeScreenReader screen;
    screen.screen = c.inputs.Screen;
    screen.colour = [&](int32_t x, int32_t y) {
      return TPoint{x, y} == c.bright ? Rgb(255, 255, 255) : Rgb(0, 0, 0);
    };
    const std::vector<uint8_t> image = Pack(c.inputs, screen.Snapshot(screen.screen));
    std::vector<TPoint> lit;
    for (int32_t y = 0; y < HandheldHeight; ++y) {
      for (int32_t x = 0; x < HandheldWidth; ++x) {
        if (PixelValue(image, x, y) != 0) lit.push_back({x, y});
      }
    }
    EXPECT_EQ(lit, c.pixels);
  }
}

TEST(ScreenTransfer, PixelValueIsTheTopNibbleOfBlue) {
  struct TCase {
    const char* name;
    uint32_t colour;
    int value;
  };
  const std::vector<TCase> cases = {
      {"blue", Rgb(0, 0, 255), 15},      {"white", Rgb(255, 255, 255), 15},
      {"red", Rgb(255, 0, 0), 0},        {"green", Rgb(0, 255, 0), 0},
      {"black", Rgb(0, 0, 0), 0},        {"blue 128", Rgb(255, 255, 128), 8},
      {"blue 127", Rgb(0, 255, 127), 7}, {"light grey", Rgb(192, 192, 192), 12},
  };
  const TMappingInputs inputs = Window(202, 177, 640, 240, true);
  for (const TCase& c : cases) {
    TFakeScreenReader screen;
    screen.colour = [&](int32_t, int32_t) { return c.colour; };
    const std::vector<uint8_t> image = Pack(inputs, screen.Snapshot(SampledArea(inputs)));
    EXPECT_EQ(image[0], c.value << 4 | c.value) << c.name;
    EXPECT_EQ(image[ScreenImageSize - 1], c.value << 4 | c.value) << c.name;
  }
}

TEST(ScreenTransfer, PackingEqualsPerPixelSamplingInEveryForm) {
  const TRect screen{0, 0, 1024, 768};
  const std::vector<TMappingInputs> configurations = {
      Window(202, 177, 640, 240, true),
      Window(202, 177, 240, 640, false),
      Window(202, 177, 640, 240, false),
      Window(100, 50, 320, 120, true),
      Window(100, 50, 1280, 480, true),
      Window(100, 50, 333, 777, false),
      Window(-300, -100, 640, 240, true),  // beyond the left and top edges
      Window(700, 600, 240, 640, false),   // beyond the right and bottom edges
      Window(300, 200, -100, -50, true),   // a client sized below nothing
      FullScreen(screen, true),
      FullScreen(screen, false),
      FullScreen({0, 0, 1920, 1080}, false),
  };
  for (const TMappingInputs& inputs : configurations) {
    SCOPED_TRACE(testing::Message()
                 << "at " << inputs.Left << "," << inputs.Top << " client " << inputs.ClientWidth
                 << "x" << inputs.ClientHeight << (inputs.Landscape ? " landscape" : " portrait")
                 << (inputs.FullScreen ? " full" : ""));
    TFakeScreenReader reader;
    reader.screen = inputs.Screen;
    reader.colour = Noise;
    const std::vector<uint8_t> expected = ReferenceAnswer(inputs, reader);
    const std::vector<uint8_t> image(expected.begin() + 3, expected.end());
    // From a snapshot of exactly the sampled area, and from one of the whole screen.
    EXPECT_EQ(Pack(inputs, reader.Snapshot(SampledArea(inputs))), image);
    EXPECT_EQ(Pack(inputs, reader.Snapshot(reader.screen)), image);
  }
}

TEST(ScreenTransfer, AnUnusableSnapshotReadsAsOffScreen) {
  const TMappingInputs inputs = Window(202, 177, 640, 240, true);
  TScreenSnapshot shortOfPixels{{206, 220, 846, 460}, std::vector<uint32_t>(100, 0)};
  EXPECT_EQ(Pack(inputs, shortOfPixels), std::vector<uint8_t>(ScreenImageSize, 0xFF));
  EXPECT_EQ(Pack(inputs, TScreenSnapshot{}), std::vector<uint8_t>(ScreenImageSize, 0xFF));
}

// A 600 x 400 screen and a landscape capture area from desktop (-1, 143) to (639, 383): column 0
// lies left of the screen, columns 601 to 639 right of it.
class WholeAnswer : public testing::Test {
 protected:
  void SetUp() override {
    screen.screen = {0, 0, 600, 400};
    screen.colour = [](int32_t x, int32_t y) {
      if (x == 0 && y == 143) return Rgb(0, 0, 0x80);    // pixel (1, 0)
      if (x == 597 && y == 148) return Rgb(0, 0, 0xFF);  // pixel (598, 5)
      if (x == 598 && y == 148) return Rgb(0, 0, 0x3F);  // pixel (599, 5)
      if (x == 599 && y == 148) return Rgb(0, 0, 0x70);  // pixel (600, 5)
      return Noise(x, y);
    };
  }
  TMappingInputs inputs = Window(-5, 100, 640, 240, true, {0, 0, 600, 400});
  TFakeScreenReader screen;
  TRecordingLink link;
  std::vector<int> progress;
  void Send() {
    SendScreenImage(inputs, screen, link, [this](int done) { progress.push_back(done); });
  }
};

TEST_F(WholeAnswer, IsByteExact) {
  Send();
  ASSERT_EQ(link.bytes.size(), static_cast<std::size_t>(ScreenAnswerSize));
  EXPECT_EQ(link.bytes, ReferenceAnswer(inputs, screen));
  const uint8_t* image = link.bytes.data() + 3;
  EXPECT_EQ(image[0], 0xF8);  // off-screen first pixel: 15 high, the second pixel's 8 low
  EXPECT_EQ(image[5 * 320 + 299], 0xF3);  // both inside: 15 and 3
  EXPECT_EQ(image[5 * 320 + 300], 0xFF);  // second pixel off-screen: the first pixel's 7 lost
  for (int y = 0; y < HandheldHeight; ++y) {
    EXPECT_EQ(image[y * 320 + 301], 0xFF);  // wholly off-screen
    EXPECT_EQ(image[y * 320 + 319], 0xFF);
  }
  // One snapshot, of the part of the capture area on the screen.
  EXPECT_EQ(screen.requests, (std::vector<TRect>{{0, 143, 600, 383}}));
}

TEST_F(WholeAnswer, IsAHeaderAnd19200BlocksOf4Bytes) {
  Send();
  std::vector<int32_t> sizes(1, 3);
  sizes.resize(1 + 19200, 4);
  EXPECT_EQ(link.writeSizes, sizes);
  ASSERT_EQ(progress.size(), 19200u);
  for (int i = 0; i < 19200; ++i) ASSERT_EQ(progress[i], i + 1);
}

TEST_F(WholeAnswer, WithoutALinkTheScreenIsStillReadAndNothingSent) {
  link.open = false;
  Send();
  EXPECT_EQ(screen.requests.size(), 1u);
  EXPECT_EQ(link.writeCalls, 1 + 19200);
  EXPECT_TRUE(link.bytes.empty());
  EXPECT_EQ(link.errorText, "Com not initialized.");
}

TEST_F(WholeAnswer, HeaderErrorLeavesAtOnce) {
  link.failingWrites = {0};
  EXPECT_THROW(Send(), Exception);
  EXPECT_EQ(link.writeCalls, 1);
  EXPECT_TRUE(progress.empty());
}

TEST_F(WholeAnswer, BlockErrorsLoseOnlyTheirBlocks) {
  link.failingWrites = {1, 19200};  // the first block and the last
  EXPECT_NO_THROW(Send());
  std::vector<uint8_t> expected = ReferenceAnswer(inputs, screen);
  expected.erase(expected.end() - 4, expected.end());
  expected.erase(expected.begin() + 3, expected.begin() + 7);
  EXPECT_EQ(link.bytes, expected);
  EXPECT_EQ(progress.size(), 19200u);
}

TEST(ScreenTransfer, TheSnapshotNeverReachesBeyondTheScreen) {
  const TRect screen{0, 0, 1024, 768};
  struct TCase {
    const char* name;
    TMappingInputs inputs;
    std::vector<TRect> requests;
  };
  const std::vector<TCase> cases = {
      {"a capture area far larger than the screen",
       Window(202, 177, 100000, 100000, true, screen),
       {{206, 220, 1024, 768}}},
      {"a capture area wholly off the screen", Window(5000, 177, 640, 240, true, screen), {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TFakeScreenReader reader;
    reader.screen = screen;
    reader.colour = Noise;
    TRecordingLink link;
    SendScreenImage(c.inputs, reader, link, {});
    EXPECT_EQ(reader.requests, c.requests);
    EXPECT_EQ(link.bytes, ReferenceAnswer(c.inputs, reader));
  }
}

}  // namespace
