#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/SerialDevice.h"

// A serial device on Linux (a UART, a USB adapter or a pseudo-terminal), opened exclusively as a
// raw byte line.
//
// Reads wait with ppoll on the device and on two eventfds: the read event, which stays signalled
// once signalled and ends every read from then on, and the purge event, which ends the read pending
// when Purge is called. A read waits for its first byte without a time limit; from that byte on the
// read timeouts apply (an interval or a total of 0 means no such limit). A read of 0 bytes waits
// only for the read event, a purge or a hang-up. A hang-up (the other end closed, the device
// unplugged) is the error EIO.
class TPosixSerialDevice : public ISerialDevice {
 public:
  // Null when the path cannot be opened, another program holds the device, or it is not a terminal.
  static std::unique_ptr<TPosixSerialDevice> Open(const std::string& path);
  ~TPosixSerialDevice() override;

  TPosixSerialDevice(const TPosixSerialDevice&) = delete;
  TPosixSerialDevice& operator=(const TPosixSerialDevice&) = delete;

  bool GetCommState(TCommState& state) override;
  bool SetCommState(const TCommState& state) override;
  bool GetCommTimeouts(TCommTimeouts& timeouts) override;
  bool SetCommTimeouts(const TCommTimeouts& timeouts) override;
  // Linux has no settable queue sizes: the request is remembered and accepted.
  bool SetupComm(uint32_t inQueue, uint32_t outQueue) override;

  TIoResult Read(uint8_t* buffer, uint32_t count) override;
  void SignalReadEvent() override;
  TIoResult Write(const uint8_t* buffer, uint32_t count) override;
  void Purge() override;

 private:
  TPosixSerialDevice(int fd, int readEvent, int purgeEvent);

  int fd_;
  int readEvent_;
  int purgeEvent_;
  TCommTimeouts timeouts_;
  uint32_t inQueue_ = 0;
  uint32_t outQueue_ = 0;
};
