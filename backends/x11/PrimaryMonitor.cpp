#include "backends/x11/PrimaryMonitor.h"

#include <algorithm>
#include <functional>

namespace {

const TMonitor* FindMonitor(const std::vector<TMonitor>& monitors,
                            const std::function<bool(const TMonitor&)>& wanted) {
  for (const auto& monitor : monitors) {
    if (monitor.bounds.Width() > 0 && monitor.bounds.Height() > 0 && wanted(monitor)) {
      return &monitor;
    }
  }
  return nullptr;
}

}  // namespace

TRect ChoosePrimaryScreen(const std::vector<TMonitor>& monitors, unsigned long primaryOutput,
                          const TRect& root) {
  const TMonitor* chosen = FindMonitor(monitors, [](const TMonitor& m) { return m.primary; });
  if (!chosen && primaryOutput != 0) {
    chosen = FindMonitor(monitors, [primaryOutput](const TMonitor& m) {
      return std::find(m.outputs.begin(), m.outputs.end(), primaryOutput) != m.outputs.end();
    });
  }
  if (!chosen) {
    chosen = FindMonitor(monitors, [&root](const TMonitor& m) {
      return m.bounds.left == root.left && m.bounds.top == root.top;
    });
  }
  return chosen ? chosen->bounds : root;
}
