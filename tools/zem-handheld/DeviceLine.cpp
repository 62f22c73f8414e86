#include "tools/zem-handheld/DeviceLine.h"

#include <algorithm>
#include <cstdint>

#include "platform/Exception.h"

namespace handheld {

DeviceLine::DeviceLine(std::unique_ptr<ISerialDevice> device, std::string name)
    : device_(std::move(device)), name_(std::move(name)) {
  TCommState state;
  if (!device_->GetCommState(state)) throw Exception("cannot read the settings of " + name_);
  state.BaudRate = Baud;
  state.ByteSize = 8;
  state.Parity = 0;    // none
  state.StopBits = 0;  // one
  if (!device_->SetCommState(state)) {
    throw Exception("cannot set " + name_ + " to 115000 baud 8N1");
  }
  TCommTimeouts timeouts;
  if (!device_->GetCommTimeouts(timeouts)) throw Exception("cannot read the timeouts of " + name_);
  // After the first byte, a read ends 1 ms after the last byte or 2 ms after the first.
  timeouts.ReadIntervalTimeout = 1;
  timeouts.ReadTotalTimeoutMultiplier = 0;
  timeouts.ReadTotalTimeoutConstant = 2;
  if (!device_->SetCommTimeouts(timeouts)) throw Exception("cannot set the timeouts of " + name_);
}

size_t DeviceLine::Read(uint8_t* buffer, size_t count) {
  const auto want = static_cast<uint32_t>(std::min<size_t>(count, UINT32_MAX));
  while (!interrupted_) {
    const TIoResult result = device_->Read(buffer, want);
    if (!result.ok) {
      throw Exception("read error on " + name_ + ": " + std::to_string(result.errorCode));
    }
    if (result.count > 0) return result.count;
  }
  return 0;
}

void DeviceLine::Write(const uint8_t* data, size_t count) {
  const TIoResult result = device_->Write(data, static_cast<uint32_t>(count));
  if (!result.ok) {
    throw Exception("write error on " + name_ + ": " + std::to_string(result.errorCode));
  }
  if (result.count != count) {
    throw Exception("write error on " + name_ + ": " + std::to_string(result.count) + " of " +
                    std::to_string(count) + " bytes sent");
  }
}

void DeviceLine::Interrupt() {
  interrupted_ = true;
  device_->SignalReadEvent();
}

}  // namespace handheld
