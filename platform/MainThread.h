#pragma once

#include <chrono>
#include <functional>

// The main thread's side of the hand-over from other threads. Another thread posts a job; the main
// thread runs it whenever it processes its messages. TThread::Synchronize is built on this.
class IMainThread {
 public:
  virtual ~IMainThread() = default;

  // Any thread: queue a job for the main thread and wake it. Jobs run in the order posted.
  virtual void Post(std::function<void()> job) = 0;

  // Main thread: run the jobs that are pending (and, in a desktop backend, the window system's
  // events).
  virtual void ProcessMessages() = 0;

  // Main thread: sleep until a job is posted or the limit passes; runs nothing itself.
  virtual void WaitForMessages(std::chrono::milliseconds limit) = 0;
};
