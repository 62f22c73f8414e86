#include "backends/qt/QtMainThread.h"

#include <QCoreApplication>
#include <QObject>

TQtMainThread::TQtMainThread(std::function<void(std::exception_ptr)> onJobError)
    : onJobError_(std::move(onJobError)), context_(std::make_unique<QObject>()) {
  queue_.SetWakeHook([this] { Wake(); });
}

TQtMainThread::~TQtMainThread() {
  queue_.SetWakeHook({});
}

void TQtMainThread::Post(std::function<void()> job) {
  queue_.Post(std::move(job));
}

void TQtMainThread::ProcessMessages() {
  QCoreApplication::processEvents(userInputEnabled_ ? QEventLoop::AllEvents
                                                    : QEventLoop::ExcludeUserInputEvents);
  RunPendingJobs();
}

void TQtMainThread::WaitForMessages(std::chrono::milliseconds limit) {
  queue_.WaitForMessages(limit);
}

// Any thread. One queued call is enough however many jobs are waiting: it runs all of them.
void TQtMainThread::Wake() {
  if (wakePending_.exchange(true)) return;
  QMetaObject::invokeMethod(
      context_.get(), [this] { RunPendingJobs(); }, Qt::QueuedConnection);
}

void TQtMainThread::RunPendingJobs() {
  wakePending_.store(false);
  try {
    queue_.ProcessMessages();
  } catch (...) {
    // The job that failed is gone from the queue; the ones behind it run on the next call.
    if (!queue_.Empty()) Wake();
    if (onJobError_) onJobError_(std::current_exception());
  }
}
