#include "backends/serial_posix/PosixSerialPortFactory.h"

#include <exception>
#include <utility>

#include "backends/serial_posix/PosixSerialDevice.h"

std::string TPosixSerialPortFactory::DefaultDeviceName(uint32_t port) {
  if (port == 0) return "";
  return "/dev/ttyS" + std::to_string(port - 1);
}

void TPosixSerialPortFactory::SetDeviceMapping(TDeviceMapping mapping) {
  mapping_ = std::move(mapping);
}

std::string TPosixSerialPortFactory::DeviceName(uint32_t port) {
  if (!mapping_) return DefaultDeviceName(port);
  // The mapping comes from outside (a settings file): a failure means that the port is unknown.
  try {
    return mapping_(port);
  } catch (const std::exception&) {
    return "";
  }
}

std::unique_ptr<ISerialDevice> TPosixSerialPortFactory::Open(uint32_t port) {
  const std::string path = DeviceName(port);
  if (path.empty()) return nullptr;
  return TPosixSerialDevice::Open(path);
}
