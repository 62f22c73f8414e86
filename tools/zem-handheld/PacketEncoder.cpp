#include "tools/zem-handheld/PacketEncoder.h"

#include "protocol/Packets.h"

namespace handheld {

namespace {
std::string Bytes(uint8_t b0, uint8_t b1, uint8_t b2) {
  return std::string{static_cast<char>(b0), static_cast<char>(b1), static_cast<char>(b2)};
}
}  // namespace

std::string PacketEncoder::Pen(uint16_t x, uint8_t y) {
  return Bytes(static_cast<uint8_t>(x >> 8), static_cast<uint8_t>(x & 0xFF), y);
}

std::string PacketEncoder::Move(int8_t dx, int8_t dy) {
  return Bytes(0, static_cast<uint8_t>(dx), static_cast<uint8_t>(dy));
}

std::string PacketEncoder::Command(uint8_t code, uint8_t argument) {
  return Bytes(CommandMarker, code, argument);
}

}  // namespace handheld
