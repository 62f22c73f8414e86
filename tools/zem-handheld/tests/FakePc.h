#pragma once

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace handheld {

// The PC's end of a pseudo-terminal for tests: a plain file descriptor on the slave device.
class FakePc {
 public:
  explicit FakePc(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_NOCTTY)) {}
  ~FakePc() {
    if (fd_ >= 0) close(fd_);
  }
  FakePc(const FakePc&) = delete;
  FakePc& operator=(const FakePc&) = delete;

  bool IsOpen() const { return fd_ >= 0; }

  void Write(const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
      if (n <= 0) return;
      done += static_cast<size_t>(n);
    }
  }

  // Reads until count bytes have come or the deadline passes; returns what came.
  std::vector<uint8_t> Read(size_t count, std::chrono::milliseconds deadline) {
    std::vector<uint8_t> bytes;
    const auto until = std::chrono::steady_clock::now() + deadline;
    while (bytes.size() < count) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          until - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd fd{fd_, POLLIN, 0};
      if (poll(&fd, 1, static_cast<int>(left.count())) <= 0) continue;
      uint8_t buffer[4096];
      const ssize_t n = read(fd_, buffer, std::min(sizeof buffer, count - bytes.size()));
      if (n <= 0) break;
      bytes.insert(bytes.end(), buffer, buffer + n);
    }
    return bytes;
  }

 private:
  int fd_;
};

}  // namespace handheld
