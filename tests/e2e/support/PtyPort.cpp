#include "tests/e2e/support/PtyPort.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

#include "tests/e2e/support/Wait.h"

namespace e2e {

namespace {

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

TPtyPort::TPtyPort() {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
    throw std::runtime_error("no pseudo-terminal to be had");
  }
  char name[128];
  if (ptsname_r(master_, name, sizeof name) != 0) throw std::runtime_error("no pty slave name");
  slavePath_ = name;
  slave_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  termios settings{};
  if (slave_ < 0 || tcgetattr(slave_, &settings) != 0) {
    throw std::runtime_error("cannot open the pty slave " + slavePath_);
  }
  cfmakeraw(&settings);
  tcsetattr(slave_, TCSANOW, &settings);
}

TPtyPort::~TPtyPort() {
  if (slave_ >= 0) close(slave_);
  if (master_ >= 0) close(master_);
}

void TPtyPort::Write(const TBytes& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) throw std::runtime_error("pty write failed");
    pollfd out{master_, POLLOUT, 0};
    if (poll(&out, 1, 5000) == 0) throw std::runtime_error("the pty takes no more bytes");
  }
}

TBytes TPtyPort::Read(size_t count, std::chrono::milliseconds limit) {
  TBytes bytes;
  const auto deadline = Clock::now() + limit;
  while (bytes.size() < count) {
    uint8_t chunk[4096];
    const size_t want = std::min(sizeof chunk, count - bytes.size());
    const ssize_t n = read(master_, chunk, want);
    if (n > 0) {
      bytes.insert(bytes.end(), chunk, chunk + n);
      continue;
    }
    const int wait = RemainingMs(deadline);
    if (wait == 0) break;
    pollfd in{master_, POLLIN, 0};
    poll(&in, 1, wait);
  }
  return bytes;
}

TBytes TPtyPort::Drain(std::chrono::milliseconds quiet) {
  TBytes dropped;
  while (true) {
    TBytes more = Read(4096, quiet);
    if (more.empty()) return dropped;
    dropped.insert(dropped.end(), more.begin(), more.end());
  }
}

}  // namespace e2e
