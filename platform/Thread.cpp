#include "platform/Thread.h"

#include <chrono>

TThread::TThread(IMainThread& mainThread, bool createSuspended) : mainThread_(mainThread) {
  started_ = !createSuspended;
  thread_ = std::thread([this] { Body(); });
}

TThread::~TThread() {
  Terminate();
  {
    // A thread that was never resumed ends without running its body.
    std::lock_guard lock(mutex_);
    if (!started_) cancelled_ = true;
  }
  resumed_.notify_all();
  WaitFor();
  if (thread_.joinable()) thread_.join();
}

void TThread::Resume() {
  {
    std::lock_guard lock(mutex_);
    started_ = true;
  }
  resumed_.notify_all();
}

void TThread::Body() {
  {
    std::unique_lock lock(mutex_);
    resumed_.wait(lock, [this] { return started_ || cancelled_; });
    if (cancelled_) {
      finished_.store(true);
      return;
    }
  }
  try {
    Execute();
  } catch (...) {
    std::lock_guard lock(mutex_);
    fatal_ = std::current_exception();
  }
  finished_.store(true);
  // Wake a main thread that waits for this thread in WaitFor.
  mainThread_.Post([] {});
}

void TThread::WaitFor() {
  while (!finished_.load()) {
    mainThread_.ProcessMessages();
    if (finished_.load()) break;
    mainThread_.WaitForMessages(std::chrono::milliseconds(20));
  }
  if (thread_.joinable()) thread_.join();
}

std::exception_ptr TThread::FatalException() const {
  std::lock_guard lock(mutex_);
  return fatal_;
}

void TThread::Synchronize(const std::function<void()>& method) {
  struct Call {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::exception_ptr error;
  } call;
  mainThread_.Post([&call, &method] {
    std::exception_ptr error;
    try {
      method();
    } catch (...) {
      error = std::current_exception();
    }
    std::lock_guard lock(call.mutex);
    call.error = error;
    call.finished = true;
    call.done.notify_all();
  });
  std::unique_lock lock(call.mutex);
  call.done.wait(lock, [&call] { return call.finished; });
  if (call.error) std::rethrow_exception(call.error);
}
