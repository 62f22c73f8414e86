#include "tools/zem-handheld/Pacer.h"

#include <algorithm>

namespace handheld {

namespace {
constexpr int64_t BitsPerByte = 10;
}

Pacer::Pacer(uint32_t baud, size_t burst)
    : byteTime_(1'000'000'000LL * BitsPerByte / std::max<uint32_t>(baud, 1)),
      burst_(std::max<size_t>(burst, 1)) {}

void Pacer::ForgetIdleTime(Clock::time_point now) {
  const auto earliest = now - byteTime_ * static_cast<int64_t>(burst_ - 1);
  if (nextDue_ < earliest) nextDue_ = earliest;
}

size_t Pacer::Allowance(size_t count, Clock::time_point now) {
  ForgetIdleTime(now);
  if (nextDue_ > now) return 0;
  const auto due = static_cast<size_t>((now - nextDue_) / byteTime_) + 1;
  return std::min(count, due);
}

Pacer::Clock::time_point Pacer::DueFor(size_t count, Clock::time_point now) {
  ForgetIdleTime(now);
  const auto waitFor = static_cast<int64_t>(std::clamp<size_t>(count, 1, burst_) - 1);
  return std::max(nextDue_ + byteTime_ * waitFor, now);
}

void Pacer::Consume(size_t count, Clock::time_point now) {
  ForgetIdleTime(now);
  nextDue_ += byteTime_ * static_cast<int64_t>(count);
}

}  // namespace handheld
