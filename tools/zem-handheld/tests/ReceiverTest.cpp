#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/Packets.h"
#include "tools/zem-handheld/Receiver.h"

namespace handheld {
namespace {

using namespace std::chrono_literals;

// Records what the receiver reports, one string per event; progress only as the last count.
class Recorder : public IReceiverListener {
 public:
  std::vector<std::string> events;
  size_t progress = 0;
  std::vector<uint8_t> image;

  void OnPacket(const std::string& line) override { events.push_back(line); }
  void OnSettingsReport(const MirroredSettings& settings) override {
    events.push_back("settings " + settings.Summary());
  }
  void OnScreenProgress(size_t received) override { progress = received; }
  void OnScreenComplete(const std::vector<uint8_t>& complete) override {
    image = complete;
    events.push_back("screen complete");
  }
  void OnScreenShort(size_t received) override {
    events.push_back("screen short " + std::to_string(received));
  }
};

class ReceiverTest : public ::testing::Test {
 protected:
  void Feed(std::vector<uint8_t> bytes, Receiver::Clock::duration at = 0ms) {
    receiver.Feed(bytes.data(), bytes.size(), start + at);
  }
  Receiver::Clock::time_point start = Receiver::Clock::now();
  Recorder recorder;
  Receiver receiver{recorder, 3000ms, 200ms};
};

TEST_F(ReceiverTest, DecodesStateCommandsAndOtherPackets) {
  const struct {
    std::vector<uint8_t> bytes;
    const char* line;
  } cases[] = {
      {{0xFF, 0x01, 0x00}, "orientation landscape"},
      {{0xFF, 0x01, 0x01}, "orientation portrait"},
      {{0xFF, 0x03, 0x01}, "mouse-down on"},
      {{0xFF, 0x06, 0x00}, "full-screen off"},
      {{0xFF, 0x07, 0x00}, "window shown"},
      {{0xFF, 0x07, 0x01}, "window hidden"},
      {{0xFF, 0x09, 0x00}, "relative on"},
      {{0xFF, 0x09, 0x01}, "relative off"},
      {{0xFF, 0x0D, 0x01}, "map-fn on"},
      {{0xFF, 0x0E, 0x00}, "keyboard off"},
      {{0xFF, 0xA0, 0x00}, "get-settings"},
      {{0xFF, 0x01, 0x02}, "unknown FF 01 02"},
      {{0xFF, 0x02, 0x02}, "unknown FF 02 02"},
      {{0x01, 0x2C, 0x78}, "unknown 01 2C 78"},
      {{0xFF, 0xFF, 0xFF}, "unknown FF FF FF (a screen answer that was not asked for)"},
  };
  for (const auto& c : cases) {
    recorder.events.clear();
    Feed(c.bytes);
    ASSERT_EQ(recorder.events.size(), 1u) << c.line;
    EXPECT_EQ(recorder.events[0], c.line);
  }
}

TEST_F(ReceiverTest, PacketsSplitAcrossReadsAreJoined) {
  Feed({0xFF});
  Feed({0x01, 0x01, 0xFF, 0x0E});
  Feed({0x01});
  EXPECT_EQ(recorder.events, (std::vector<std::string>{"orientation portrait", "keyboard on"}));
}

TEST_F(ReceiverTest, AStrayByteIsDroppedAfterAPauseSoLaterPacketsStayInStep) {
  Feed({0x42}, 0ms);
  receiver.Tick(start + 100ms);
  EXPECT_TRUE(recorder.events.empty());
  receiver.Tick(start + 300ms);
  Feed({0xFF, 0x06, 0x01}, 400ms);
  EXPECT_EQ(recorder.events,
            (std::vector<std::string>{"unknown 42 (incomplete packet)", "full-screen on"}));
}

TEST_F(ReceiverTest, ASettingsReportGivesASummaryAfterItsSeventhPacket) {
  // Landscape, visible, every toggle off: note FF 09 01, relative off.
  Feed({0xFF, 0x01, 0x00, 0xFF, 0x03, 0x00, 0xFF, 0x06, 0x00, 0xFF, 0x07,
        0x00, 0xFF, 0x09, 0x01, 0xFF, 0x0D, 0x00, 0xFF, 0x0E, 0x00});
  ASSERT_EQ(recorder.events.size(), 8u);
  EXPECT_EQ(recorder.events[4], "relative off");
  EXPECT_EQ(recorder.events[7],
            "settings orientation=landscape mouse-down=off full-screen=off window=shown "
            "relative=off map-fn=off keyboard=off");

  recorder.events.clear();
  Feed({0xFF, 0x01, 0x01, 0xFF, 0x03, 0x01, 0xFF, 0x06, 0x01, 0xFF, 0x07,
        0x01, 0xFF, 0x09, 0x00, 0xFF, 0x0D, 0x01, 0xFF, 0x0E, 0x01});
  EXPECT_EQ(recorder.events.back(),
            "settings orientation=portrait mouse-down=on full-screen=on window=hidden "
            "relative=on map-fn=on keyboard=on");
}

TEST_F(ReceiverTest, SingleSettingChangesAreNoReport) {
  // The user toggles settings on the PC: the same packets, but not the full run in order.
  Feed({0xFF, 0x01, 0x01, 0xFF, 0x03, 0x01, 0xFF, 0x0E, 0x00});
  // A run broken by another packet starts over.
  Feed({0xFF, 0x01, 0x00, 0xFF, 0x03, 0x00, 0xFF, 0x06, 0x00, 0xFF, 0xA0, 0x00,
        0xFF, 0x07, 0x00, 0xFF, 0x09, 0x01, 0xFF, 0x0D, 0x00, 0xFF, 0x0E, 0x00});
  for (const auto& event : recorder.events)
    EXPECT_EQ(event.rfind("settings", 0), std::string::npos);
  // A fresh orientation packet restarts a run even in the middle of one.
  recorder.events.clear();
  Feed({0xFF, 0x01, 0x00, 0xFF, 0x03, 0x00, 0xFF, 0x01, 0x01, 0xFF, 0x03, 0x00, 0xFF, 0x06,
        0x00, 0xFF, 0x07, 0x00, 0xFF, 0x09, 0x01, 0xFF, 0x0D, 0x00, 0xFF, 0x0E, 0x00});
  EXPECT_EQ(recorder.events.back().rfind("settings orientation=portrait", 0), 0u);
}

std::vector<uint8_t> TestImage() {
  std::vector<uint8_t> image(ScreenImageSize);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 7);
  return image;
}

TEST_F(ReceiverTest, AnExpectedScreenAnswerIsCollectedWholeAndPacketsFollowIt) {
  receiver.ExpectScreen();
  const std::vector<uint8_t> image = TestImage();
  Feed({0xFF, 0x09, 0x00, 0xFF, 0xFF, 0xFF});
  EXPECT_TRUE(receiver.ScreenInProgress());
  EXPECT_EQ(receiver.ExpectedScreens(), 0);
  // The image holds FF FF FF and state-command lookalikes: they are image bytes, not packets.
  std::vector<uint8_t> first(image.begin(), image.begin() + 1000);
  first[0] = first[1] = first[2] = 0xFF;
  Feed(first, 10ms);
  EXPECT_EQ(recorder.progress, 1000u);
  std::vector<uint8_t> rest(image.begin() + 1000, image.end());
  rest.insert(rest.end(), {0xFF, 0x0E, 0x01});  // the next packet shares the last read
  Feed(rest, 2000ms);
  receiver.Tick(start + 10000ms);  // no stall once complete

  EXPECT_FALSE(receiver.ScreenInProgress());
  EXPECT_EQ(recorder.events,
            (std::vector<std::string>{"relative on", "screen complete", "keyboard on"}));
  std::vector<uint8_t> expected = image;
  expected[0] = expected[1] = expected[2] = 0xFF;
  EXPECT_EQ(recorder.image, expected);
}

TEST_F(ReceiverTest, AStalledScreenAnswerIsShortWithItsCount) {
  receiver.ExpectScreen();
  Feed({0xFF, 0xFF, 0xFF});
  Feed(std::vector<uint8_t>(12345, 0x11), 100ms);
  receiver.Tick(start + 3000ms);
  EXPECT_TRUE(receiver.ScreenInProgress());  // a pause within the limit is not a stall
  receiver.Tick(start + 3200ms);
  EXPECT_FALSE(receiver.ScreenInProgress());
  EXPECT_EQ(recorder.events, (std::vector<std::string>{"screen short 12345"}));

  // Afterwards the receiver decodes packets again.
  Feed({0xFF, 0x06, 0x01}, 4000ms);
  EXPECT_EQ(recorder.events.back(), "full-screen on");
}

TEST_F(ReceiverTest, AnAnswerCutByTheLineClosingIsShort) {
  receiver.ExpectScreen();
  Feed({0xFF, 0xFF, 0xFF, 1, 2, 3, 4});
  receiver.LineClosed();
  EXPECT_EQ(recorder.events, (std::vector<std::string>{"screen short 4"}));
}

TEST_F(ReceiverTest, UnrequestedScreensAreTakenOnlyWhenAccepted) {
  receiver.AcceptUnrequestedScreens(true);
  Feed({0xFF, 0xFF, 0xFF});
  EXPECT_TRUE(receiver.ScreenInProgress());
  Feed(std::vector<uint8_t>(ScreenImageSize, 0));
  EXPECT_EQ(recorder.events, (std::vector<std::string>{"screen complete"}));
}

}  // namespace
}  // namespace handheld
