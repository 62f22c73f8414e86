#include "backends/x11/X11InputSynth.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <limits>
#include <thread>

#include "platform/Exception.h"

namespace {

constexpr unsigned int kLeftButton = 1;
constexpr unsigned int kRightButton = 3;

// Coordinates travel as 16-bit values in XTest's requests: clamp, so that a far point lands at
// the screen's edge instead of wrapping round to some other place.
int ClampToProtocol(int32_t value) {
  return std::clamp<int32_t>(value, std::numeric_limits<int16_t>::min(),
                             std::numeric_limits<int16_t>::max());
}

}  // namespace

TX11InputSynth::TX11InputSynth(TX11Display& display, TTypingPauses pauses)
    : display_(display), pauses_(pauses) {
  int eventBase = 0, errorBase = 0, major = 0, minor = 0;
  if (!XTestQueryExtension(display_.Handle(), &eventBase, &errorBase, &major, &minor)) {
    throw Exception("The X server has no XTest extension: pointer and keys cannot be synthesised");
  }
  // Keep our events flowing while another client grabs the server.
  XTestGrabControl(display_.Handle(), True);
  WatchKeymapChanges();
  LoadKeymap();
}

void TX11InputSynth::WatchKeymapChanges() {
  // Xlib takes up XKB when it opens the display, and the server then tells of keymap changes
  // through XKB's notifications instead of the core MappingNotify: ask for them.
  int opcode = 0, eventBase = 0, errorBase = 0;
  int major = XkbMajorVersion, minor = XkbMinorVersion;
  if (!XkbQueryExtension(display_.Handle(), &opcode, &eventBase, &errorBase, &major, &minor)) {
    return;  // without XKB the core MappingNotify arrives unasked
  }
  constexpr unsigned int kChanges = XkbNewKeyboardNotifyMask | XkbMapNotifyMask;
  XkbSelectEvents(display_.Handle(), XkbUseCoreKbd, kChanges, kChanges);
}

void TX11InputSynth::SetCursorPos(int32_t x, int32_t y) {
  XTestFakeMotionEvent(display_.Handle(), display_.Screen(), ClampToProtocol(x), ClampToProtocol(y),
                       CurrentTime);
  XFlush(display_.Handle());
}

void TX11InputSynth::mouse_event(uint32_t flags, int32_t dx, int32_t dy) {
  if (flags & MOUSEEVENTF_MOVE) {
    XTestFakeRelativeMotionEvent(display_.Handle(), ClampToProtocol(dx), ClampToProtocol(dy),
                                 CurrentTime);
  }
  if (flags & MOUSEEVENTF_LEFTDOWN) Button(kLeftButton, true);
  if (flags & MOUSEEVENTF_LEFTUP) Button(kLeftButton, false);
  if (flags & MOUSEEVENTF_RIGHTDOWN) Button(kRightButton, true);
  if (flags & MOUSEEVENTF_RIGHTUP) Button(kRightButton, false);
  XFlush(display_.Handle());
}

void TX11InputSynth::Button(unsigned int button, bool down) {
  XTestFakeButtonEvent(display_.Handle(), button, down ? True : False, CurrentTime);
}

void TX11InputSynth::keybd_event(uint8_t vk, uint32_t flags) {
  FollowKeymapChanges();
  int keycode = KeycodeOfVirtualKey(keymap_, vk);
  if (keycode == 0) return;  // no key for this code on the layout
  bool down = (flags & KEYEVENTF_KEYUP) == 0;
  XTestFakeKeyEvent(display_.Handle(), static_cast<unsigned int>(keycode), down ? True : False,
                    CurrentTime);
  XFlush(display_.Handle());
}

int16_t TX11InputSynth::VkKeyScanA(uint8_t ch) {
  FollowKeymapChanges();
  return ScanCharacter(keymap_, ch);
}

void TX11InputSynth::TypeCharacter(uint8_t ch) {
  FollowKeymapChanges();
  const TKeysym keysym = Cp1252ToKeysym(ch);
  if (keysym == NoKeysym) return;
  int keycode = BoundKeycodeOf(keysym);
  if (keycode == 0) {
    keycode = NextSpareKeycode();
    // The symbol on both levels: a lone letter would otherwise type its small form without Shift.
    if (keycode == 0 || !BindKeycode(keycode, {keysym, keysym})) return;
    bound_.push_back(keycode);
    std::this_thread::sleep_for(pauses_.beforePress);
  }
  TapKeycode(keycode);
}

int TX11InputSynth::BoundKeycodeOf(TKeysym keysym) const {
  for (int keycode : bound_) {
    const std::vector<TKeysym> row = keymap_.Row(keycode);
    if (row.size() >= 2 && row[0] == keysym && row[1] == keysym) return keycode;
  }
  return 0;
}

int TX11InputSynth::NextSpareKeycode() {
  const std::vector<int> empty = keymap_.SpareKeycodes();
  if (!empty.empty()) return empty.front();
  if (bound_.empty()) return 0;
  const int oldest = bound_.front();
  bound_.erase(bound_.begin());
  return oldest;
}

TX11InputSynth::~TX11InputSynth() {
  for (int keycode : bound_) BindKeycode(keycode, {});
}

bool TX11InputSynth::BindKeycode(int keycode, const std::vector<TKeysym>& keysyms) {
  std::vector<TKeysym> row(keymap_.KeysymsPerKeycode(), NoKeysym);
  std::copy_n(keysyms.begin(), std::min(keysyms.size(), row.size()), row.begin());
  TX11ErrorTrap trap(display_);
  XChangeKeyboardMapping(display_.Handle(), keycode, keymap_.KeysymsPerKeycode(), row.data(), 1);
  if (trap.SyncFailed()) return false;
  keymap_.SetRow(keycode, row);
  return true;
}

void TX11InputSynth::TapKeycode(int keycode) {
  auto code = static_cast<unsigned int>(keycode);
  XTestFakeKeyEvent(display_.Handle(), code, True, CurrentTime);
  XTestFakeKeyEvent(display_.Handle(), code, False, CurrentTime);
  XFlush(display_.Handle());
}

void TX11InputSynth::LoadKeymap() {
  Display* display = display_.Handle();
  int minKeycode = 0, maxKeycode = 0, perKeycode = 0;
  XDisplayKeycodes(display, &minKeycode, &maxKeycode);
  int count = maxKeycode - minKeycode + 1;
  KeySym* keysyms =
      XGetKeyboardMapping(display, static_cast<KeyCode>(minKeycode), count, &perKeycode);
  if (!keysyms) {
    keymap_ = TX11Keymap();
    return;
  }
  keymap_ = TX11Keymap(minKeycode, perKeycode,
                       std::vector<TKeysym>(keysyms, keysyms + count * perKeycode));
  XFree(keysyms);
}

void TX11InputSynth::FollowKeymapChanges() {
  const uint64_t changes = display_.ChangeCount();
  if (changes == seenChanges_) return;
  seenChanges_ = changes;
  LoadKeymap();
}
