#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <vector>

#include "platform/InputSynth.h"

// One synthesised input event, as a test expects it.
struct TInputEvent {
  enum class Kind { Cursor, Mouse, Key, Character };
  Kind kind = Kind::Cursor;
  int32_t a = 0;  // x, mouse flags, virtual key or character
  int32_t b = 0;  // y, dx or key flags
  int32_t c = 0;  // dy

  static TInputEvent Cursor(int32_t x, int32_t y) { return {Kind::Cursor, x, y, 0}; }
  static TInputEvent Mouse(uint32_t flags, int32_t dx = 0, int32_t dy = 0) {
    return {Kind::Mouse, static_cast<int32_t>(flags), dx, dy};
  }
  static TInputEvent KeyDown(uint8_t vk) { return {Kind::Key, vk, 0, 0}; }
  static TInputEvent KeyUp(uint8_t vk) { return {Kind::Key, vk, KEYEVENTF_KEYUP, 0}; }
  static TInputEvent Character(uint8_t ch) { return {Kind::Character, ch, 0, 0}; }

  friend bool operator==(const TInputEvent&, const TInputEvent&) = default;
  friend std::ostream& operator<<(std::ostream& out, const TInputEvent& e) {
    switch (e.kind) {
      case Kind::Cursor:
        return out << "SetCursorPos(" << e.a << ", " << e.b << ")";
      case Kind::Mouse:
        return out << "mouse_event(0x" << std::hex << e.a << std::dec << ", " << e.b << ", " << e.c
                   << ")";
      case Kind::Key:
        return out << "keybd_event(" << e.a << (e.b == KEYEVENTF_KEYUP ? ", up)" : ", down)");
      case Kind::Character:
        return out << "TypeCharacter(" << e.a << ")";
    }
    return out;
  }
};

// An input synthesiser that records every event in order. The keyboard layout answers like a US
// layout for letters, digits and the blank, and -1 for everything else; a test may replace it.
class TRecordingInput : public IInputSynth {
 public:
  std::vector<TInputEvent> events;
  std::function<int16_t(uint8_t)> layout = UsLayout;

  void SetCursorPos(int32_t x, int32_t y) override { events.push_back(TInputEvent::Cursor(x, y)); }
  void mouse_event(uint32_t flags, int32_t dx, int32_t dy) override {
    events.push_back(TInputEvent::Mouse(flags, dx, dy));
  }
  void keybd_event(uint8_t vk, uint32_t flags) override {
    events.push_back({TInputEvent::Kind::Key, vk, static_cast<int32_t>(flags), 0});
  }
  int16_t VkKeyScanA(uint8_t ch) override { return layout(ch); }
  void TypeCharacter(uint8_t ch) override { events.push_back(TInputEvent::Character(ch)); }

  static int16_t UsLayout(uint8_t ch) {
    constexpr int16_t shift = 0x100;
    if (ch >= 'a' && ch <= 'z') return static_cast<int16_t>(ch - 'a' + 'A');
    if (ch >= 'A' && ch <= 'Z') return static_cast<int16_t>(shift | ch);
    if ((ch >= '0' && ch <= '9') || ch == ' ') return ch;
    return -1;
  }
};

// An input synthesiser that does nothing, for measuring the dispatcher alone.
class TNullInput : public IInputSynth {
 public:
  void SetCursorPos(int32_t, int32_t) override {}
  void mouse_event(uint32_t, int32_t, int32_t) override {}
  void keybd_event(uint8_t, uint32_t) override {}
  int16_t VkKeyScanA(uint8_t ch) override { return ch; }
  void TypeCharacter(uint8_t) override {}
};
