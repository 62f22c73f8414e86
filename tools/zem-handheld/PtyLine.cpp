#include "tools/zem-handheld/PtyLine.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/Exception.h"

namespace handheld {

namespace {
std::string SystemError(const std::string& what) {
  return what + ": " + std::strerror(errno) + " (" + std::to_string(errno) + ")";
}
}  // namespace

PtyLine::PtyLine(std::chrono::milliseconds writeStallLimit) : writeStallLimit_(writeStallLimit) {
  try {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) throw Exception(SystemError("cannot create a pseudo-terminal"));
    if (grantpt(master_) != 0 || unlockpt(master_) != 0) {
      throw Exception(SystemError("cannot unlock the pseudo-terminal"));
    }
    char path[256];
    if (ptsname_r(master_, path, sizeof path) != 0) {
      throw Exception(SystemError("cannot name the pseudo-terminal"));
    }
    slavePath_ = path;
    slave_ = open(path, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0) throw Exception(SystemError("cannot open " + slavePath_));
    // A pty starts cooked with echo: the PC would get its own bytes back and lose some to line
    // editing. Raw mode passes every byte as it is.
    termios settings{};
    if (tcgetattr(slave_, &settings) != 0) throw Exception(SystemError("tcgetattr"));
    cfmakeraw(&settings);
    cfsetspeed(&settings, B115200);
    if (tcsetattr(slave_, TCSANOW, &settings) != 0) throw Exception(SystemError("tcsetattr"));
    const int flags = fcntl(master_, F_GETFL);
    if (flags < 0 || fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0) {
      throw Exception(SystemError("fcntl"));
    }
    wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_ < 0) throw Exception(SystemError("eventfd"));
  } catch (...) {
    if (slave_ >= 0) close(slave_);
    if (master_ >= 0) close(master_);
    throw;
  }
}

PtyLine::~PtyLine() {
  close(wake_);
  close(slave_);
  close(master_);
}

size_t PtyLine::Read(uint8_t* buffer, size_t count) {
  while (true) {
    pollfd fds[2] = {{master_, POLLIN, 0}, {wake_, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      throw Exception(SystemError("poll"));
    }
    if (fds[1].revents != 0) return 0;
    if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
      throw Exception("the pseudo-terminal was closed");
    }
    const ssize_t n = read(master_, buffer, count);
    if (n > 0) return static_cast<size_t>(n);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n == 0) throw Exception("the pseudo-terminal was closed");
    throw Exception(SystemError("read error"));
  }
}

void PtyLine::Write(const uint8_t* data, size_t count) {
  size_t done = 0;
  while (done < count) {
    const ssize_t n = write(master_, data + done, count - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) throw Exception(SystemError("write error"));
    // The PC's input queue is full: wait until it reads, but not for ever.
    pollfd fd{master_, POLLOUT, 0};
    const int ready = poll(&fd, 1, static_cast<int>(writeStallLimit_.count()));
    if (ready == 0) {
      throw Exception("the PC took no bytes for " + std::to_string(writeStallLimit_.count()) +
                      " ms (is ZEM reading " + slavePath_ + "?)");
    }
    if (ready < 0 && errno != EINTR) throw Exception(SystemError("poll"));
  }
}

void PtyLine::Interrupt() {
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = write(wake_, &one, sizeof one);
}

}  // namespace handheld
