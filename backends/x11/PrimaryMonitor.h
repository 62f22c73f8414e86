#pragma once

#include <vector>

#include "platform/Types.h"

// A monitor as RandR describes it, in root coordinates.
struct TMonitor {
  TRect bounds;
  bool primary = false;
  std::vector<unsigned long> outputs;  // RandR output ids
};

// The rectangle that stands for the primary screen: the monitor RandR marks primary, else the one
// showing the primary output, else the one at the root's origin (where the primary screen sits on
// the classic desktop), else the whole root window. Monitors without area are passed over.
TRect ChoosePrimaryScreen(const std::vector<TMonitor>& monitors, unsigned long primaryOutput,
                          const TRect& root);
