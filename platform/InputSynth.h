#pragma once

#include <cstdint>

// Virtual-key codes, mouse flags and key flags as the handheld's protocol and the dispatcher use
// them (the classic desktop values); a backend translates them to its own input system.
namespace vk {
constexpr uint8_t VK_SHIFT = 16;
constexpr uint8_t VK_CONTROL = 17;
constexpr uint8_t VK_MENU = 18;  // Alt
constexpr uint8_t VK_ESCAPE = 27;
constexpr uint8_t VK_LEFT = 37;
constexpr uint8_t VK_UP = 38;
constexpr uint8_t VK_RIGHT = 39;
constexpr uint8_t VK_DOWN = 40;
constexpr uint8_t VK_DELETE = 46;
}  // namespace vk

constexpr uint32_t MOUSEEVENTF_MOVE = 0x0001;
constexpr uint32_t MOUSEEVENTF_LEFTDOWN = 0x0002;
constexpr uint32_t MOUSEEVENTF_LEFTUP = 0x0004;
constexpr uint32_t MOUSEEVENTF_RIGHTDOWN = 0x0008;
constexpr uint32_t MOUSEEVENTF_RIGHTUP = 0x0010;
constexpr uint32_t KEYEVENTF_KEYUP = 0x0002;

// Synthesised input on the PC, in desktop pixel coordinates.
class IInputSynth {
 public:
  virtual ~IInputSynth() = default;

  // Places the pointer at a desktop point.
  virtual void SetCursorPos(int32_t x, int32_t y) = 0;
  // MOUSEEVENTF_MOVE with signed deltas (a relative move), or one button flag with dx = dy = 0.
  virtual void mouse_event(uint32_t flags, int32_t dx, int32_t dy) = 0;
  // One transition of a virtual key: flags 0 for down, KEYEVENTF_KEYUP for up.
  virtual void keybd_event(uint8_t vk, uint32_t flags) = 0;
  // The key that types ch (a character of code page 1252) under the current layout: virtual-key
  // code in the low byte, shift state in the high byte; -1 when no key types it.
  virtual int16_t VkKeyScanA(uint8_t ch) = 0;
  // Types a character of code page 1252 that no key of the layout types.
  virtual void TypeCharacter(uint8_t ch) = 0;
};
