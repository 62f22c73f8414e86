#pragma once

#include <chrono>
#include <thread>

namespace e2e {

using Clock = std::chrono::steady_clock;

// Checks condition every few milliseconds until it holds or the time is up; true when it held.
template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto deadline = Clock::now() + limit;
  while (true) {
    if (condition()) return true;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

}  // namespace e2e
