#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace handheld {

// Keeps one direction of the line at a baud rate's pace (10 bits a byte: start, 8 data, stop), so
// that a pseudo-terminal takes as long as a cable. Bytes are due on a fixed schedule, one every
// byte time. A pacer that fell behind (a late wake-up) may catch up by at most `burst` bytes at
// once, so the average rate holds; idle time beyond that is not saved up. The caller passes the
// time in.
class Pacer {
 public:
  using Clock = std::chrono::steady_clock;

  // burst 1 spaces every byte by the byte time; a larger burst lets a reader take chunks and catch
  // up after a late wake-up.
  Pacer(uint32_t baud, size_t burst);

  std::chrono::nanoseconds ByteTime() const { return byteTime_; }

  // How many of count bytes may pass at this moment (0 to min(count, burst)).
  size_t Allowance(size_t count, Clock::time_point now);
  // When the next byte may pass (now or later).
  Clock::time_point NextDue(Clock::time_point now) { return DueFor(1, now); }
  // When count bytes may pass at once (now or later; count is capped at the burst).
  Clock::time_point DueFor(size_t count, Clock::time_point now);
  // count bytes have passed.
  void Consume(size_t count, Clock::time_point now);

 private:
  void ForgetIdleTime(Clock::time_point now);

  std::chrono::nanoseconds byteTime_;
  size_t burst_;
  Clock::time_point nextDue_{};  // when the next byte is due
};

}  // namespace handheld
