#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/SerialDevice.h"

// Opens the port "COM" followed by n as a Linux serial device. Which device a port number stands
// for is a mapping the owner can set (for instance from the settings file); by default COMn is
// /dev/ttyS{n-1}.
class TPosixSerialPortFactory : public ISerialPortFactory {
 public:
  // The device path of a port number; an empty path means that the port does not exist.
  using TDeviceMapping = std::function<std::string(uint32_t port)>;

  // /dev/ttyS0 for COM1, /dev/ttyS1 for COM2, ...; empty for 0.
  static std::string DefaultDeviceName(uint32_t port);

  // An empty mapping restores the default.
  void SetDeviceMapping(TDeviceMapping mapping);

  std::unique_ptr<ISerialDevice> Open(uint32_t port) override;
  std::string DeviceName(uint32_t port) override;

 private:
  TDeviceMapping mapping_;
};
