#pragma once

#include <chrono>

#include "platform/MessageQueue.h"

// Plays the main thread in a test: runs the jobs other threads hand over until the condition holds
// or the limit passes. Returns whether the condition holds.
template <class Condition>
bool PumpUntil(TMessageQueue& mainThread, Condition condition,
               std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    mainThread.ProcessMessages();
    if (condition()) break;
    mainThread.WaitForMessages(std::chrono::milliseconds(5));
  }
  return true;
}
