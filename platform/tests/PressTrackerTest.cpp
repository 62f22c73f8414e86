#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Exception.h"
#include "platform/PressTracker.h"

namespace {

// Records every call it gets as a line of text; can be told to fail a release of one key.
class TRecordingSynth : public IInputSynth {
 public:
  void SetCursorPos(int32_t x, int32_t y) override {
    calls.push_back("cursor " + std::to_string(x) + "," + std::to_string(y));
  }
  void mouse_event(uint32_t flags, int32_t dx, int32_t dy) override {
    calls.push_back("mouse " + std::to_string(flags) + " " + std::to_string(dx) + "," +
                    std::to_string(dy));
  }
  void keybd_event(uint8_t vk, uint32_t flags) override {
    if (vk == failingKey && (flags & KEYEVENTF_KEYUP)) throw Exception("release failed");
    calls.push_back("key " + std::to_string(vk) + ((flags & KEYEVENTF_KEYUP) ? " up" : " down"));
  }
  int16_t VkKeyScanA(uint8_t ch) override {
    calls.push_back("scan " + std::to_string(ch));
    return 0x141;
  }
  void TypeCharacter(uint8_t ch) override { calls.push_back("type " + std::to_string(ch)); }

  std::vector<std::string> calls;
  int failingKey = -1;
};

constexpr uint8_t kKeyA = 0x41;

class PressTrackerTest : public ::testing::Test {
 protected:
  // The calls ReleaseAll sends, without those made before it.
  std::vector<std::string> Releases() {
    inner.calls.clear();
    tracker.ReleaseAll();
    return inner.calls;
  }

  TRecordingSynth inner;
  TPressTracker tracker{inner};
};

TEST_F(PressTrackerTest, everyCall_isPassedOnUnchanged) {
  tracker.SetCursorPos(-3, 70000);
  tracker.mouse_event(MOUSEEVENTF_MOVE, 5, -2);
  tracker.keybd_event(vk::VK_ESCAPE, 0);
  tracker.keybd_event(vk::VK_ESCAPE, KEYEVENTF_KEYUP);
  EXPECT_EQ(tracker.VkKeyScanA('A'), 0x141);
  tracker.TypeCharacter(0xA3);

  EXPECT_EQ(inner.calls, (std::vector<std::string>{"cursor -3,70000", "mouse 1 5,-2", "key 27 down",
                                                   "key 27 up", "scan 65", "type 163"}));
}

TEST_F(PressTrackerTest, releaseAll_keysWereDown_keysAreUpLatestFirst) {
  tracker.keybd_event(vk::VK_SHIFT, 0);
  tracker.keybd_event(vk::VK_CONTROL, 0);
  tracker.keybd_event(kKeyA, 0);

  EXPECT_EQ(Releases(), (std::vector<std::string>{"key 65 up", "key 17 up", "key 16 up"}));
  EXPECT_FALSE(tracker.KeyDown(vk::VK_SHIFT));
}

TEST_F(PressTrackerTest, releaseAll_someKeysAlreadyReleased_releasesOnlyTheRest) {
  // The special Delete key: Shift up, Delete down and up, then Shift down whether or not it was.
  tracker.keybd_event(vk::VK_SHIFT, KEYEVENTF_KEYUP);
  tracker.keybd_event(vk::VK_DELETE, 0);
  tracker.keybd_event(vk::VK_DELETE, KEYEVENTF_KEYUP);
  tracker.keybd_event(vk::VK_SHIFT, 0);

  EXPECT_TRUE(tracker.KeyDown(vk::VK_SHIFT));
  EXPECT_FALSE(tracker.KeyDown(vk::VK_DELETE));
  EXPECT_EQ(Releases(), (std::vector<std::string>{"key 16 up"}));
}

TEST_F(PressTrackerTest, releaseAll_keyPressedTwice_releasedOnce) {
  tracker.keybd_event(kKeyA, 0);
  tracker.keybd_event(kKeyA, 0);

  EXPECT_EQ(Releases(), (std::vector<std::string>{"key 65 up"}));
}

TEST_F(PressTrackerTest, releaseAll_buttonsWereDown_buttonsAreUp) {
  tracker.mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0);
  tracker.mouse_event(MOUSEEVENTF_RIGHTDOWN, 0, 0);
  EXPECT_TRUE(tracker.ButtonDown(MOUSEEVENTF_LEFTDOWN));

  EXPECT_EQ(Releases(), (std::vector<std::string>{"mouse 16 0,0", "mouse 4 0,0"}));
  EXPECT_FALSE(tracker.ButtonDown(MOUSEEVENTF_LEFTDOWN));
  EXPECT_FALSE(tracker.ButtonDown(MOUSEEVENTF_RIGHTDOWN));
}

TEST_F(PressTrackerTest, releaseAll_clicksCompleted_sendsNothing) {
  // A double click as separate calls, and a press and release carried by one call.
  for (uint32_t flags : {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTDOWN,
                         MOUSEEVENTF_LEFTUP, MOUSEEVENTF_RIGHTDOWN | MOUSEEVENTF_RIGHTUP}) {
    tracker.mouse_event(flags, 0, 0);
  }
  tracker.keybd_event(kKeyA, 0);
  tracker.keybd_event(kKeyA, KEYEVENTF_KEYUP);

  EXPECT_TRUE(Releases().empty());
}

TEST_F(PressTrackerTest, releaseAll_calledTwice_secondSendsNothing) {
  tracker.keybd_event(vk::VK_MENU, 0);
  tracker.mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0);
  tracker.ReleaseAll();

  EXPECT_TRUE(Releases().empty());
}

TEST_F(PressTrackerTest, releaseAll_oneReleaseFails_othersSentAndErrorRaised) {
  tracker.keybd_event(vk::VK_SHIFT, 0);
  tracker.keybd_event(vk::VK_CONTROL, 0);
  tracker.mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0);
  inner.failingKey = vk::VK_CONTROL;
  inner.calls.clear();

  EXPECT_THROW(tracker.ReleaseAll(), Exception);
  EXPECT_EQ(inner.calls, (std::vector<std::string>{"mouse 4 0,0", "key 16 up"}));
}

TEST_F(PressTrackerTest, releaseThatFails_keyStillCountsDown) {
  inner.failingKey = kKeyA;
  tracker.keybd_event(kKeyA, 0);  // the down passes
  EXPECT_THROW(tracker.keybd_event(kKeyA, KEYEVENTF_KEYUP), Exception);

  // The release did not go through, so the key still counts as down.
  EXPECT_TRUE(tracker.KeyDown(kKeyA));
}

}  // namespace
