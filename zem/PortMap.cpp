#include "zem/PortMap.h"

std::string PortDevicePath(ISettingsStore& settings, uint32_t port) {
  const auto value = settings.ReadValue({"Software", "ZEM", "Ports"}, "COM" + std::to_string(port));
  if (value) {
    if (const auto* path = std::get_if<std::string>(&*value); path && !path->empty()) return *path;
  }
  if (port == 0) return "";  // no such port
  return "/dev/ttyS" + std::to_string(port - 1);
}
