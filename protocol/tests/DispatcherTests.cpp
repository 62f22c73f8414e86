#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <ostream>
#include <vector>

#include "platform/Exception.h"
#include "protocol/Dispatcher.h"
#include "protocol/Packets.h"
#include "testsupport/Printers.h"
#include "testsupport/RecordingInput.h"
#include "testsupport/RecordingLink.h"

namespace {

using E = TInputEvent;

AnsiString Block(std::initializer_list<int> bytes) {
  AnsiString block;
  for (int b : bytes) block.push_back(static_cast<char>(b));
  return block;
}

// Everything a block can change: the shared settings, the window's place, size and visibility.
struct TState {
  bool landscape = true;
  bool portrait = false;
  bool mouseDown = false;
  bool full = false;
  bool relative = false;
  bool keyboard = false;
  bool mapFn = false;
  bool mapFnEnabled = false;  // the design state
  bool visible = true;
  int32_t left = 202;
  int32_t top = 177;
  int32_t clientWidth = 640;
  int32_t clientHeight = 240;

  TState Portrait() const {
    TState s = *this;
    s.landscape = false;
    s.portrait = true;
    s.clientWidth = clientHeight;
    s.clientHeight = clientWidth;
    return s;
  }

  friend bool operator==(const TState&, const TState&) = default;
  friend std::ostream& operator<<(std::ostream& out, const TState& s) {
    return out << "{landscape " << s.landscape << " portrait " << s.portrait << " mdown "
               << s.mouseDown << " full " << s.full << " relative " << s.relative << " keyboard "
               << s.keyboard << " mapFn " << s.mapFn << " mapFnEnabled " << s.mapFnEnabled
               << " visible " << s.visible << " at " << s.left << "," << s.top << " client "
               << s.clientWidth << "x" << s.clientHeight << "}";
  }
};

// The window's part of the dispatcher, with a real form on a null surface, recording fakes of the
// input and the link, and a mapping that records its calls.
class TRig {
 public:
  explicit TRig(const TState& state = {}) {
    mnuLandscape.SetChecked(state.landscape);
    mnuPortrait.SetChecked(state.portrait);
    mnuMDown.SetChecked(state.mouseDown);
    mnuFull.SetChecked(state.full);
    mnuRelative.SetChecked(state.relative);
    mnuEnable.SetChecked(state.keyboard);
    mnuMapFn.SetChecked(state.mapFn);
    mnuMapFn.SetEnabled(state.mapFnEnabled);
    form.SetLeft(state.left);
    form.SetTop(state.top);
    form.SetClientWidth(state.clientWidth);
    form.SetClientHeight(state.clientHeight);
    form.SetVisible(state.visible);
  }

  TState State() const {
    return {mnuLandscape.Checked(), mnuPortrait.Checked(), mnuMDown.Checked(), mnuFull.Checked(),
            mnuRelative.Checked(),  mnuEnable.Checked(),   mnuMapFn.Checked(), mnuMapFn.Enabled(),
            form.Visible(),         form.Left(),           form.Top(),         form.ClientWidth(),
            form.ClientHeight()};
  }

  void Receive(const AnsiString& block) { CommPacketReceived(target, block); }

  TMenuItem mnuLandscape{"mnuLandscape", "&Landscape"};
  TMenuItem mnuPortrait{"mnuPortrait", "&Portrait"};
  TMenuItem mnuMDown{"mnuMDown", "&Always Mouse Down"};
  TMenuItem mnuFull{"mnuFull", "Use &Full Screen"};
  TMenuItem mnuRelative{"mnuRelative", "Use Relative &Movement"};
  TMenuItem mnuEnable{"mnuEnable", "Enable"};
  TMenuItem mnuMapFn{"mnuMapFn", "Map Fn to Alt"};
  TNullWindowSurface surface;
  TForm form{surface};
  TRecordingInput input;
  TRecordingLink link;
  std::vector<TPoint> mapped;  // the arguments of every MapToDesktop call
  int screenImages = 0;

