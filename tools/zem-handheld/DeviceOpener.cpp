#include "tools/zem-handheld/DeviceOpener.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "backends/serial_posix/PosixSerialPortFactory.h"
#include "platform/Exception.h"
#include "tools/zem-handheld/DeviceLine.h"

namespace handheld {

namespace {

// The serial backend only says whether a port opened; these checks find out why it did not.
void CheckUsable(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    throw Exception("no such device: " + path + " (" + std::strerror(errno) + ")");
  }
  if (!S_ISCHR(info.st_mode)) throw Exception(path + " is not a character device");
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (errno == EBUSY) throw Exception("device busy: " + path + " is in use by another program");
    throw Exception("cannot open " + path + ": " + std::strerror(errno));
  }
  const bool locked = flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  close(fd);
  if (locked) throw Exception("device busy: " + path + " is in use by another program");
}

}  // namespace

std::unique_ptr<ILine> DeviceOpener::Open(const std::string& path) {
  CheckUsable(path);
  // The serial backend opens ports by number: port 1 stands for the path given.
  TPosixSerialPortFactory factory;
  factory.SetDeviceMapping([path](uint32_t port) { return port == 1 ? path : std::string(); });
  std::unique_ptr<ISerialDevice> device = factory.Open(1);
  if (!device) {
    throw Exception("cannot open " + path + " (in use by another program, or not a serial device)");
  }
  return std::make_unique<DeviceLine>(std::move(device), path);
}

}  // namespace handheld
