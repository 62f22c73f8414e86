#pragma once

#include <memory>
#include <string>

#include "tools/zem-handheld/Line.h"

namespace handheld {

// Opens a real serial device by its path, exclusively, as a configured line. Tells a missing device
// from a busy one.
class DeviceOpener {
 public:
  // Raises Exception with the reason when the device cannot be used.
  static std::unique_ptr<ILine> Open(const std::string& path);
};

}  // namespace handheld