  TDispatchTarget target{mnuLandscape,
                         mnuPortrait,
                         mnuMDown,
                         mnuFull,
                         mnuRelative,
                         mnuEnable,
                         mnuMapFn,
                         form,
                         input,
                         link,
                         [this](int32_t x, int32_t y) {
                           mapped.push_back({x, y});
                           return TPoint{x + 1000, y + 2000};
                         },
                         [this] { ++screenImages; }};
};

TState With(std::function<void(TState&)> change, TState state = {}) {
  change(state);
  return state;
}

const TState Relative = With([](TState& s) { s.relative = true; });
const TState RelativePortrait = Relative.Portrait();
const TState Keyboard = With([](TState& s) { s.keyboard = s.mapFnEnabled = true; });
const TState KeyboardAndFn = With([](TState& s) { s.mapFn = true; }, Keyboard);

// Blocks whose only effects are input events (or none); the settings and the window stay as they
// were.
struct TInputCase {
  const char* name;
  TState state;
  AnsiString block;
  std::vector<TInputEvent> events;
  std::vector<TPoint> mapped = {};
};

TEST(Dispatcher, PenAndInputBlocksProduceExactlyTheirEvents) {
  const uint32_t MOVE = MOUSEEVENTF_MOVE, LDOWN = MOUSEEVENTF_LEFTDOWN, LUP = MOUSEEVENTF_LEFTUP,
                 RDOWN = MOUSEEVENTF_RIGHTDOWN, RUP = MOUSEEVENTF_RIGHTUP;
  const std::vector<TInputCase> cases = {
      // Absolute pen packets go through the mapping, unclamped.
      {"absolute pen", {}, Block({0x01, 0x2C, 0x78}), {E::Cursor(1300, 2120)}, {{300, 120}}},
      {"lead 0x80 is a pen",
       {},
       Block({0x80, 0x00, 0x10}),
       {E::Cursor(33768, 2016)},
       {{32768, 16}}},
      {"lead 0xFE is a pen",
       {},
       Block({0xFE, 0xFF, 0xFF}),
       {E::Cursor(66279, 2255)},
       {{65279, 255}}},
      {"bytes after the third ignored",
       {},
       Block({0x01, 0x2C, 0x78, 0xFF, 0x01}),
       {E::Cursor(1300, 2120)},
       {{300, 120}}},
      {"lead 0x03 ignored", {}, Block({0x03, 0x00, 0x00}), {}},
      {"lead 0x7F ignored", {}, Block({0x7F, 0x00, 0x00}), {}},
      // Relative pen packets: signed deltas, turned in portrait, never mapped.
      {"relative landscape", Relative, Block({0x00, 0x05, 0xFE}), {E::Mouse(MOVE, 5, -2)}},
      {"relative portrait", RelativePortrait, Block({0x00, 0x05, 0xFE}), {E::Mouse(MOVE, 2, 5)}},
      {"relative ignores full screen",
       With([](TState& s) { s.full = true; }, RelativePortrait),
       Block({0x00, 0x05, 0xFE}),
       {E::Mouse(MOVE, 2, 5)}},
      {"relative extremes", Relative, Block({0x02, 0x80, 0x7F}), {E::Mouse(MOVE, -128, 127)}},
      {"relative extremes portrait",
       RelativePortrait,
       Block({0x82, 0x80, 0x7F}),
       {E::Mouse(MOVE, -127, -128)}},
      {"relative lead 0x03 ignored", Relative, Block({0x03, 0x05, 0x05}), {}},
      // Short pen blocks are abandoned in both forms.
      {"1-byte pen", {}, Block({0x01}), {}},
      {"2-byte pen", {}, Block({0x01, 0x2C}), {}},
      {"2-byte relative pen", Relative, Block({0x00, 0x05}), {}},
      {"1-byte command", {}, Block({0xFF}), {}},
      {"1-byte ignored", {}, Block({0x20}), {}},
      // Buttons.
      {"left up", {}, Block({0xFF, 0x02, 0}), {E::Mouse(LUP)}},
      {"left down", {}, Block({0xFF, 0x02, 1}), {E::Mouse(LDOWN)}},
      {"left click", {}, Block({0xFF, 0x02, 2}), {E::Mouse(LDOWN), E::Mouse(LUP)}},
      {"left double click",
       {},
       Block({0xFF, 0x02, 3}),
       {E::Mouse(LDOWN), E::Mouse(LUP), E::Mouse(LDOWN), E::Mouse(LUP)}},
      {"right up", {}, Block({0xFF, 0x02, 4}), {E::Mouse(RUP)}},
      {"right down", {}, Block({0xFF, 0x02, 5}), {E::Mouse(RDOWN)}},
      {"right click", {}, Block({0xFF, 0x02, 6}), {E::Mouse(RDOWN), E::Mouse(RUP)}},
      {"button 7", {}, Block({0xFF, 0x02, 7}), {}},
      {"2-byte button", {}, Block({0xFF, 0x02}), {}},
      // Keys: pressed and released, shift state of the layout dropped.
      {"key a", Keyboard, Block({0xFF, 0x08, 'a'}), {E::KeyDown(0x41), E::KeyUp(0x41)}},
      {"key A drops the shift",
       Keyboard,
       Block({0xFF, 0x08, 'A'}),
       {E::KeyDown(0x41), E::KeyUp(0x41)}},
      {"key without a key of its own", Keyboard, Block({0xFF, 0x08, 0xA3}), {E::Character(0xA3)}},
      {"key with the keyboard off", {}, Block({0xFF, 0x08, 'a'}), {}},
      {"2-byte key", Keyboard, Block({0xFF, 0x08}), {}},
      // Modifiers.
      {"shift press", Keyboard, Block({0xFF, 0x0A, 1}), {E::KeyDown(vk::VK_SHIFT)}},
      {"shift release", Keyboard, Block({0xFF, 0x0A, 0}), {E::KeyUp(vk::VK_SHIFT)}},
      {"shift 2", Keyboard, Block({0xFF, 0x0A, 2}), {}},
      {"shift with the keyboard off", {}, Block({0xFF, 0x0A, 1}), {}},
      {"ctrl press", Keyboard, Block({0xFF, 0x0B, 1}), {E::KeyDown(vk::VK_CONTROL)}},
      {"ctrl release", Keyboard, Block({0xFF, 0x0B, 0}), {E::KeyUp(vk::VK_CONTROL)}},
      {"ctrl with the keyboard off", {}, Block({0xFF, 0x0B, 1}), {}},
      {"fn press", KeyboardAndFn, Block({0xFF, 0x0C, 1}), {E::KeyDown(vk::VK_MENU)}},
      {"fn release", KeyboardAndFn, Block({0xFF, 0x0C, 0}), {E::KeyUp(vk::VK_MENU)}},
      {"fn without map fn", Keyboard, Block({0xFF, 0x0C, 1}), {}},
      {"fn with the keyboard off",
       With([](TState& s) { s.mapFn = true; }),
       Block({0xFF, 0x0C, 1}),
       {}},
      // Special keys work with the keyboard off.
      {"left", {}, Block({0xFF, 0x0F, 0}), {E::KeyDown(vk::VK_LEFT), E::KeyUp(vk::VK_LEFT)}},
      {"right", {}, Block({0xFF, 0x0F, 1}), {E::KeyDown(vk::VK_RIGHT), E::KeyUp(vk::VK_RIGHT)}},
      {"up", {}, Block({0xFF, 0x0F, 2}), {E::KeyDown(vk::VK_UP), E::KeyUp(vk::VK_UP)}},
      {"down", {}, Block({0xFF, 0x0F, 3}), {E::KeyDown(vk::VK_DOWN), E::KeyUp(vk::VK_DOWN)}},
      {"escape", {}, Block({0xFF, 0x0F, 4}), {E::KeyDown(vk::VK_ESCAPE), E::KeyUp(vk::VK_ESCAPE)}},
      {"shift delete",
       {},
       Block({0xFF, 0x0F, 5}),
       {E::KeyUp(vk::VK_SHIFT), E::KeyDown(vk::VK_DELETE), E::KeyUp(vk::VK_DELETE),
        E::KeyDown(vk::VK_SHIFT)}},
      {"special key 6", {}, Block({0xFF, 0x0F, 6}), {}},
      // Codes not in the table.
      {"code 0x00", Keyboard, Block({0xFF, 0x00, 0}), {}},
      {"code 0x10", Keyboard, Block({0xFF, 0x10, 0}), {}},
      {"code 0x9F", Keyboard, Block({0xFF, 0x9F, 1}), {}},
      {"code 0xA1", Keyboard, Block({0xFF, 0xA1, 0}), {}},
      {"code 0xFE", Keyboard, Block({0xFF, 0xFE, 0xFF}), {}},
  };
  for (const TInputCase& c : cases) {
    SCOPED_TRACE(c.name);
    TRig rig(c.state);
    rig.Receive(c.block);
    EXPECT_EQ(rig.input.events, c.events);
    EXPECT_EQ(rig.mapped, c.mapped);
    EXPECT_EQ(rig.State(), c.state);
    EXPECT_EQ(rig.link.writeCalls, 0);
    EXPECT_EQ(rig.screenImages, 0);
  }
}

// Blocks that change the settings or the window, and send no input.
struct TStateCase {
  const char* name;
  TState before;
  AnsiString block;
  TState after;
};

TEST(Dispatcher, StateCommandsChangeExactlyTheirSetting) {
  const TState portrait = TState{}.Portrait();
  const TState hidden = With([](TState& s) { s.visible = false; });
  auto change = [](std::function<void(TState&)> f, TState s = {}) { return With(f, s); };
  const std::vector<TStateCase> cases = {
      {"landscape while landscape", {}, Block({0xFF, 0x01, 0}), {}},
      {"portrait from landscape swaps once", {}, Block({0xFF, 0x01, 1}), portrait},
      {"landscape from portrait swaps back", portrait, Block({0xFF, 0x01, 0}), {}},
      {"portrait while portrait", portrait, Block({0xFF, 0x01, 1}), portrait},
      {"orientation 2", {}, Block({0xFF, 0x01, 2}), {}},
      {"2-byte orientation", {}, Block({0xFF, 0x01}), {}},
      {"mouse down on", {}, Block({0xFF, 0x03, 1}), change([](TState& s) { s.mouseDown = true; })},
      {"mouse down off", change([](TState& s) { s.mouseDown = true; }), Block({0xFF, 0x03, 0}), {}},
      {"mouse down 2", {}, Block({0xFF, 0x03, 2}), {}},
      {"full screen on", {}, Block({0xFF, 0x06, 1}), change([](TState& s) { s.full = true; })},
      {"full screen off", change([](TState& s) { s.full = true; }), Block({0xFF, 0x06, 0}), {}},
      {"show while visible", {}, Block({0xFF, 0x07, 0}), {}},
      {"hide", {}, Block({0xFF, 0x07, 1}), hidden},
      {"show while hidden", hidden, Block({0xFF, 0x07, 0}), {}},
      {"hide 2", hidden, Block({0xFF, 0x07, 2}), hidden},
      {"relative on is 0", {}, Block({0xFF, 0x09, 0}), Relative},
      {"relative off is 1", Relative, Block({0xFF, 0x09, 1}), {}},
      {"relative 2", {}, Block({0xFF, 0x09, 2}), {}},
      {"map fn on", {}, Block({0xFF, 0x0D, 1}), change([](TState& s) { s.mapFn = true; })},
      {"map fn off", change([](TState& s) { s.mapFn = true; }), Block({0xFF, 0x0D, 0}), {}},
      {"keyboard off keeps map fn's mark", KeyboardAndFn, Block({0xFF, 0x0E, 0}),
       change([](TState& s) { s.mapFn = true; })},
      {"keyboard on enables map fn", change([](TState& s) { s.mapFn = true; }),
       Block({0xFF, 0x0E, 1}), KeyboardAndFn},
      {"keyboard 2", {}, Block({0xFF, 0x0E, 2}), {}},
      // Window nudges: 5 pixels, the other axis in portrait, without bounds.
      {"move left", {}, Block({0xFF, 0x04, 0}), change([](TState& s) { s.left -= 5; })},
      {"move right", {}, Block({0xFF, 0x04, 1}), change([](TState& s) { s.left += 5; })},
      {"move up", {}, Block({0xFF, 0x04, 2}), change([](TState& s) { s.top -= 5; })},
      {"move down", {}, Block({0xFF, 0x04, 3}), change([](TState& s) { s.top += 5; })},
      {"portrait move left", portrait, Block({0xFF, 0x04, 0}),
       change([](TState& s) { s.top -= 5; }, portrait)},
      {"portrait move right", portrait, Block({0xFF, 0x04, 1}),
       change([](TState& s) { s.top += 5; }, portrait)},
      {"portrait move up", portrait, Block({0xFF, 0x04, 2}),
       change([](TState& s) { s.left += 5; }, portrait)},
      {"portrait move down", portrait, Block({0xFF, 0x04, 3}),
       change([](TState& s) { s.left -= 5; }, portrait)},
      {"move 4", {}, Block({0xFF, 0x04, 4}), {}},
      {"move off the desktop", change([](TState& s) { s.left = 2; }), Block({0xFF, 0x04, 0}),
       change([](TState& s) { s.left = -3; })},
      {"size left widens", {}, Block({0xFF, 0x05, 0}), change([](TState& s) {
         s.clientWidth += 5;
       })},
      {"size right narrows", {}, Block({0xFF, 0x05, 1}), change([](TState& s) {
         s.clientWidth -= 5;
       })},
      {"size up shortens", {}, Block({0xFF, 0x05, 2}), change([](TState& s) {
         s.clientHeight -= 5;
       })},
      {"size down lengthens", {}, Block({0xFF, 0x05, 3}), change([](TState& s) {
         s.clientHeight += 5;
       })},
      {"portrait size left", portrait, Block({0xFF, 0x05, 0}),
       change([](TState& s) { s.clientHeight += 5; }, portrait)},
      {"portrait size right", portrait, Block({0xFF, 0x05, 1}),
       change([](TState& s) { s.clientHeight -= 5; }, portrait)},
      {"portrait size up", portrait, Block({0xFF, 0x05, 2}),
       change([](TState& s) { s.clientWidth += 5; }, portrait)},
      {"portrait size down", portrait, Block({0xFF, 0x05, 3}),
       change([](TState& s) { s.clientWidth -= 5; }, portrait)},
      {"size 4", {}, Block({0xFF, 0x05, 4}), {}},
      {"size below nothing", change([](TState& s) { s.clientWidth = 3; }), Block({0xFF, 0x05, 1}),
       change([](TState& s) { s.clientWidth = -2; })},
  };
  for (const TStateCase& c : cases) {
    SCOPED_TRACE(c.name);
    TRig rig(c.before);
    rig.Receive(c.block);
    EXPECT_EQ(rig.State(), c.after);
    EXPECT_TRUE(rig.input.events.empty());
    EXPECT_EQ(rig.link.writeCalls, 0);
  }
}

TEST(Dispatcher, SizeChangesReachTheFormsResizeHandler) {
  TRig rig;
  std::vector<TSize> resized;
  rig.form.OnResize = [&] { resized.push_back({rig.form.ClientWidth(), rig.form.ClientHeight()}); };
  rig.Receive(Block({0xFF, 0x01, 1}));  // portrait: width first, then height
  rig.Receive(Block({0xFF, 0x05, 3}));
  EXPECT_EQ(resized, (std::vector<TSize>{{240, 240}, {240, 640}, {235, 640}}));
}

// Settings are read as each block is handled, and nothing but the settings links one block to the
// next: a short block leaves no trace.
TEST(Dispatcher, EachBlockSeesTheSettingsLeftByTheOnesBefore) {
  struct TSequence {
    const char* name;
    TState state;
    std::vector<AnsiString> blocks;
    std::vector<TInputEvent> events;
  };
  const std::vector<TSequence> cases = {
      {"relative from the next packet on",
       {},
       {Block({0x00, 0x05, 0xFE}), Block({0xFF, 0x09, 0}), Block({0x00, 0x05, 0xFE})},
       {E::Cursor(1005, 2254), E::Mouse(MOUSEEVENTF_MOVE, 5, -2)}},
      {"portrait turns the next relative packet",
       Relative,
       {Block({0xFF, 0x01, 1}), Block({0x00, 0x05, 0xFE})},
       {E::Mouse(MOUSEEVENTF_MOVE, 2, 5)}},
      {"a release after the keyboard went off is ignored",
       Keyboard,
       {Block({0xFF, 0x0A, 1}), Block({0xFF, 0x0E, 0}), Block({0xFF, 0x0A, 0})},
       {E::KeyDown(vk::VK_SHIFT)}},
      {"short pen block, then a whole one",
       {},
       {Block({0x01}), Block({0x01, 0x2C, 0x78})},
       {E::Cursor(1300, 2120)}},
      {"short command block, then a whole one",
       Keyboard,
       {Block({0xFF, 0x0A}), Block({0xFF, 0x0A, 0x01})},
       {E::KeyDown(vk::VK_SHIFT)}},
      {"misaligned: the tail of one packet and the head of the next",
       {},
       {Block({0xFF, 0x02}), Block({0x02, 0xFF, 0x02}), Block({0x02})},
       {E::Cursor(1767, 2002)}},
  };
  for (const TSequence& c : cases) {
    SCOPED_TRACE(c.name);
    TRig rig(c.state);
    for (const AnsiString& block : c.blocks) rig.Receive(block);
    EXPECT_EQ(rig.input.events, c.events);
  }
}

// --- Replies ---------------------------------------------------------------------------------

std::vector<uint8_t> Report(int orientation, int mouseDown, int full, int hidden, int relative,
                            int mapFn, int keyboard) {
  return {
      0xFF, 0x01, static_cast<uint8_t>(orientation), 0xFF, 0x03, static_cast<uint8_t>(mouseDown),
      0xFF, 0x06, static_cast<uint8_t>(full),        0xFF, 0x07, static_cast<uint8_t>(hidden),
      0xFF, 0x09, static_cast<uint8_t>(relative),    0xFF, 0x0D, static_cast<uint8_t>(mapFn),
      0xFF, 0x0E, static_cast<uint8_t>(keyboard)};
}

TEST(Dispatcher, GetSettingsSendsTheReportInSevenWrites) {
  const TState allOn = With(
      [](TState& s) {
        s.mouseDown = s.full = s.relative = s.mapFn = s.keyboard = s.mapFnEnabled = true;
        s.visible = false;
      },
      TState{}.Portrait());
  struct TCase {
    const char* name;
    TState state;
    AnsiString block;
    std::vector<uint8_t> sent;
  };
  const std::vector<TCase> cases = {
      {"landscape, visible, toggles off",
       {},
       Block({0xFF, 0xA0, 0x00}),
       Report(0, 0, 0, 0, 1, 0, 0)},
      {"portrait, hidden, toggles on", allOn, Block({0xFF, 0xA0, 0x00}),
       Report(1, 1, 1, 1, 0, 1, 1)},
      {"argument not read", {}, Block({0xFF, 0xA0, 0x37}), Report(0, 0, 0, 0, 1, 0, 0)},
      {"2-byte block", {}, Block({0xFF, 0xA0}), Report(0, 0, 0, 0, 1, 0, 0)},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TRig rig(c.state);
    rig.Receive(c.block);
    EXPECT_EQ(rig.link.bytes, c.sent);
    EXPECT_EQ(rig.link.writeSizes, std::vector<int32_t>(7, 3));
  }
}

TEST(Dispatcher, SettingsReportNeedsAnOpenLink) {
  TRig rig;
  rig.link.open = false;
  rig.Receive(Block({0xFF, 0xA0, 0x00}));
  SendSettings(rig.target);
  EXPECT_EQ(rig.link.writeCalls, 0);
}

TEST(Dispatcher, AFailedWriteEndsTheReportAndLeavesTheDispatcher) {
  TRig rig;
  rig.link.failingWrites = {2};
  EXPECT_THROW(rig.Receive(Block({0xFF, 0xA0, 0x00})), Exception);
  EXPECT_EQ(rig.link.writeCalls, 3);
  EXPECT_EQ(rig.link.bytes, (std::vector<uint8_t>{0xFF, 0x01, 0x00, 0xFF, 0x03, 0x00}));
}

TEST(Dispatcher, ScreenRequestNeedsArgumentFF) {
  const std::vector<std::pair<AnsiString, int>> cases = {
      {Block({0xFF, 0xFF, 0xFF}), 1},
      {Block({0xFF, 0xFF, 0x00}), 0},
      {Block({0xFF, 0xFF, 0xFE}), 0},
      {Block({0xFF, 0xFF}), 0},
  };
  for (const auto& [block, images] : cases) {
    TRig rig;
    rig.Receive(block);
    EXPECT_EQ(rig.screenImages, images) << "block of " << block.size() << " bytes";
    EXPECT_EQ(rig.link.writeCalls, 0);
  }
}

}  // namespace
