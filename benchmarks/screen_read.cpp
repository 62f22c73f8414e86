// Measures how long the X11 backend takes to read a part of the screen: the handheld-sized capture
// area (640 x 240) and a full-HD area clipped to the screen. Each figure is the median of many
// snapshots, taken after a first snapshot that sets up the shared-memory segment; the first one is
// reported apart. The last line is `screen_read window_us=<n> large_us=<n>`.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "backends/x11/X11Display.h"
#include "backends/x11/X11ScreenReader.h"
#include "platform/Exception.h"

namespace {

using Clock = std::chrono::steady_clock;

double MicrosecondsOf(TX11ScreenReader& reader, const TRect& area) {
  auto start = Clock::now();
  TScreenSnapshot snapshot = reader.Snapshot(area);
  auto end = Clock::now();
  if (snapshot.pixels.empty()) std::printf("empty snapshot\n");
  return std::chrono::duration<double, std::micro>(end - start).count();
}

double MedianMicroseconds(TX11ScreenReader& reader, const TRect& area, int runs) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) times.push_back(MicrosecondsOf(reader, area));
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

struct TFigures {
  double firstUs;
  double windowUs;
  double largeUs;
};

TFigures Measure(TX11Display& display, bool useSharedMemory, const TRect& window,
                 const TRect& large, int runs) {
  TX11ScreenReader reader(display, useSharedMemory);
  TFigures figures{};
  figures.firstUs = MicrosecondsOf(reader, large);  // creates the segment large enough for both
  figures.windowUs = MedianMicroseconds(reader, window, runs);
  figures.largeUs = MedianMicroseconds(reader, large, runs);
  return figures;
}

}  // namespace

int main() {
  try {
    TX11Display display;
    const TRect window{206, 220, 206 + 640, 220 + 240};
    const TRect large{0, 0, 1920, 1080};
    TX11ScreenReader probe(display);
    TRect screen = probe.PrimaryScreen();
    std::printf("screen %d x %d; the 1920 x 1080 area is clipped to it\n", screen.Width(),
                screen.Height());

    TFigures plain = Measure(display, false, window, large, 30);
    std::printf("XGetImage:   640x240 %.0f us, large %.0f us (median)\n", plain.windowUs,
                plain.largeUs);
    TFigures shared = Measure(display, true, window, large, 300);
    std::printf("XShmGetImage: first snapshot on a new segment %.0f us\n", shared.firstUs);
    std::printf("XShmGetImage: 640x240 %.0f us, large %.0f us (median, with conversion)\n",
                shared.windowUs, shared.largeUs);
    std::printf("screen_read window_us=%.0f large_us=%.0f\n", shared.windowUs, shared.largeUs);
    return 0;
  } catch (const Exception& error) {
    std::printf("screen_read: no measurement, the screen cannot be read here: %s\n", error.what());
    return 0;
  }
}
