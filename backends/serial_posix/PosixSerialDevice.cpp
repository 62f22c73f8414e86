#include "backends/serial_posix/PosixSerialDevice.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <optional>

#include "backends/serial_posix/LineSettings.h"

namespace {

using Clock = std::chrono::steady_clock;

void CloseIfOpen(int fd) {
  if (fd >= 0) close(fd);
}

void SignalEvent(int eventFd) {
  const uint64_t one = 1;
  while (write(eventFd, &one, sizeof one) < 0 && errno == EINTR) {
  }
}

void DrainEvent(int eventFd) {
  uint64_t value;
  while (read(eventFd, &value, sizeof value) < 0 && errno == EINTR) {
  }
}

timespec Remaining(Clock::time_point deadline) {
  const auto left = std::max(Clock::duration::zero(), deadline - Clock::now());
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
  return timespec{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
}

// A read that ends in an error still hands over what it has read; the error shows again on the
// next read, since its cause (a hang-up, a vanished device) stays.
TIoResult ReadFailure(int errorCode, uint32_t got) {
  if (got > 0) return {true, got, 0};
  return {false, 0, errorCode};
}

// When a read that has begun is complete, measured from its first and its latest byte.
class TReadDeadlines {
 public:
  TReadDeadlines(const TCommTimeouts& timeouts, uint32_t count)
      : interval_(std::chrono::milliseconds(timeouts.ReadIntervalTimeout)),
        total_(std::chrono::milliseconds(uint64_t{count} * timeouts.ReadTotalTimeoutMultiplier +
                                         timeouts.ReadTotalTimeoutConstant)) {}

  void ByteArrived(bool first) {
    const auto now = Clock::now();
    if (first && total_.count() > 0) totalEnd_ = now + total_;
    if (interval_.count() > 0) intervalEnd_ = now + interval_;
  }

  // The earliest deadline, or nothing while none applies.
  std::optional<Clock::time_point> Next() const {
    if (totalEnd_ && intervalEnd_) return std::min(*totalEnd_, *intervalEnd_);
    return totalEnd_ ? totalEnd_ : intervalEnd_;
  }

 private:
  std::chrono::milliseconds interval_;
  std::chrono::milliseconds total_;
  std::optional<Clock::time_point> totalEnd_;
  std::optional<Clock::time_point> intervalEnd_;
};

// USB serial adapters hold received bytes for up to 16 ms by default; asking for low latency brings
// that to about 1 ms. Devices without the setting (a pseudo-terminal, for one) are left alone.
void AskForLowLatency(int fd) {
  serial_struct serial{};
  if (ioctl(fd, TIOCGSERIAL, &serial) != 0 || (serial.flags & ASYNC_LOW_LATENCY)) return;
  serial.flags |= ASYNC_LOW_LATENCY;
  ioctl(fd, TIOCSSERIAL, &serial);
}

}  // namespace

std::unique_ptr<TPosixSerialDevice> TPosixSerialDevice::Open(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  // TIOCEXCL alone does not keep out a second open by root; the lock does.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0 || ioctl(fd, TIOCEXCL) != 0 || !MakeRawLine(fd)) {
    close(fd);
    return nullptr;
  }
  AskForLowLatency(fd);
  const int readEvent = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  const int purgeEvent = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (readEvent < 0 || purgeEvent < 0) {
    CloseIfOpen(readEvent);
    CloseIfOpen(purgeEvent);
    ioctl(fd, TIOCNXCL);
    close(fd);
    return nullptr;
  }
  return std::unique_ptr<TPosixSerialDevice>(new TPosixSerialDevice(fd, readEvent, purgeEvent));
}

TPosixSerialDevice::TPosixSerialDevice(int fd, int readEvent, int purgeEvent)
    : fd_(fd), readEvent_(readEvent), purgeEvent_(purgeEvent) {}

TPosixSerialDevice::~TPosixSerialDevice() {
  ioctl(fd_, TIOCNXCL);
  close(fd_);
  close(readEvent_);
  close(purgeEvent_);
}

bool TPosixSerialDevice::GetCommState(TCommState& state) {
  return ReadLineSettings(fd_, state);
}

bool TPosixSerialDevice::SetCommState(const TCommState& state) {
  return WriteLineSettings(fd_, state);
}

bool TPosixSerialDevice::GetCommTimeouts(TCommTimeouts& timeouts) {
  timeouts = timeouts_;
  return true;
}

bool TPosixSerialDevice::SetCommTimeouts(const TCommTimeouts& timeouts) {
  timeouts_ = timeouts;
  return true;
}

bool TPosixSerialDevice::SetupComm(uint32_t inQueue, uint32_t outQueue) {
  inQueue_ = inQueue;
  outQueue_ = outQueue;
  return true;
}

TIoResult TPosixSerialDevice::Read(uint8_t* buffer, uint32_t count) {
  // A purge ends the read that is pending when it comes, not the ones after it.
  DrainEvent(purgeEvent_);
  TReadDeadlines deadlines(timeouts_, count);
  uint32_t got = 0;
  for (;;) {
    pollfd fds[3] = {{fd_, static_cast<short>(count > 0 ? POLLIN : 0), 0},
                     {readEvent_, POLLIN, 0},
                     {purgeEvent_, POLLIN, 0}};
    const auto deadline = deadlines.Next();
    timespec timeout{};
    if (deadline) timeout = Remaining(*deadline);
    const int ready = ppoll(fds, 3, deadline ? &timeout : nullptr, nullptr);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return ReadFailure(errno, got);
    }
    if (fds[1].revents != 0) return {true, got, 0};  // the read event: a stop request
    if (fds[2].revents != 0) {
      DrainEvent(purgeEvent_);
      return {true, got, 0};
    }
    if (ready == 0) return {true, got, 0};  // a timeout, armed only once a byte has come
    const short events = fds[0].revents;
    if (events & POLLNVAL) return ReadFailure(EBADF, got);

    const ssize_t n = read(fd_, buffer + got, count - got);
    if (n > 0) {
      deadlines.ByteArrived(got == 0);
      got += static_cast<uint32_t>(n);
      if (got == count) return {true, got, 0};
      continue;
    }
    // read answers 0 when the other end has gone: a hang-up, never data.
    if (n == 0) return ReadFailure(EIO, got);
    if (errno != EAGAIN && errno != EINTR) return ReadFailure(errno, got);
    // Nothing to read although ppoll said so: only a hang-up or an error must not be retried.
    if (events & (POLLHUP | POLLERR)) return ReadFailure(EIO, got);
  }
}

void TPosixSerialDevice::SignalReadEvent() {
  SignalEvent(readEvent_);
}

TIoResult TPosixSerialDevice::Write(const uint8_t* buffer, uint32_t count) {
  uint32_t done = 0;
  while (done < count) {
    const ssize_t n = write(fd_, buffer + done, count - done);
    if (n > 0) {
      done += static_cast<uint32_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return {false, done, errno};
    // The driver's queue is full: wait until it takes more.
    pollfd out{fd_, POLLOUT, 0};
    if (ppoll(&out, 1, nullptr, nullptr) < 0) {
      if (errno == EINTR) continue;
      return {false, done, errno};
    }
    if (out.revents & POLLNVAL) return {false, done, EBADF};
    if ((out.revents & (POLLHUP | POLLERR)) && !(out.revents & POLLOUT)) return {false, done, EIO};
  }
  return {true, done, 0};
}

void TPosixSerialDevice::Purge() {
  FlushLine(fd_);
  SignalEvent(purgeEvent_);
}
