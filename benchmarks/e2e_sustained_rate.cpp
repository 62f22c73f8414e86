// sustained_rate: pen packets at the most the wire can carry (115000 baud, 10 bits a byte, 3 bytes
// a packet: 3833 a second) into a running zempc for a minute. A writer thread keeps to the wire's
// schedule on the pseudo-terminal; every packet moves the pointer to a new point, and each motion
// is seen as an XInput 2 raw motion event. Every packet must take effect, and the lag of a motion
// behind its packet's place in the schedule must not grow: the lag over the last second is set
// against the lag over the first.
//
// ZEM_BENCH_SECONDS sets the length of the run (default 60).

#include <atomic>
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

constexpr double PacketsPerSecond = 115000.0 / 10 / 3;
// Handheld points visited in turn, each one different from the one before, and where they land in
// the capture area at the design geometry.
const TXPoint Handheld[4] = {{10, 10}, {600, 20}, {590, 220}, {30, 200}};
const TXPoint Desktop[4] = {{216, 230}, {806, 240}, {796, 440}, {236, 420}};

using TSeconds = std::chrono::duration<double>;

// Writes the packets on the wire's schedule; when it wakes late it writes every packet that has
// fallen due at once, as a cable would have delivered them meanwhile.
class TScheduledWriter {
 public:
  TScheduledWriter(TPtyPort& port, long count) : port_(port), count_(count) {}

  void Run(Clock::time_point start) {
    long next = 0;
    while (next < count_) {
      std::this_thread::sleep_until(Due(start, next));
      TBytes batch;
      const auto now = Clock::now();
      while (next < count_ && Due(start, next) <= now && batch.size() < 3 * 64) {
        const TXPoint point = Handheld[next % 4];
        const TBytes packet = PenPacket(point.x, point.y);
        batch.insert(batch.end(), packet.begin(), packet.end());
        ++next;
      }
      port_.Write(batch);
      const double late = TSeconds(Clock::now() - Due(start, next - 1)).count();
      if (late > maxLateSeconds_) maxLateSeconds_ = late;
    }
    done_ = true;
  }

  static Clock::time_point Due(Clock::time_point start, long index) {
    return start + std::chrono::duration_cast<Clock::duration>(
                       TSeconds(static_cast<double>(index) / PacketsPerSecond));
  }

  bool Done() const { return done_; }
  double MaxLateSeconds() const { return maxLateSeconds_; }

 private:
  TPtyPort& port_;
  long count_;
  std::atomic<bool> done_{false};
  double maxLateSeconds_ = 0;
};

// Lags in milliseconds of the applied packets whose due time lies in [from, to) seconds.
std::vector<double> LagsMs(const std::vector<Clock::time_point>& motions, Clock::time_point start,
                           double from, double to) {
  std::vector<double> lags;
  for (size_t i = 0; i < motions.size(); ++i) {
    const double due = static_cast<double>(i) / PacketsPerSecond;
    if (due < from || due >= to) continue;
    lags.push_back(
        TSeconds(motions[i] - TScheduledWriter::Due(start, static_cast<long>(i))).count() * 1000);
  }
  return lags;
}

}  // namespace

int main() {
  using namespace e2e_bench;
  if (!TXSession::DisplayOpens()) return NotRun("sustained_rate", "no X display (set DISPLAY)");
  const long seconds = EnvNumber("ZEM_BENCH_SECONDS", 60);
  const long count = static_cast<long>(static_cast<double>(seconds) * PacketsPerSecond);
  std::unique_ptr<TMotionWatcher> watcher;
  try {
    watcher = std::make_unique<TMotionWatcher>();
  } catch (const std::exception& error) {
    return NotRun("sustained_rate", error.what());
  }
  TMotionWatcher& motion = *watcher;
  try {
    TXSession x;
    TZemUnderTest zem(x);
    motion.DropPending();

    std::vector<Clock::time_point> motions;
    motions.reserve(static_cast<size_t>(count));
    TScheduledWriter writer(zem.Port(), count);
    const auto start = Clock::now() + std::chrono::milliseconds(20);
    std::thread writing([&] { writer.Run(start); });
    // Motions are taken until all have come, or until the writer has finished and none has come
    // for two seconds.
    while (static_cast<long>(motions.size()) < count) {
      const auto moved = motion.NextMotion(std::chrono::seconds(2));
      if (moved) {
        motions.push_back(*moved);
      } else if (writer.Done()) {
        break;
      }
    }
    writing.join();

    const long applied = static_cast<long>(motions.size());
    const double total = static_cast<double>(seconds);
    const double lagStart = Percentile(LagsMs(motions, start, 0, 1), 50);
    const double lagEnd = Percentile(LagsMs(motions, start, total - 1, total), 50);
    const std::vector<double> all = LagsMs(motions, start, 0, total);
    const bool landed = x.Pointer() == Desktop[(count - 1) % 4];

    std::printf("%ld pen packets at %.1f a second for %ld s through a pseudo-terminal into zempc\n",
                count, PacketsPerSecond, seconds);
    std::printf("applied (pointer motions seen): %ld of %ld; last point %s\n", applied, count,
                landed ? "reached exactly" : "NOT reached");
    std::printf(
        "lag of a motion behind its packet's due time (ms): first second %.3f (median), "
        "last second %.3f (median), p99 %.3f, max %.3f\n",
        lagStart, lagEnd, Percentile(all, 99), Percentile(all, 100));
    // The lag through the run, in six slices: where the backlogs came.
    const double slice = total / 6;
    std::printf("lag by slice of the run (ms, median / max):");
    for (int k = 0; k < 6; ++k) {
      const std::vector<double> lags = LagsMs(motions, start, k * slice, (k + 1) * slice);
      std::printf("  %.0f-%.0f s: %.2f / %.1f", k * slice, (k + 1) * slice, Percentile(lags, 50),
                  Percentile(lags, 100));
    }
    std::printf("\n");
    std::printf("the writer itself was at most %.3f ms behind the schedule\n",
                writer.MaxLateSeconds() * 1000);
    std::printf("sustained_rate sent=%ld applied=%ld lag_start_ms=%.3f lag_end_ms=%.3f\n", count,
                applied, lagStart, lagEnd);
    return 0;
  } catch (const std::exception& error) {
    std::printf("sustained_rate: failed: %s\n", error.what());
    return 1;
  }
}
