#include "backends/x11/X11Keymap.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <array>
#include <type_traits>

static_assert(std::is_same_v<TKeysym, KeySym>, "TKeysym must be Xlib's KeySym");

TX11Keymap::TX11Keymap(int minKeycode, int keysymsPerKeycode, std::vector<TKeysym> keysyms)
    : minKeycode_(minKeycode),
      perKeycode_(keysymsPerKeycode > 0 ? keysymsPerKeycode : 0),
      keysyms_(std::move(keysyms)) {
  if (perKeycode_ == 0) {
    keysyms_.clear();
    return;
  }
  keysyms_.resize(keysyms_.size() / perKeycode_ * perKeycode_);  // whole rows only
}

int TX11Keymap::MaxKeycode() const {
  if (perKeycode_ == 0) return minKeycode_ - 1;
  return minKeycode_ + static_cast<int>(keysyms_.size() / perKeycode_) - 1;
}

TKeysym TX11Keymap::At(int keycode, int column) const {
  if (!Holds(keycode) || column < 0 || column >= perKeycode_) return NoKeysym;
  return keysyms_[static_cast<std::size_t>(keycode - minKeycode_) * perKeycode_ + column];
}

std::vector<TKeysym> TX11Keymap::Row(int keycode) const {
  std::vector<TKeysym> row;
  for (int column = 0; column < perKeycode_; ++column) row.push_back(At(keycode, column));
  return row;
}

void TX11Keymap::SetRow(int keycode, const std::vector<TKeysym>& keysyms) {
  if (!Holds(keycode)) return;
  std::size_t start = static_cast<std::size_t>(keycode - minKeycode_) * perKeycode_;
  for (int column = 0; column < perKeycode_; ++column) {
    keysyms_[start + column] =
        static_cast<std::size_t>(column) < keysyms.size() ? keysyms[column] : NoKeysym;
  }
}

TKeysym TX11Keymap::SymbolAtLevel(int keycode, int level) const {
  TKeysym unshifted = At(keycode, 0);
  if (level == 0) return unshifted;
  TKeysym shifted = At(keycode, 1);
  if (shifted != NoKeysym || unshifted == NoKeysym) return shifted;
  KeySym lower = NoSymbol;
  KeySym upper = NoSymbol;
  XConvertCase(unshifted, &lower, &upper);
  return upper;
}

int TX11Keymap::KeycodeOf(TKeysym keysym) const {
  if (keysym == NoKeysym) return 0;
  for (int column = 0; column < perKeycode_; ++column) {
    for (int keycode = minKeycode_; keycode <= MaxKeycode(); ++keycode) {
      if (At(keycode, column) == keysym) return keycode;
    }
  }
  return 0;
}

std::vector<int> TX11Keymap::SpareKeycodes() const {
  std::vector<int> spare;
  for (int keycode = minKeycode_; keycode <= MaxKeycode(); ++keycode) {
    bool empty = true;
    for (int column = 0; column < perKeycode_ && empty; ++column) {
      empty = At(keycode, column) == NoKeysym;
    }
    if (empty) spare.push_back(keycode);
  }
  return spare;
}

int KeycodeOfVirtualKey(const TX11Keymap& keymap, uint8_t vk) {
  return keymap.KeycodeOf(VirtualKeyToKeysym(vk));
}

namespace {

// The virtual key whose key is the keycode, among those that type characters; 0 when none is.
uint8_t CharacterVirtualKeyOf(const TX11Keymap& keymap, int keycode) {
  for (int vk = 1; vk <= 0xFF; ++vk) {
    uint8_t code = static_cast<uint8_t>(vk);
    if (IsCharacterVirtualKey(code) && KeycodeOfVirtualKey(keymap, code) == keycode) return code;
  }
  return 0;
}

}  // namespace

int16_t ScanCharacter(const TX11Keymap& keymap, uint8_t ch) {
  TKeysym named = Cp1252ToKeysym(ch);
  if (named == NoKeysym) return -1;
  // A layout may carry a character under its Unicode keysym rather than its named one.
  std::array<TKeysym, 2> wanted = {named, UnicodeKeysym(Cp1252ToUnicode(ch))};
  for (int level = 0; level <= 1; ++level) {
    for (int keycode = keymap.MinKeycode(); keycode <= keymap.MaxKeycode(); ++keycode) {
      TKeysym symbol = keymap.SymbolAtLevel(keycode, level);
      if (symbol == NoKeysym || (symbol != wanted[0] && symbol != wanted[1])) continue;
      uint8_t vk = CharacterVirtualKeyOf(keymap, keycode);
      if (vk != 0) return static_cast<int16_t>(level << 8 | vk);
    }
  }
  return -1;
}
