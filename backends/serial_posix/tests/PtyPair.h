#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string>

// A pseudo-terminal pair for tests: the slave's path stands for the serial device, the master plays
// the other end of the cable.
class TPtyPair {
 public:
  TPtyPair() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
      throw std::runtime_error("no pseudo-terminal");
    }
    char name[128];
    if (ptsname_r(master_, name, sizeof name) != 0) throw std::runtime_error("no slave name");
    slavePath_ = name;
  }
  ~TPtyPair() { CloseMaster(); }

  TPtyPair(const TPtyPair&) = delete;
  TPtyPair& operator=(const TPtyPair&) = delete;

  const std::string& SlavePath() const { return slavePath_; }

  // The other end hangs up.
  void CloseMaster() {
    if (master_ >= 0) close(master_);
    master_ = -1;
  }

  void Send(const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        done += static_cast<size_t>(n);
      } else {
        pollfd out{master_, POLLOUT, 0};
        poll(&out, 1, 100);
      }
    }
  }

  // What the device sent, up to count bytes, waiting at most limit for them.
  std::string Receive(size_t count, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    std::string bytes;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (bytes.size() < count && std::chrono::steady_clock::now() < deadline) {
      char chunk[4096];
      const ssize_t n = read(master_, chunk, std::min(sizeof chunk, count - bytes.size()));
      if (n > 0) {
        bytes.append(chunk, static_cast<size_t>(n));
      } else {
        pollfd in{master_, POLLIN, 0};
        poll(&in, 1, 20);
      }
    }
    return bytes;
  }

 private:
  int master_ = -1;
  std::string slavePath_;
};
