#pragma once

#include <cstdint>
#include <string>

#include "platform/SettingsStore.h"

// The device a port number stands for: the string value "COM<n>" of the key Software\ZEM\Ports in
// the user's settings, or /dev/ttyS<n-1> when there is none.
std::string PortDevicePath(ISettingsStore& settings, uint32_t port);
