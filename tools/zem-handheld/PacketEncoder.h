#pragma once

#include <cstdint>
#include <string>

namespace handheld {

// Builds the 3-byte packets that the handheld sends. Values are not range-checked here: the
// command parser decides what it accepts, so that out-of-range packets can still be built on
// purpose.
class PacketEncoder {
 public:
  // Absolute pen position: x big-endian in bytes 0-1, y in byte 2.
  static std::string Pen(uint16_t x, uint8_t y);
  // Relative pen movement: byte 0 is 0 (a pen packet), dx and dy as signed bytes.
  static std::string Move(int8_t dx, int8_t dy);
  // Command packet FF, code, argument.
  static std::string Command(uint8_t code, uint8_t argument);
};

}  // namespace handheld
