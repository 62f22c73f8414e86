#pragma once

#include <cstdint>
#include <vector>

#include "backends/x11/KeysymTables.h"

// A copy of the server's core keyboard mapping: for each keycode a row of keysyms, column 0 the
// unshifted symbol and column 1 the shifted one of the first group. Lookups are local, so a key
// event costs no round trip to the server.
class TX11Keymap {
 public:
  TX11Keymap() = default;
  // keysyms holds keysymsPerKeycode entries for each keycode from minKeycode on.
  TX11Keymap(int minKeycode, int keysymsPerKeycode, std::vector<TKeysym> keysyms);

  int MinKeycode() const { return minKeycode_; }
  int MaxKeycode() const;
  int KeysymsPerKeycode() const { return perKeycode_; }

  // The keysym in a column of a keycode; NoKeysym outside the table.
  TKeysym At(int keycode, int column) const;
  std::vector<TKeysym> Row(int keycode) const;
  // Replaces a keycode's row; shorter rows are filled up with NoKeysym.
  void SetRow(int keycode, const std::vector<TKeysym>& keysyms);

  // The symbol a keycode types at level 0 (unshifted) or 1 (shifted) of the first group, with the
  // core protocol's rule for a row holding only one symbol (a letter's shifted symbol is its
  // capital, anything else repeats).
  TKeysym SymbolAtLevel(int keycode, int level) const;

  // The keycode that carries the keysym, searching column by column so that a key which types the
  // symbol unshifted wins; 0 when no key carries it.
  int KeycodeOf(TKeysym keysym) const;

  // Keycodes without any keysym, free to be bound for a moment.
  std::vector<int> SpareKeycodes() const;

 private:
  bool Holds(int keycode) const { return keycode >= minKeycode_ && keycode <= MaxKeycode(); }

  int minKeycode_ = 0;
  int perKeycode_ = 0;
  std::vector<TKeysym> keysyms_;
};

// The keycode a virtual key presses under the keymap; 0 when it has none.
int KeycodeOfVirtualKey(const TX11Keymap& keymap, uint8_t vk);

// The answer to VkKeyScanA under the keymap: the virtual key that types ch in the low byte and 1 in
// the high byte when it takes Shift; -1 when no key types it unshifted or shifted. Characters that
// need a third level (AltGr) answer -1 as well, so that they are typed by binding their keysym.
int16_t ScanCharacter(const TX11Keymap& keymap, uint8_t ch);
