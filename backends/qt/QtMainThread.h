#pragma once

#include <atomic>
#include <chrono>
#include <exception>
#include <functional>
#include <memory>

#include "platform/MainThread.h"
#include "platform/MessageQueue.h"

class QObject;

// The main thread's hand-over on a Qt event loop. Posted jobs wait in a TMessageQueue; every post
// queues one call on the Qt event loop (coalesced while one is pending) that runs the pending jobs.
// So a job posted by a background thread runs whenever the main thread processes its events:
// in the loop of Run, inside a ProcessMessages loop, or in a modal message box.
// The threads that post must have ended before this object goes.
class TQtMainThread : public IMainThread {
 public:
  // onJobError receives an error that escaped a job; the remaining jobs still run.
  explicit TQtMainThread(std::function<void(std::exception_ptr)> onJobError);
  ~TQtMainThread() override;

  TQtMainThread(const TQtMainThread&) = delete;
  TQtMainThread& operator=(const TQtMainThread&) = delete;

  void Post(std::function<void()> job) override;
  // Runs Qt's pending events and then the pending jobs.
  void ProcessMessages() override;
  // Whether ProcessMessages delivers user input (clicks, keys) too. Once the program is ending,
  // it does not: no menu command may run while the window's parts are being taken down.
  void SetUserInputEnabled(bool enabled) { userInputEnabled_ = enabled; }
  void WaitForMessages(std::chrono::milliseconds limit) override;

  // The store of pending jobs, for holding them during a long operation.
  TMessageQueue& Queue() { return queue_; }

 private:
  void Wake();
  void RunPendingJobs();

  TMessageQueue queue_;
  std::function<void(std::exception_ptr)> onJobError_;
  // Lives on the main thread; the queued calls are addressed to it, so they are dropped with it.
  std::unique_ptr<QObject> context_;
  std::atomic<bool> wakePending_{false};
  bool userInputEnabled_ = true;
};
