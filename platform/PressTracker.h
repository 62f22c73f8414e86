#pragma once

#include <cstdint>
#include <vector>

#include "platform/InputSynth.h"

// Passes every call on to another input synthesiser and keeps track of the keys and mouse buttons
// that went down and have not come up again. A press outlives the packet that made it and lasts
// until its release arrives; ReleaseAll, called when the program ends, makes sure none is left
// down for good. Main thread only, like the calls it passes on.
class TPressTracker : public IInputSynth {
 public:
  explicit TPressTracker(IInputSynth& inner) : inner_(inner) {}

  void SetCursorPos(int32_t x, int32_t y) override { inner_.SetCursorPos(x, y); }
  void mouse_event(uint32_t flags, int32_t dx, int32_t dy) override;
  void keybd_event(uint8_t vk, uint32_t flags) override;
  int16_t VkKeyScanA(uint8_t ch) override { return inner_.VkKeyScanA(ch); }
  // Types and releases its key itself: nothing stays down.
  void TypeCharacter(uint8_t ch) override { inner_.TypeCharacter(ch); }

  // Sends the release of every key and button that is down, the latest press first, and forgets
  // them. When a release fails the others are still sent, and the first error is raised after.
  void ReleaseAll();

  bool KeyDown(uint8_t vk) const;
  // button: MOUSEEVENTF_LEFTDOWN or MOUSEEVENTF_RIGHTDOWN.
  bool ButtonDown(uint32_t button) const;

 private:
  struct TPress {
    bool isButton;
    uint32_t code;  // the virtual key, or the button's down flag
    friend bool operator==(const TPress&, const TPress&) = default;
  };

  void Pressed(TPress press);
  void Released(TPress press);
  bool IsDown(TPress press) const;
  void SendRelease(TPress press);

  IInputSynth& inner_;
  std::vector<TPress> down_;  // in the order pressed
};
