#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "backends/x11/X11InputSynth.h"
#include "backends/x11/tests/TestClient.h"

namespace {

constexpr TRect kWindowBounds{100, 100, 300, 300};

class X11InputSynthTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!client.Connected()) GTEST_SKIP() << "no X display";
    display = std::make_unique<TX11Display>();
    synth = std::make_unique<TX11InputSynth>(*display);
  }

  // A window under the pointer that has the keyboard focus.
  void ShowWindow(long eventMask) {
    client.ShowWindow(kWindowBounds, 0x808080, eventMask);
    synth->SetCursorPos(150, 150);
  }

  void Tap(uint8_t vk) {
    synth->keybd_event(vk, 0);
    synth->keybd_event(vk, KEYEVENTF_KEYUP);
  }

  TTestClient client;
  std::unique_ptr<TX11Display> display;
  std::unique_ptr<TX11InputSynth> synth;
};

TEST_F(X11InputSynthTest, setCursorPos_landsExactly) {
  TSize screen = client.ScreenSize();
  for (TPoint point : {TPoint{0, 0}, TPoint{screen.width - 1, screen.height - 1}, TPoint{640, 512},
                       TPoint{17, 3}}) {
    synth->SetCursorPos(point.x, point.y);
    EXPECT_EQ(client.WaitForPointer(point), point) << point.x << "," << point.y;
  }
}

TEST_F(X11InputSynthTest, setCursorPos_farOutside_stopsAtTheEdge) {
  // Such points must not wrap round in the request's 16-bit fields (65636 would become 100).
  TSize screen = client.ScreenSize();
  synth->SetCursorPos(65636, 10);
  EXPECT_EQ(client.WaitForPointer({screen.width - 1, 10}), (TPoint{screen.width - 1, 10}));
  synth->SetCursorPos(-65436, 20);
  EXPECT_EQ(client.WaitForPointer({0, 20}), (TPoint{0, 20}));
}

TEST_F(X11InputSynthTest, relativeMove_movesByTheDeltas) {
  synth->SetCursorPos(500, 400);
  synth->mouse_event(MOUSEEVENTF_MOVE, 7, -3);
  EXPECT_EQ(client.WaitForPointer({507, 397}), (TPoint{507, 397}));
  synth->mouse_event(MOUSEEVENTF_MOVE, -128, 127);
  EXPECT_EQ(client.WaitForPointer({379, 524}), (TPoint{379, 524}));
}

TEST_F(X11InputSynthTest, click_reachesTheWindowUnderThePointer) {
  ShowWindow(ButtonPressMask | ButtonReleaseMask);
  struct TButtonCase {
    uint32_t down, up;
    unsigned int button;
  };
  for (auto c : {TButtonCase{MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, Button1},
                 TButtonCase{MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, Button3}}) {
    synth->SetCursorPos(150, 160);
    synth->mouse_event(c.down, 0, 0);
    auto press = client.WaitFor(ButtonPress);
    ASSERT_TRUE(press);
    EXPECT_EQ(press->xbutton.button, c.button);
    EXPECT_EQ(press->xbutton.x, 50);
    EXPECT_EQ(press->xbutton.y, 60);
    synth->mouse_event(c.up, 0, 0);
    auto release = client.WaitFor(ButtonRelease);
    ASSERT_TRUE(release);
    EXPECT_EQ(release->xbutton.button, c.button);
  }
}

TEST_F(X11InputSynthTest, vkKeyScanA_answersFromTheUsLayout) {
  // Xvfb's keyboard is the US layout.
  struct TScanCase {
    uint8_t ch;
    int16_t expected;
  };
  for (auto c :
       {TScanCase{'a', 0x41}, TScanCase{'A', 0x141}, TScanCase{'!', 0x131}, TScanCase{'"', 0x1DE},
        TScanCase{'\r', 0x0D}, TScanCase{'\t', 0x09}, TScanCase{'\b', 0x08}, TScanCase{0xA3, -1},
        TScanCase{0x80, -1}, TScanCase{0x81, -1}}) {
    EXPECT_EQ(synth->VkKeyScanA(c.ch), c.expected) << "character 0x" << std::hex << int{c.ch};
  }
}

