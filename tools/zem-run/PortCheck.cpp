#include "tools/zem-run/PortCheck.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "zem/PortMap.h"

namespace {

// Device numbers that are terminals but not serial ports.
constexpr unsigned VirtualConsoleMajor = 4;  // minors below 64; ttyS* are 64 and up
constexpr unsigned FirstSerialMinor = 64;
constexpr unsigned TtyAuxMajor = 5;  // /dev/tty, /dev/console, /dev/ptmx
// Pseudo-terminal slaves (/dev/pts/N).
constexpr unsigned FirstPtySlaveMajor = 136;
constexpr unsigned LastPtySlaveMajor = 143;

TPortCheck Verdict(uint32_t port, const std::string& device, TPortVerdict verdict,
                   std::string detail) {
  return {verdict, port, device, std::move(detail)};
}

// A terminal that does not answer TIOCGSERIAL: a pseudo-terminal, a console, or a serial device
// whose driver lacks the request.
TPortCheck ClassifyOtherTerminal(uint32_t port, const std::string& device, dev_t number) {
  const unsigned majorNumber = major(number);
  if (majorNumber >= FirstPtySlaveMajor && majorNumber <= LastPtySlaveMajor) {
    return Verdict(port, device, TPortVerdict::Usable, "pseudo-terminal");
  }
  if ((majorNumber == VirtualConsoleMajor && minor(number) < FirstSerialMinor) ||
      majorNumber == TtyAuxMajor) {
    return Verdict(port, device, TPortVerdict::NotSerial, "a console, not a serial port");
  }
  return Verdict(port, device, TPortVerdict::Usable, "serial device");
}

}  // namespace

std::string TPortCheck::Describe() const {
  if (verdict == TPortVerdict::NoPortSaved) return "no port saved in the settings (" + detail + ")";
  return "COM" + std::to_string(port) + " is " + device + ": " + detail;
}

TPortCheck CheckSavedPort(ISettingsStore& settings) {
  const auto value = settings.ReadValue({"Software", "ZEM"}, "COM");
  if (!value) return Verdict(0, "", TPortVerdict::NoPortSaved, "no \"COM\" value");
  const auto* number = std::get_if<int64_t>(&*value);
  if (number == nullptr || *number < 1 || *number > 4) {
    return Verdict(0, "", TPortVerdict::NoPortSaved, "\"COM\" is not a port from 1 to 4");
  }
  const auto port = static_cast<uint32_t>(*number);
  return CheckDevice(port, PortDevicePath(settings, port));
}

TPortCheck CheckDevice(uint32_t port, const std::string& device) {
  struct stat info {};
  if (stat(device.c_str(), &info) != 0) {
    return Verdict(port, device, TPortVerdict::Missing, "does not exist");
  }
  if (!S_ISCHR(info.st_mode)) {
    return Verdict(port, device, TPortVerdict::NotSerial, "not a character device");
  }
  // Non-blocking, so that a port waiting for its carrier does not hold the check up.
  const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (errno == EBUSY) return Verdict(port, device, TPortVerdict::Usable, "in use by a program");
    return Verdict(port, device, TPortVerdict::Unopenable,
                   std::string("cannot be opened: ") + std::strerror(errno));
  }
  TPortCheck result;
  serial_struct serial{};
  if (!isatty(fd)) {
    result = Verdict(port, device, TPortVerdict::NotSerial, "not a terminal device");
  } else if (ioctl(fd, TIOCGSERIAL, &serial) == 0) {
    result = serial.type == PORT_UNKNOWN
                 ? Verdict(port, device, TPortVerdict::NoUart, "serial port with no UART behind it")
                 : Verdict(port, device, TPortVerdict::Usable,
                           "serial port with a UART (type " + std::to_string(serial.type) + ")");
  } else {
    result = ClassifyOtherTerminal(port, device, info.st_rdev);
  }
  close(fd);
  return result;
}
