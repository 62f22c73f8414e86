#include <gtest/gtest.h>

#include "backends/x11/KeysymTables.h"
#include "platform/InputSynth.h"

#define XK_PUBLISHING
#include <X11/keysym.h>

namespace {

struct TVirtualKeyCase {
  uint8_t vk;
  TKeysym keysym;
};

TEST(KeysymTablesTest, virtualKeys_mapToTheirKeys) {
  const TVirtualKeyCase cases[] = {
      {vk::VK_SHIFT, XK_Shift_L},
      {vk::VK_CONTROL, XK_Control_L},
      {vk::VK_MENU, XK_Alt_L},
      {vk::VK_ESCAPE, XK_Escape},
      {vk::VK_LEFT, XK_Left},
      {vk::VK_UP, XK_Up},
      {vk::VK_RIGHT, XK_Right},
      {vk::VK_DOWN, XK_Down},
      {vk::VK_DELETE, XK_Delete},
      {'A', XK_a},
      {'Z', XK_z},
      {'0', XK_0},
      {'9', XK_9},
      {vkx::VK_OEM_1, XK_semicolon},
      {vkx::VK_OEM_PLUS, XK_equal},
      {vkx::VK_OEM_COMMA, XK_comma},
      {vkx::VK_OEM_MINUS, XK_minus},
      {vkx::VK_OEM_PERIOD, XK_period},
      {vkx::VK_OEM_2, XK_slash},
      {vkx::VK_OEM_3, XK_grave},
      {vkx::VK_OEM_4, XK_bracketleft},
      {vkx::VK_OEM_5, XK_backslash},
      {vkx::VK_OEM_6, XK_bracketright},
      {vkx::VK_OEM_7, XK_apostrophe},
      {vkx::VK_SPACE, XK_space},
      {vkx::VK_RETURN, XK_Return},
      {vkx::VK_BACK, XK_BackSpace},
      {vkx::VK_TAB, XK_Tab},
      {vkx::VK_HOME, XK_Home},
      {vkx::VK_END, XK_End},
      {vkx::VK_PRIOR, XK_Prior},
      {vkx::VK_NEXT, XK_Next},
      {vkx::VK_INSERT, XK_Insert},
      {vkx::VK_F1, XK_F1},
      {vkx::VK_F12, XK_F12},
      {0x60, XK_KP_0},
      // Codes without a key.
      {0x00, NoKeysym},
      {0x07, NoKeysym},
      {0x7C, NoKeysym},
      {0xFF, NoKeysym},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(VirtualKeyToKeysym(c.vk), c.keysym) << "vk 0x" << std::hex << int{c.vk};
  }
}

struct TCharacterCase {
  uint8_t ch;
  TKeysym keysym;
};

TEST(KeysymTablesTest, cp1252Characters_mapToKeysyms) {
  const TCharacterCase cases[] = {
      {' ', XK_space},
      {'a', XK_a},
      {'~', XK_asciitilde},
      {'\r', XK_Return},
      {'\t', XK_Tab},
      {'\b', XK_BackSpace},
      {0xA0, XK_nobreakspace},
      {0xA3, XK_sterling},
      {0xE4, XK_adiaeresis},
      {0xFF, XK_ydiaeresis},
      {0x80, XK_EuroSign},
      {0x85, XK_ellipsis},
      {0x8A, XK_Scaron},
      {0x96, XK_endash},
      {0x9F, XK_Ydiaeresis},
      // No named keysym: the Unicode form.
      {0x83, UnicodeKeysym(0x0192)},
      {0x95, UnicodeKeysym(0x2022)},
      // Unassigned codes and control characters type nothing.
      {0x81, NoKeysym},
      {0x8D, NoKeysym},
      {0x8F, NoKeysym},
      {0x90, NoKeysym},
      {0x9D, NoKeysym},
      {0x00, NoKeysym},
      {'\n', NoKeysym},
      {0x1B, NoKeysym},
      {0x7F, NoKeysym},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Cp1252ToKeysym(c.ch), c.keysym) << "character 0x" << std::hex << int{c.ch};
  }
}

}  // namespace
