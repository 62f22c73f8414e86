#pragma once

#include <cstdint>
#include <string>

#include "platform/SettingsStore.h"

// Whether the port that ZEM will open at start has a device behind it: the saved port number
// ("COM" of Software\ZEM) and the device it stands for (the port map), checked on the system.
enum class TPortVerdict {
  Usable,       // a serial device (or a pseudo-terminal someone set up on purpose)
  NoPortSaved,  // no "COM" of 1 to 4: ZEM opens nothing
  Missing,      // the device path does not exist
  NotSerial,    // it exists but is no serial port (a file, a console, ...)
  NoUart,       // a serial port of the kernel with no UART behind it
  Unopenable,   // it exists but cannot be opened (permission, no such device)
};

struct TPortCheck {
  TPortVerdict verdict = TPortVerdict::NoPortSaved;
  uint32_t port = 0;   // 1..4, 0 when none is saved
  std::string device;  // empty when no port is saved
  std::string detail;  // what was found, in words

  bool Usable() const { return verdict == TPortVerdict::Usable; }
  // One line for the user, e.g. "COM1 is /dev/ttyS0: serial port with a UART (type 4)".
  std::string Describe() const;
};

// Checks the port saved in the settings.
TPortCheck CheckSavedPort(ISettingsStore& settings);

// Checks one device path for the given port number.
TPortCheck CheckDevice(uint32_t port, const std::string& device);