TEST_F(X11InputSynthTest, scannedKeys_typeTheirCharacters) {
  ShowWindow(KeyPressMask);
  for (char ch : std::string("aZ1!;:/? =`~'\"[{\\|")) {
    int16_t scan = synth->VkKeyScanA(static_cast<uint8_t>(ch));
    ASSERT_NE(scan, -1) << ch;
    bool shift = (scan >> 8) & 1;
    if (shift) synth->keybd_event(vk::VK_SHIFT, 0);
    Tap(static_cast<uint8_t>(scan & 0xFF));
    if (shift) synth->keybd_event(vk::VK_SHIFT, KEYEVENTF_KEYUP);

    auto typed = client.NextTyped();
    ASSERT_TRUE(typed) << ch;
    EXPECT_EQ(typed->text, std::string(1, ch));
  }
}

TEST_F(X11InputSynthTest, namedKeys_arriveAsTheirKeys) {
  ShowWindow(KeyPressMask);
  struct TKeyCase {
    uint8_t vk;
    KeySym keysym;
  };
  for (auto c : {TKeyCase{vk::VK_ESCAPE, XK_Escape}, TKeyCase{vk::VK_LEFT, XK_Left},
                 TKeyCase{vk::VK_DOWN, XK_Down}, TKeyCase{vk::VK_DELETE, XK_Delete},
                 TKeyCase{vkx::VK_HOME, XK_Home}, TKeyCase{vkx::VK_NEXT, XK_Next},
                 TKeyCase{vkx::VK_RETURN, XK_Return}, TKeyCase{vkx::VK_BACK, XK_BackSpace},
                 TKeyCase{vkx::VK_F1 + 4, XK_F5}}) {
    Tap(c.vk);
    auto typed = client.NextTyped();
    ASSERT_TRUE(typed) << int{c.vk};
    EXPECT_EQ(typed->keysym, c.keysym) << int{c.vk};
  }
}

TEST_F(X11InputSynthTest, layoutChange_isFollowed) {
  ShowWindow(KeyPressMask);
  int qKey = XKeysymToKeycode(client.Handle(), XK_q);
  int zKey = XKeysymToKeycode(client.Handle(), XK_z);
  ASSERT_NE(qKey, 0);
  ASSERT_NE(zKey, 0);
  struct TRestore {
    TTestClient& client;
    int q, z;
    std::vector<KeySym> qRow, zRow;
    ~TRestore() {
      client.SetKeysyms(q, qRow);
      client.SetKeysyms(z, zRow);
    }
  } restore{client, qKey, zKey, client.Keysyms(qKey), client.Keysyms(zKey)};

  // Swap Q and Z, as a German layout does, and put the pound sign on the new Z key.
  client.SetKeysyms(qKey, {XK_z, XK_sterling});
  client.SetKeysyms(zKey, {XK_q, XK_Q});
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (synth->VkKeyScanA(0xA3) == -1 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(synth->VkKeyScanA(0xA3), 0x15A);

  Tap('Z');
  auto typed = client.NextTyped();
  ASSERT_TRUE(typed);
  EXPECT_EQ(typed->text, "z");
}

TEST_F(X11InputSynthTest, typeCharacter_missingFromLayout_arrivesAndMappingIsRestored) {
  ShowWindow(KeyPressMask);
  std::vector<KeySym> mappingBefore = client.KeyboardMapping();

  // The test client looks the keysym up when it reads the press, however late: the binding holds
  // until the synthesiser goes.
  auto slowSynth = std::make_unique<TX11InputSynth>(*display);
  const std::vector<uint8_t> characters = {0xA3, 0x80, 0xE4, 0xC4, 0xA3};  // £ € ä Ä £
  std::vector<KeySym> received;
  std::thread reader([&] {
    for (std::size_t i = 0; i < characters.size(); ++i) {
      auto typed = client.NextTyped(std::chrono::seconds(10));
      if (!typed) return;
      received.push_back(typed->keysym);
    }
  });
  for (uint8_t ch : characters) slowSynth->TypeCharacter(ch);
  reader.join();

  EXPECT_EQ(received, (std::vector<KeySym>{XK_sterling, XK_EuroSign, XK_adiaeresis, XK_Adiaeresis,
                                           XK_sterling}));
  // The synthesiser follows the changes and still types through the layout's own keys.
  EXPECT_EQ(slowSynth->VkKeyScanA('a'), 0x41);
  EXPECT_EQ(slowSynth->VkKeyScanA(0xA3), -1);
  slowSynth.reset();
  EXPECT_EQ(client.KeyboardMapping(), mappingBefore);
}

}  // namespace
