#pragma once

#include <cstdint>

#include "platform/Types.h"

// What the senders of packets need of the serial link: its open flag, tested before writing, and a
// write that returns when the bytes have been sent.
class ISerialLink {
 public:
  virtual ~ISerialLink() = default;

  // True after the port was opened and configured; cleared by a failed open and by a write made
  // while no link is open.
  virtual bool PortOpen() const = 0;

  // Sends count bytes. Without an open link it sends nothing and records "Com not initialized."
  // (clearing PortOpen); a failed write raises Exception("Send Error: <code>").
  virtual void Write(const uint8_t* buffer, int32_t count) = 0;
};
