#include "backends/x11/KeysymTables.h"

// The publishing group (quotation marks, dashes, daggers) is not among keysym.h's defaults.
#define XK_PUBLISHING
#include <X11/keysym.h>

#include <array>

#include "platform/InputSynth.h"

namespace {

struct TVirtualKeyEntry {
  uint8_t vk;
  TKeysym keysym;
};

// Keys other than letters and digits, which follow in ranges.
constexpr std::array kNamedKeys = {
    TVirtualKeyEntry{vkx::VK_BACK, XK_BackSpace},
    TVirtualKeyEntry{vkx::VK_TAB, XK_Tab},
    TVirtualKeyEntry{vkx::VK_RETURN, XK_Return},
    TVirtualKeyEntry{vk::VK_SHIFT, XK_Shift_L},
    TVirtualKeyEntry{vk::VK_CONTROL, XK_Control_L},
    TVirtualKeyEntry{vk::VK_MENU, XK_Alt_L},
    TVirtualKeyEntry{0x13, XK_Pause},
    TVirtualKeyEntry{0x14, XK_Caps_Lock},
    TVirtualKeyEntry{vk::VK_ESCAPE, XK_Escape},
    TVirtualKeyEntry{vkx::VK_SPACE, XK_space},
    TVirtualKeyEntry{vkx::VK_PRIOR, XK_Prior},
    TVirtualKeyEntry{vkx::VK_NEXT, XK_Next},
    TVirtualKeyEntry{vkx::VK_END, XK_End},
    TVirtualKeyEntry{vkx::VK_HOME, XK_Home},
    TVirtualKeyEntry{vk::VK_LEFT, XK_Left},
    TVirtualKeyEntry{vk::VK_UP, XK_Up},
    TVirtualKeyEntry{vk::VK_RIGHT, XK_Right},
    TVirtualKeyEntry{vk::VK_DOWN, XK_Down},
    TVirtualKeyEntry{0x2C, XK_Print},
    TVirtualKeyEntry{vkx::VK_INSERT, XK_Insert},
    TVirtualKeyEntry{vk::VK_DELETE, XK_Delete},
    TVirtualKeyEntry{0x5B, XK_Super_L},
    TVirtualKeyEntry{0x5C, XK_Super_R},
    TVirtualKeyEntry{0x5D, XK_Menu},
    TVirtualKeyEntry{0x6A, XK_KP_Multiply},
    TVirtualKeyEntry{0x6B, XK_KP_Add},
    TVirtualKeyEntry{0x6D, XK_KP_Subtract},
    TVirtualKeyEntry{0x6E, XK_KP_Decimal},
    TVirtualKeyEntry{0x6F, XK_KP_Divide},
    TVirtualKeyEntry{0x90, XK_Num_Lock},
    TVirtualKeyEntry{0x91, XK_Scroll_Lock},
    TVirtualKeyEntry{0xA0, XK_Shift_L},
    TVirtualKeyEntry{0xA1, XK_Shift_R},
    TVirtualKeyEntry{0xA2, XK_Control_L},
    TVirtualKeyEntry{0xA3, XK_Control_R},
    TVirtualKeyEntry{0xA4, XK_Alt_L},
    TVirtualKeyEntry{0xA5, XK_Alt_R},
    TVirtualKeyEntry{vkx::VK_OEM_1, XK_semicolon},
    TVirtualKeyEntry{vkx::VK_OEM_PLUS, XK_equal},
    TVirtualKeyEntry{vkx::VK_OEM_COMMA, XK_comma},
    TVirtualKeyEntry{vkx::VK_OEM_MINUS, XK_minus},
    TVirtualKeyEntry{vkx::VK_OEM_PERIOD, XK_period},
    TVirtualKeyEntry{vkx::VK_OEM_2, XK_slash},
    TVirtualKeyEntry{vkx::VK_OEM_3, XK_grave},
    TVirtualKeyEntry{vkx::VK_OEM_4, XK_bracketleft},
    TVirtualKeyEntry{vkx::VK_OEM_5, XK_backslash},
    TVirtualKeyEntry{vkx::VK_OEM_6, XK_bracketright},
    TVirtualKeyEntry{vkx::VK_OEM_7, XK_apostrophe},
};

constexpr uint8_t kNumpad0 = 0x60;
constexpr uint8_t kNumpad9 = 0x69;

bool IsLetter(uint8_t vk) {
  return vk >= 'A' && vk <= 'Z';
}
bool IsDigit(uint8_t vk) {
  return vk >= '0' && vk <= '9';
}
bool IsPunctuation(uint8_t vk) {
  return (vk >= vkx::VK_OEM_1 && vk <= vkx::VK_OEM_3) ||
         (vk >= vkx::VK_OEM_4 && vk <= vkx::VK_OEM_7);
}

// Code page 1252's 0x80-0x9F; 0 marks the unassigned codes.
constexpr std::array<uint32_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88-8F
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98-9F
};

