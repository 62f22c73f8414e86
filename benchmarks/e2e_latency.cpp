// e2e_latency: how long a pen packet takes from the handheld's line to the X pointer. zempc runs on
// the current display with a pseudo-terminal as its port; each packet's motion is seen as an
// XInput 2 raw motion event, and the time runs from the write of the packet's last byte to the
// arrival of that event. Packets go one at a time, 1 ms apart, alternating between two points.
//
// ZEM_BENCH_PACKETS sets the number of packets (default 2000).

#include <chrono>
#include <cstdio>
#include <exception>
#include <memory>
#include <thread>
#include <vector>

#include "benchmarks/e2e_common.h"
#include "tests/e2e/support/MotionWatcher.h"
#include "tests/e2e/support/XSession.h"
#include "tests/e2e/support/ZemUnderTest.h"

using namespace e2e;

namespace {

constexpr auto LostAfter = std::chrono::seconds(1);

struct TResult {
  std::vector<double> latenciesUs;
  int lost = 0;
  TXPoint lastExpected;
};

TResult Measure(TZemUnderTest& zem, TMotionWatcher& motion, long count) {
  // Two handheld points and where they land in the capture area at the design geometry.
  const TXPoint handheld[2] = {{100, 60}, {540, 180}};
  const TXPoint desktop[2] = {{306, 280}, {746, 400}};
  TResult result;
  for (long i = 0; i < count; ++i) {
    const TXPoint point = handheld[i % 2];
    motion.DropPending();
    zem.Port().Write(PenPacket(point.x, point.y));
    const auto written = Clock::now();
    const auto moved = motion.NextMotion(LostAfter);
    if (moved) {
      result.latenciesUs.push_back(
          std::chrono::duration<double, std::micro>(*moved - written).count());
    } else {
      ++result.lost;
    }
    result.lastExpected = desktop[i % 2];
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return result;
}

// The X server's share: the same motions made directly through XTest from this process.
std::vector<double> DirectMotionUs(TXSession& x, TMotionWatcher& motion, long count) {
  const TXPoint desktop[2] = {{306, 280}, {746, 400}};
  std::vector<double> latencies;
  for (long i = 0; i < count; ++i) {
    motion.DropPending();
    x.MovePointer(desktop[i % 2]);
    const auto sent = Clock::now();
    if (const auto moved = motion.NextMotion(LostAfter)) {
      latencies.push_back(std::chrono::duration<double, std::micro>(*moved - sent).count());
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return latencies;
}

}  // namespace

int main() {
  using namespace e2e_bench;
  if (!TXSession::DisplayOpens()) return NotRun("e2e_latency", "no X display (set DISPLAY)");
  const long count = EnvNumber("ZEM_BENCH_PACKETS", 2000);
  std::unique_ptr<TMotionWatcher> watcher;
  try {
    watcher = std::make_unique<TMotionWatcher>();
  } catch (const std::exception& error) {
    return NotRun("e2e_latency", error.what());
  }
  TMotionWatcher& motion = *watcher;
  try {
    TXSession x;
    TZemUnderTest zem(x);
    Measure(zem, motion, 50);  // warm-up: first use of every code path
    const TResult result = Measure(zem, motion, count);
    const bool landed = x.Pointer() == result.lastExpected;
    const std::vector<double> direct = DirectMotionUs(x, motion, 500);

    const auto& l = result.latenciesUs;
    std::printf(
        "%ld pen packets, one at a time, 1 ms apart, through a pseudo-terminal into zempc\n",
        count);
    std::printf(
        "write of the last byte -> XInput 2 raw motion event (us): min %.0f  p50 %.0f  "
        "p90 %.0f  p99 %.0f  max %.0f\n",
        Percentile(l, 0), Percentile(l, 50), Percentile(l, 90), Percentile(l, 99),
        Percentile(l, 100));
    std::printf(
        "of which the X server's part, the same motion sent directly through XTest (us): "
        "p50 %.0f  p99 %.0f\n",
        Percentile(direct, 50), Percentile(direct, 99));
    std::printf("lost (no motion within 1 s): %d; last point %s\n", result.lost,
                landed ? "reached exactly" : "NOT reached");
    std::printf("e2e_latency p50_us=%.0f p99_us=%.0f lost=%d\n", Percentile(l, 50),
                Percentile(l, 99), result.lost);
    return 0;
  } catch (const std::exception& error) {
    std::printf("e2e_latency: failed: %s\n", error.what());
    return 1;
  }
}
