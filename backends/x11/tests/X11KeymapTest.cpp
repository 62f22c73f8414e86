#include <X11/keysym.h>
#include <gtest/gtest.h>

#include "backends/x11/X11Keymap.h"
#include "platform/InputSynth.h"

namespace {

constexpr int kMinKeycode = 8;
constexpr int kPerKeycode = 4;

// A small US-like layout. Keycode 8 + row index; rows of four columns: unshifted, shifted, then
// the second group. The e key carries the euro sign only in its second group, the b key holds a
// lone small letter, a key no virtual key stands for types a colon, and two rows are empty.
TX11Keymap UsLikeKeymap() {
  std::vector<std::vector<TKeysym>> rows = {
      {XK_a, XK_A, XK_a, XK_A},                // 8
      {XK_b},                                  // 9
      {XK_1, XK_exclam, XK_1, XK_exclam},      // 10
      {XK_semicolon, XK_colon},                // 11
      {XK_space},                              // 12
      {XK_Return},                             // 13
      {XK_Shift_L},                            // 14
      {XK_e, XK_E, XK_EuroSign, XK_EuroSign},  // 15: euro on the second group
      {},                                      // 16
      {XK_colon},                              // 17: colon unshifted, on no virtual key
      {},                                      // 18
      {XK_apostrophe, XK_quotedbl},            // 19
  };
  std::vector<TKeysym> keysyms;
  for (auto& row : rows) {
    row.resize(kPerKeycode, NoKeysym);
    keysyms.insert(keysyms.end(), row.begin(), row.end());
  }
  return TX11Keymap(kMinKeycode, kPerKeycode, keysyms);
}

TEST(X11KeymapTest, keycodeOf_prefersAKeyThatTypesTheSymbolUnshifted) {
  TX11Keymap keymap = UsLikeKeymap();
  EXPECT_EQ(keymap.KeycodeOf(XK_a), 8);
  EXPECT_EQ(keymap.KeycodeOf(XK_A), 8);
  EXPECT_EQ(keymap.KeycodeOf(XK_exclam), 10);
  EXPECT_EQ(keymap.KeycodeOf(XK_colon), 17);  // unshifted on 17 beats shifted on 11
  EXPECT_EQ(keymap.KeycodeOf(XK_EuroSign), 15);
  EXPECT_EQ(keymap.KeycodeOf(XK_sterling), 0);
  EXPECT_EQ(keymap.KeycodeOf(NoKeysym), 0);
}

TEST(X11KeymapTest, symbolAtShiftLevel_followsTheCoreRuleForALoneSymbol) {
  TX11Keymap keymap = UsLikeKeymap();
  EXPECT_EQ(keymap.SymbolAtLevel(9, 1), TKeysym{XK_B});
  EXPECT_EQ(keymap.SymbolAtLevel(12, 1), TKeysym{XK_space});
  EXPECT_EQ(keymap.SymbolAtLevel(16, 1), NoKeysym);
}

TEST(X11KeymapTest, spareKeycodes_areTheEmptyRows) {
  TX11Keymap keymap = UsLikeKeymap();
  EXPECT_EQ(keymap.SpareKeycodes(), (std::vector<int>{16, 18}));

  keymap.SetRow(16, {XK_sterling, XK_sterling});
  EXPECT_EQ(keymap.KeycodeOf(XK_sterling), 16);
  EXPECT_EQ(keymap.SpareKeycodes(), (std::vector<int>{18}));
  keymap.SetRow(16, {});
  EXPECT_EQ(keymap.SpareKeycodes(), (std::vector<int>{16, 18}));
}

TEST(X11KeymapTest, outsideTheTable_answersNothingAndChangesNothing) {
  TX11Keymap keymap = UsLikeKeymap();
  keymap.SetRow(7, {XK_a});
  keymap.SetRow(20, {XK_a});
  EXPECT_EQ(keymap.At(7, 0), NoKeysym);
  EXPECT_EQ(keymap.At(20, 0), NoKeysym);
  EXPECT_EQ(keymap.At(8, kPerKeycode), NoKeysym);
  EXPECT_EQ(keymap.MaxKeycode(), 19);

  // A table with a partial last row keeps whole rows only.
  TX11Keymap partial(8, 2, {XK_a, XK_A, XK_b});
  EXPECT_EQ(partial.MaxKeycode(), 8);
  EXPECT_TRUE(TX11Keymap(8, 0, {XK_a}).SpareKeycodes().empty());
}

TEST(X11KeymapTest, keycodeOfVirtualKey_findsTheKeyOfItsSymbol) {
  TX11Keymap keymap = UsLikeKeymap();
  EXPECT_EQ(KeycodeOfVirtualKey(keymap, 'A'), 8);
  EXPECT_EQ(KeycodeOfVirtualKey(keymap, '1'), 10);
  EXPECT_EQ(KeycodeOfVirtualKey(keymap, vk::VK_SHIFT), 14);
  EXPECT_EQ(KeycodeOfVirtualKey(keymap, vk::VK_ESCAPE), 0);  // no Escape key in this layout
}

struct TScanCase {
  uint8_t ch;
  int16_t expected;
};

TEST(X11KeymapTest, scanCharacter_givesVirtualKeyAndShift) {
  TX11Keymap keymap = UsLikeKeymap();
  const TScanCase cases[] = {
      {'a', 0x41},
      {'A', 0x141},
      {'b', 0x42},
      {'B', 0x142},
      {'1', 0x31},
      {'!', 0x131},
      {';', 0xBA},
      {':', 0x1BA},
      {'\'', 0xDE},
      {'"', 0x1DE},
      {' ', 0x20},
      {'\r', 0x0D},
      // Not on the layout, only on a further level or group, or not a character at all.
      {0xA3, -1},
      {0x80, -1},
      {'z', -1},
      {0x81, -1},
      {0x00, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ScanCharacter(keymap, c.ch), c.expected) << "character 0x" << std::hex << int{c.ch};
  }
}

}  // namespace
