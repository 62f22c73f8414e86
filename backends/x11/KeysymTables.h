#pragma once

#include <cstdint>

// An X keysym, held without Xlib's headers (it is Xlib's KeySym).
using TKeysym = unsigned long;
constexpr TKeysym NoKeysym = 0;

// Virtual-key codes beyond the few the dispatcher names (platform/InputSynth.h), with the classic
// desktop values the handheld's keys arrive as.
namespace vkx {
constexpr uint8_t VK_BACK = 0x08;
constexpr uint8_t VK_TAB = 0x09;
constexpr uint8_t VK_RETURN = 0x0D;
constexpr uint8_t VK_SPACE = 0x20;
constexpr uint8_t VK_PRIOR = 0x21;  // Page Up
constexpr uint8_t VK_NEXT = 0x22;   // Page Down
constexpr uint8_t VK_END = 0x23;
constexpr uint8_t VK_HOME = 0x24;
constexpr uint8_t VK_INSERT = 0x2D;
constexpr uint8_t VK_F1 = 0x70;
constexpr uint8_t VK_F12 = 0x7B;
constexpr uint8_t VK_OEM_1 = 0xBA;       // ;
constexpr uint8_t VK_OEM_PLUS = 0xBB;    // =
constexpr uint8_t VK_OEM_COMMA = 0xBC;   // ,
constexpr uint8_t VK_OEM_MINUS = 0xBD;   // -
constexpr uint8_t VK_OEM_PERIOD = 0xBE;  // .
constexpr uint8_t VK_OEM_2 = 0xBF;       // /
constexpr uint8_t VK_OEM_3 = 0xC0;       // `
constexpr uint8_t VK_OEM_4 = 0xDB;       // [
constexpr uint8_t VK_OEM_5 = 0xDC;       // backslash
constexpr uint8_t VK_OEM_6 = 0xDD;       // ]
constexpr uint8_t VK_OEM_7 = 0xDE;       // '
}  // namespace vkx

// The keysym of the key a virtual-key code stands for: for letters, digits and punctuation the
// symbol the key types without Shift on a US layout. NoKeysym for codes without a key.
TKeysym VirtualKeyToKeysym(uint8_t vk);

// True for the virtual keys that type a character (letters, digits, punctuation, space, Return,
// Tab, Backspace): the candidates when looking for the virtual key that types a character.
bool IsCharacterVirtualKey(uint8_t vk);

// The Unicode code point of a code page 1252 character; 0 for the five unassigned codes.
uint32_t Cp1252ToUnicode(uint8_t ch);

// The keysym that types a code page 1252 character: the Latin-1 keysym (equal to the code) for
// 0x20-0x7E and 0xA0-0xFF, the named keysym or the Unicode keysym for 0x80-0x9F, and Return, Tab
// and BackSpace for '\r', '\t' and '\b'. NoKeysym for every other control character and for the
// unassigned codes.
TKeysym Cp1252ToKeysym(uint8_t ch);

// The keysym form that stands for any Unicode code point: 0x01000000 + code point.
constexpr TKeysym UnicodeKeysym(uint32_t codePoint) {
  return 0x01000000UL + codePoint;
}
