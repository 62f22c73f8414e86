#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/SerialDevice.h"

// What a fake port was asked to do and what it answers. Shared between the test, the factory and
// the device, so that it outlives the device the component closes.
struct TFakePort {
  enum class Step {
    None,
    Open,
    GetCommState,
    SetCommState,
    GetCommTimeouts,
    SetCommTimeouts,
    SetupComm
  };

  // Configuration, set before ComInit.
  Step failAt = Step::None;
  TCommState initialState{9600, 7, 2, 2};
  TCommTimeouts initialTimeouts{50, 60, 70, 80, 90};
  int writeError = 0;  // non-zero: every write fails with this code

  // What the device received.
  int opens = 0;
  int closes = 0;
  uint32_t openedPort = 0;
  TCommState setState;
  TCommTimeouts setTimeouts;
  uint32_t inQueue = 0;
  uint32_t outQueue = 0;
  std::string written;
  std::vector<uint32_t> readRequests;
  int purges = 0;
  bool readEventSignalled = false;
  bool readWaiting = false;

  // Thread-safe access from the test while a reader runs.
  void Feed(const std::string& bytes) { Push({bytes, 0}); }
  void FailNextRead(int code) { Push({"", code}); }
  // An empty read: what a read ended by its timeouts before any byte would report.
  void FeedEmptyRead() { Push({"", -1}); }

  template <class T>
  T Get(T TFakePort::*member) {
    std::lock_guard lock(mutex);
    return this->*member;
  }

  // Waits (without pumping anything) until the reader sits in a read.
  bool WaitForReadWaiting(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, limit, [this] { return readWaiting; });
  }

  struct Entry {
    std::string bytes;
    int error;  // 0 data, -1 empty read, >0 error code
  };

  void Push(Entry entry) {
    {
      std::lock_guard lock(mutex);
      script.push_back(std::move(entry));
    }
    changed.notify_all();
  }

  std::mutex mutex;
  std::condition_variable changed;
  std::deque<Entry> script;
  bool purgeRequested = false;
};

class TFakeSerialDevice : public ISerialDevice {
 public:
  explicit TFakeSerialDevice(std::shared_ptr<TFakePort> port) : port_(std::move(port)) {}
  ~TFakeSerialDevice() override {
    std::lock_guard lock(port_->mutex);
    ++port_->closes;
  }

  bool GetCommState(TCommState& state) override {
    if (port_->failAt == TFakePort::Step::GetCommState) return false;
    state = port_->initialState;
    return true;
  }
  bool SetCommState(const TCommState& state) override {
    port_->setState = state;
    return port_->failAt != TFakePort::Step::SetCommState;
  }
  bool GetCommTimeouts(TCommTimeouts& timeouts) override {
    if (port_->failAt == TFakePort::Step::GetCommTimeouts) return false;
    timeouts = port_->initialTimeouts;
    return true;
  }
  bool SetCommTimeouts(const TCommTimeouts& timeouts) override {
    port_->setTimeouts = timeouts;
    return port_->failAt != TFakePort::Step::SetCommTimeouts;
  }
  bool SetupComm(uint32_t inQueue, uint32_t outQueue) override {
    port_->inQueue = inQueue;
    port_->outQueue = outQueue;
    return port_->failAt != TFakePort::Step::SetupComm;
  }

  TIoResult Read(uint8_t* buffer, uint32_t count) override {
    std::unique_lock lock(port_->mutex);
    port_->readRequests.push_back(count);
    port_->readWaiting = true;
    port_->changed.notify_all();
    port_->changed.wait(lock, [this] {
      return port_->readEventSignalled || port_->purgeRequested || !port_->script.empty();
    });
    port_->readWaiting = false;
    if (port_->readEventSignalled) return {true, 0, 0};
    if (port_->purgeRequested) {
      port_->purgeRequested = false;
      return {true, 0, 0};
    }
    TFakePort::Entry& entry = port_->script.front();
    if (entry.error != 0) {
      const int error = entry.error;
      port_->script.pop_front();
      if (error < 0) return {true, 0, 0};
      return {false, 0, error};
    }
    const auto n = static_cast<uint32_t>(std::min<std::size_t>(count, entry.bytes.size()));
    std::memcpy(buffer, entry.bytes.data(), n);
    entry.bytes.erase(0, n);
    if (entry.bytes.empty()) port_->script.pop_front();
    return {true, n, 0};
  }

  void SignalReadEvent() override {
    {
      std::lock_guard lock(port_->mutex);
      port_->readEventSignalled = true;
    }
    port_->changed.notify_all();
  }

  TIoResult Write(const uint8_t* buffer, uint32_t count) override {
    std::lock_guard lock(port_->mutex);
    if (port_->writeError != 0) return {false, 0, port_->writeError};
    port_->written.append(reinterpret_cast<const char*>(buffer), count);
    return {true, count, 0};
  }

  void Purge() override {
    {
      std::lock_guard lock(port_->mutex);
      ++port_->purges;
      if (port_->readWaiting) port_->purgeRequested = true;
    }
    port_->changed.notify_all();
  }

 private:
  std::shared_ptr<TFakePort> port_;
};

// Hands out devices on the one fake port; the test may install a fresh TFakePort between opens.
class TFakePortFactory : public ISerialPortFactory {
 public:
  std::shared_ptr<TFakePort> port = std::make_shared<TFakePort>();

  std::unique_ptr<ISerialDevice> Open(uint32_t number) override {
    std::lock_guard lock(port->mutex);
    port->openedPort = number;
    if (port->failAt == TFakePort::Step::Open) return nullptr;
    ++port->opens;
    port->readEventSignalled = false;  // each device has a read event of its own
    port->purgeRequested = false;
    return std::make_unique<TFakeSerialDevice>(port);
  }
  std::string DeviceName(uint32_t number) override { return "fake" + std::to_string(number); }
};
