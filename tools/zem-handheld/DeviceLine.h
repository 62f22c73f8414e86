#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "platform/SerialDevice.h"
#include "tools/zem-handheld/Line.h"

namespace handheld {

// A real serial device, through the platform's serial device: set to 115000 baud 8N1, with short
// read timeouts so that bytes are handed on as soon as they arrive.
class DeviceLine : public ILine {
 public:
  static constexpr uint32_t Baud = 115000;

  // Takes an open device and configures it. Raises Exception when it cannot be configured.
  DeviceLine(std::unique_ptr<ISerialDevice> device, std::string name);

  size_t Read(uint8_t* buffer, size_t count) override;
  void Write(const uint8_t* data, size_t count) override;
  void Interrupt() override;

 private:
  std::unique_ptr<ISerialDevice> device_;
  std::string name_;
  std::atomic<bool> interrupted_{false};
};

}  // namespace handheld
