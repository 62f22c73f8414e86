#pragma once

#include <chrono>
#include <optional>

#include "tests/e2e/support/Wait.h"

struct _XDisplay;

namespace e2e {

// Watches every pointer motion on the display through XInput 2 raw motion events of the master
// pointer: one event for each motion the server performs, synthesised ones included, wherever
// the pointer is and whatever window lies under it. Has a connection of its own, so that its
// events queue apart from everything else.
class TMotionWatcher {
 public:
  // Raises std::runtime_error when the display cannot be opened or lacks XInput 2.
  TMotionWatcher();
  ~TMotionWatcher();

  TMotionWatcher(const TMotionWatcher&) = delete;
  TMotionWatcher& operator=(const TMotionWatcher&) = delete;

  // Waits for the next motion; returns when this process learnt of it (the moment its event was
  // read from the connection), or nothing when none came in time.
  std::optional<Clock::time_point> NextMotion(std::chrono::microseconds limit);

  // Drops the motions that have arrived so far.
  void DropPending();

 private:
  // The next motion already received, with the time it was read.
  std::optional<Clock::time_point> TakeMotion();

  _XDisplay* display_ = nullptr;
  int xinputOpcode_ = 0;
  Clock::time_point lastRead_{};
};

}  // namespace e2e
