#include "backends/qt/TerminationSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>

namespace {

// The write end of the pipe of the object that is installed now; -1 when none is.
std::atomic<int> gSignalPipe{-1};

void OnTerminationSignal(int) {
  const int savedErrno = errno;
  const int fd = gSignalPipe.load();
  if (fd >= 0) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(fd, &byte, 1);
  }
  errno = savedErrno;
}

}  // namespace

TTerminationSignals::TTerminationSignals(std::function<void()> onSignal)
    : onSignal_(std::move(onSignal)) {
  int fds[2];
  // Without a pipe the program keeps the default signal handling: it still ends, only without
  // saving its settings.
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
  readFd_ = fds[0];
  writeFd_ = fds[1];

  notifier_ = std::make_unique<QSocketNotifier>(readFd_, QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
    DrainPipe();
    if (onSignal_) onSignal_();
  });

  previousWriteFd_ = gSignalPipe.exchange(writeFd_);
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, &previousInt_);
  sigaction(SIGTERM, &action, &previousTerm_);
}

TTerminationSignals::~TTerminationSignals() {
  if (readFd_ < 0) return;
  sigaction(SIGINT, &previousInt_, nullptr);
  sigaction(SIGTERM, &previousTerm_, nullptr);
  gSignalPipe.store(previousWriteFd_);
  notifier_.reset();
  close(readFd_);
  close(writeFd_);
}

void TTerminationSignals::DrainPipe() {
  char buffer[64];
  while (read(readFd_, buffer, sizeof buffer) > 0) {
  }
}
