#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/ScreenReader.h"

// A screen made of a colour function over the primary screen's rectangle. Snapshots answer
// CLR_INVALID outside the screen, as a real reader does, and every request is recorded.
class TFakeScreenReader : public IScreenReader {
 public:
  TRect screen{0, 0, 1024, 768};
  std::function<uint32_t(int32_t x, int32_t y)> colour = [](int32_t, int32_t) { return 0u; };
  std::vector<TRect> requests;

  int primaryScreenQueries = 0;

  TRect PrimaryScreen() override {
    ++primaryScreenQueries;
    return screen;
  }
  TRect Desktop() override { return screen; }

  TScreenSnapshot Snapshot(const TRect& area) override {
    requests.push_back(area);
    TScreenSnapshot snapshot;
    snapshot.area = area;
    snapshot.pixels.reserve(static_cast<std::size_t>(area.Width()) * area.Height());
    for (int32_t y = area.top; y < area.bottom; ++y) {
      for (int32_t x = area.left; x < area.right; ++x) {
        snapshot.pixels.push_back(screen.Contains(x, y) ? colour(x, y) : CLR_INVALID);
      }
    }
    return snapshot;
  }
};
