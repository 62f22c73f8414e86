#include <gtest/gtest.h>

#include "tools/zem-handheld/Pacer.h"

namespace handheld {
namespace {

using namespace std::chrono_literals;
using Clock = Pacer::Clock;

TEST(PacerTest, TenBitsPerByte) {
  EXPECT_EQ(Pacer(115000, 1).ByteTime(), 86956ns);
  EXPECT_EQ(Pacer(9600, 1).ByteTime(), 1041666ns);
}

TEST(PacerTest, SpacesSingleBytesByTheByteTime) {
  Pacer pacer(10000, 1);  // 1 ms a byte
  const auto t0 = Clock::now();
  EXPECT_EQ(pacer.Allowance(3, t0), 1u);
  pacer.Consume(1, t0);
  EXPECT_EQ(pacer.Allowance(3, t0 + 999us), 0u);
  EXPECT_EQ(pacer.NextDue(t0 + 500us), t0 + 1ms);
  EXPECT_EQ(pacer.Allowance(3, t0 + 1ms), 1u);
  // However long the line was idle, a burst of 1 lets one byte through at a time.
  pacer.Consume(1, t0 + 1ms);
  EXPECT_EQ(pacer.Allowance(3, t0 + 10s), 1u);
}

TEST(PacerTest, KeepsTheAverageRateWhenWakeUpsAreLate) {
  Pacer pacer(115000, 16);
  const auto t0 = Clock::now();
  auto now = t0;
  size_t passed = 0;
  // A reader that always wakes 300 us after the next byte is due, then takes what it may.
  while (now < t0 + 1s) {
    now = pacer.NextDue(now) + 300us;
    const size_t allowed = pacer.Allowance(1000, now);
    ASSERT_LE(allowed, 16u);
    pacer.Consume(allowed, now);
    passed += allowed;
  }
  EXPECT_NEAR(static_cast<double>(passed), 11500.0, 20.0);
}

TEST(PacerTest, IdleTimeIsNotSavedUpForABurst) {
  Pacer pacer(115000, 16);
  const auto t0 = Clock::now();
  pacer.Consume(1, t0);
  EXPECT_EQ(pacer.Allowance(1000, t0 + 1s), 16u);
  pacer.Consume(16, t0 + 1s);
  EXPECT_EQ(pacer.Allowance(1000, t0 + 1s), 0u);
}

TEST(PacerTest, TellsWhenSeveralBytesWillBeDue) {
  Pacer pacer(10000, 32);  // 1 ms a byte
  const auto t0 = Clock::now();
  pacer.Consume(32, t0);  // the whole burst at once: the schedule now runs to t0 + 1 ms
  EXPECT_EQ(pacer.DueFor(16, t0), t0 + 16ms);
  EXPECT_EQ(pacer.Allowance(100, t0 + 16ms), 16u);
  // A reader that is behind may read at once.
  EXPECT_EQ(pacer.DueFor(16, t0 + 40ms), t0 + 40ms);
}

}  // namespace
}  // namespace handheld
