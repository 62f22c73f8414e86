#pragma once

#include <csignal>
#include <functional>
#include <memory>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into a call on the Qt event loop. The signal handler only writes a byte
// to a pipe (the one thing it may safely do); a socket notifier on the pipe's other end runs
// onSignal on the main thread. The previous handlers come back when this object goes.
class TTerminationSignals {
 public:
  explicit TTerminationSignals(std::function<void()> onSignal);
  ~TTerminationSignals();

  TTerminationSignals(const TTerminationSignals&) = delete;
  TTerminationSignals& operator=(const TTerminationSignals&) = delete;

 private:
  void DrainPipe();

  std::function<void()> onSignal_;
  int readFd_ = -1;
  int writeFd_ = -1;
  int previousWriteFd_ = -1;
  struct sigaction previousInt_ {};
  struct sigaction previousTerm_ {};
  std::unique_ptr<QSocketNotifier> notifier_;
};
