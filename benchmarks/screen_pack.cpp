// Measures packing the 640 x 240 image from an in-memory snapshot: a capture area of the design
// size, and the full 1920 x 1080 screen. Figures are medians in microseconds.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "protocol/Packets.h"
#include "zem/ScreenTransfer.h"

namespace {

TScreenSnapshot Snapshot(const TRect& area) {
  TScreenSnapshot snapshot;
  snapshot.area = area;
  snapshot.pixels.resize(static_cast<std::size_t>(area.Width()) * area.Height());
  uint32_t colour = 0x12345;
  for (uint32_t& pixel : snapshot.pixels) {
    colour = colour * 1664525u + 1013904223u;
    pixel = colour & 0x00FFFFFF;
  }
  return snapshot;
}

double MedianMicroseconds(const TMappingInputs& inputs, const TScreenSnapshot& snapshot) {
  std::vector<uint8_t> image(ScreenImageSize);
  std::vector<double> runs;
  unsigned checksum = 0;
  for (int i = 0; i < 201; ++i) {
    const auto start = std::chrono::steady_clock::now();
    PackScreenImage(inputs, snapshot, image.data());
    const auto stop = std::chrono::steady_clock::now();
    runs.push_back(std::chrono::duration<double, std::micro>(stop - start).count());
    checksum += image[i * 97];
  }
  std::sort(runs.begin(), runs.end());
  std::printf("  min %.1f us, median %.1f us, max %.1f us (checksum %u)\n", runs.front(),
              runs[runs.size() / 2], runs.back(), checksum);
  return runs[runs.size() / 2];
}

}  // namespace

int main() {
  const TRect screen{0, 0, 1920, 1080};
  const TMappingInputs window{202, 177, 640, 240, true, false, screen};
  const TMappingInputs fullScreen{202, 177, 640, 240, true, true, screen};

  std::printf("window 640 x 240:\n");
  const double windowUs = MedianMicroseconds(window, Snapshot(SampledArea(window)));
  std::printf("full screen 1920 x 1080:\n");
  const double fullUs = MedianMicroseconds(fullScreen, Snapshot(screen));

  std::printf("screen_pack window_us=%.0f fullscreen_us=%.0f\n", windowUs, fullUs);
  return 0;
}