struct TUnicodeKeysym {
  uint32_t codePoint;
  TKeysym keysym;
};

// The named keysyms of 0x80-0x9F that stand exactly for their character. The rest are typed with
// the Unicode form.
constexpr std::array kNamedHighKeysyms = {
    TUnicodeKeysym{0x20AC, XK_EuroSign},
    TUnicodeKeysym{0x201A, XK_singlelowquotemark},
    TUnicodeKeysym{0x201E, XK_doublelowquotemark},
    TUnicodeKeysym{0x2026, XK_ellipsis},
    TUnicodeKeysym{0x2020, XK_dagger},
    TUnicodeKeysym{0x2021, XK_doubledagger},
    TUnicodeKeysym{0x2030, XK_permille},
    TUnicodeKeysym{0x0160, XK_Scaron},
    TUnicodeKeysym{0x0152, XK_OE},
    TUnicodeKeysym{0x017D, XK_Zcaron},
    TUnicodeKeysym{0x2018, XK_leftsinglequotemark},
    TUnicodeKeysym{0x2019, XK_rightsinglequotemark},
    TUnicodeKeysym{0x201C, XK_leftdoublequotemark},
    TUnicodeKeysym{0x201D, XK_rightdoublequotemark},
    TUnicodeKeysym{0x2013, XK_endash},
    TUnicodeKeysym{0x2014, XK_emdash},
    TUnicodeKeysym{0x2122, XK_trademark},
    TUnicodeKeysym{0x0161, XK_scaron},
    TUnicodeKeysym{0x0153, XK_oe},
    TUnicodeKeysym{0x017E, XK_zcaron},
    TUnicodeKeysym{0x0178, XK_Ydiaeresis},
};

}  // namespace

TKeysym VirtualKeyToKeysym(uint8_t vk) {
  if (IsLetter(vk)) return XK_a + (vk - 'A');
  if (IsDigit(vk)) return XK_0 + (vk - '0');
  if (vk >= kNumpad0 && vk <= kNumpad9) return XK_KP_0 + (vk - kNumpad0);
  if (vk >= vkx::VK_F1 && vk <= vkx::VK_F12) return XK_F1 + (vk - vkx::VK_F1);
  for (const auto& entry : kNamedKeys) {
    if (entry.vk == vk) return entry.keysym;
  }
  return NoKeysym;
}

bool IsCharacterVirtualKey(uint8_t vk) {
  return IsLetter(vk) || IsDigit(vk) || IsPunctuation(vk) || vk == vkx::VK_SPACE ||
         vk == vkx::VK_RETURN || vk == vkx::VK_TAB || vk == vkx::VK_BACK;
}

uint32_t Cp1252ToUnicode(uint8_t ch) {
  if (ch >= 0x80 && ch <= 0x9F) return kCp1252High[ch - 0x80];
  return ch;
}

TKeysym Cp1252ToKeysym(uint8_t ch) {
  switch (ch) {
    case '\r':
      return XK_Return;
    case '\t':
      return XK_Tab;
    case '\b':
      return XK_BackSpace;
    default:
      break;
  }
  if ((ch >= 0x20 && ch <= 0x7E) || ch >= 0xA0) return ch;  // Latin-1 keysyms equal the code
  uint32_t codePoint = Cp1252ToUnicode(ch);
  if (ch < 0x80 || codePoint == 0) return NoKeysym;  // other control characters, unassigned codes
  for (const auto& entry : kNamedHighKeysyms) {
    if (entry.codePoint == codePoint) return entry.keysym;
  }
  return UnicodeKeysym(codePoint);
}
