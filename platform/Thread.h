#pragma once

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/MainThread.h"

// A background thread in the manner of a class library's thread class: created suspended or
// running, asked to stop with Terminate (the body polls Terminated), and able to run a call on the
// main thread with Synchronize, blocking until that call has returned.
//
// A derived class must make sure its thread has ended before its own members go away: its
// destructor calls Terminate and WaitFor before anything else. A thread created running may enter
// Execute before the derived class's constructor has finished; a derived class with members of its
// own creates it suspended and calls Resume at the end of its constructor.
class TThread {
 public:
  TThread(IMainThread& mainThread, bool createSuspended);
  virtual ~TThread();

  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  void Resume();
  void Terminate() { terminated_.store(true); }
  bool Terminated() const { return terminated_.load(); }

  // True once Execute has returned or raised.
  bool Finished() const { return finished_.load(); }

  // Main thread: waits for the thread to end, running posted jobs meanwhile so that a thread
  // blocked in Synchronize can finish.
  void WaitFor();

  // The error that ended Execute, if one did.
  std::exception_ptr FatalException() const;

 protected:
  virtual void Execute() = 0;

  // Runs method on the main thread and blocks until it has returned. An error raised by method is
  // raised again here, on this thread.
  void Synchronize(const std::function<void()>& method);

 private:
  void Body();

  IMainThread& mainThread_;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  mutable std::mutex mutex_;
  std::condition_variable resumed_;
  bool started_ = false;
  bool cancelled_ = false;
  std::exception_ptr fatal_;
  std::thread thread_;
};
