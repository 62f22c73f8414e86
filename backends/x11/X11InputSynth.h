#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

#include "backends/x11/X11Display.h"
#include "backends/x11/X11Keymap.h"
#include "platform/InputSynth.h"

// The pause between binding a character to a spare keycode and pressing it. Clients read the keymap
// change and the key press asynchronously; without the pause they miss the character (measured with
// a Qt text field: none arrived at 0 ms, all with ~5 ms).
struct TTypingPauses {
  std::chrono::milliseconds beforePress{5};
};

// Synthesised pointer and keyboard input through the XTest extension. Every call sends its events
// at once; none of them raises, since an input call that fails must not end the link.
class TX11InputSynth : public IInputSynth {
 public:
  // Raises Exception when the server has no XTest extension.
  explicit TX11InputSynth(TX11Display& display, TTypingPauses pauses = {});
  // Gives back the spare keycodes that characters were bound to.
  ~TX11InputSynth() override;

  TX11InputSynth(const TX11InputSynth&) = delete;
  TX11InputSynth& operator=(const TX11InputSynth&) = delete;

  void SetCursorPos(int32_t x, int32_t y) override;
  void mouse_event(uint32_t flags, int32_t dx, int32_t dy) override;
  void keybd_event(uint8_t vk, uint32_t flags) override;
  int16_t VkKeyScanA(uint8_t ch) override;
  void TypeCharacter(uint8_t ch) override;

 private:
  void WatchKeymapChanges();
  void LoadKeymap();
  // Reloads the keymap when the server reported a change of it (another layout, or our own binds).
  void FollowKeymapChanges();
  void Button(unsigned int button, bool down);
  bool BindKeycode(int keycode, const std::vector<TKeysym>& keysyms);
  void TapKeycode(int keycode);
  // The spare keycode that holds keysym from an earlier TypeCharacter, or 0.
  int BoundKeycodeOf(TKeysym keysym) const;
  // A keycode to bind a new character to: an empty one, else the one bound longest ago; 0 if none.
  int NextSpareKeycode();

  TX11Display& display_;
  TTypingPauses pauses_;
  TX11Keymap keymap_;
  // Keycodes this synthesiser bound characters to, oldest first. A binding stays until its keycode
  // is needed again or the synthesiser goes: a client that looks the keysym up late (after reading
  // the mapping change, under load) still finds it.
  std::vector<int> bound_;
  uint64_t seenChanges_ = 0;  // the display's change count when the keymap was loaded
};
