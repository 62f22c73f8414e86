#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "platform/MainThread.h"

// A plain queue of main-thread jobs: the hand-over used by tests and console programs, and the
// store of pending deliveries that a desktop backend drains from its own event loop.
class TMessageQueue : public IMainThread {
 public:
  void Post(std::function<void()> job) override;
  void ProcessMessages() override;
  void WaitForMessages(std::chrono::milliseconds limit) override;

  // Called (from the posting thread) after every Post, so that an event loop can be woken.
  void SetWakeHook(std::function<void()> hook);

  // While held, ProcessMessages runs nothing; the jobs wait, in order, until the hold ends.
  void SetHeld(bool held);
  bool Held() const;

  bool Empty() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<std::function<void()>> jobs_;
  std::function<void()> wakeHook_;
  bool held_ = false;
};
