#include "platform/MessageQueue.h"

void TMessageQueue::Post(std::function<void()> job) {
  std::function<void()> hook;
  {
    std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
    hook = wakeHook_;
  }
  posted_.notify_all();
  if (hook) hook();
}

void TMessageQueue::ProcessMessages() {
  // Run only what was pending on entry, one job at a time, without holding the lock while it runs:
  // a job may post again or process messages itself.
  std::size_t pending;
  {
    std::lock_guard lock(mutex_);
    pending = held_ ? 0 : jobs_.size();
  }
  while (pending-- > 0) {
    std::function<void()> job;
    {
      std::lock_guard lock(mutex_);
      if (held_ || jobs_.empty()) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    job();
  }
}

void TMessageQueue::WaitForMessages(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  posted_.wait_for(lock, limit, [this] { return !held_ && !jobs_.empty(); });
}

void TMessageQueue::SetWakeHook(std::function<void()> hook) {
  std::lock_guard lock(mutex_);
  wakeHook_ = std::move(hook);
}

void TMessageQueue::SetHeld(bool held) {
  std::function<void()> hook;
  {
    std::lock_guard lock(mutex_);
    held_ = held;
    if (!held && !jobs_.empty()) hook = wakeHook_;
  }
  if (!held) posted_.notify_all();
  if (hook) hook();
}

bool TMessageQueue::Held() const {
  std::lock_guard lock(mutex_);
  return held_;
}

bool TMessageQueue::Empty() const {
  std::lock_guard lock(mutex_);
  return jobs_.empty();
}
