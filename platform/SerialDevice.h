#pragma once

#include <cstdint>
#include <memory>
#include <string>

// Line settings of a serial port as the link sets them. The codes are the classic ones:
// Parity 0 none, 1 odd, 2 even, 3 mark, 4 space; StopBits 0 one, 1 one and a half, 2 two.
// Every other setting of the port (flow control, modem lines, special characters) is the device's
// own and is kept as the port had it.
struct TCommState {
  uint32_t BaudRate = 0;
  uint8_t ByteSize = 8;
  uint8_t Parity = 0;
  uint8_t StopBits = 0;
};

// Timeouts in milliseconds. The link sets the three read values and keeps the write values.
// A read waits for its first byte without a time limit; from that byte on it ends when
// ReadIntervalTimeout passes between two bytes or when
// count * ReadTotalTimeoutMultiplier + ReadTotalTimeoutConstant has passed, whichever comes first.
struct TCommTimeouts {
  uint32_t ReadIntervalTimeout = 0;
  uint32_t ReadTotalTimeoutMultiplier = 0;
  uint32_t ReadTotalTimeoutConstant = 0;
  uint32_t WriteTotalTimeoutMultiplier = 0;
  uint32_t WriteTotalTimeoutConstant = 0;
};

// Outcome of a read or a write: ok, or the system's error code (errno on POSIX).
struct TIoResult {
  bool ok = true;
  uint32_t count = 0;  // bytes read or written
  int errorCode = 0;   // set when !ok
};

// One open serial port, opened exclusively. A read (on the reader thread) and a write (on the main
// thread) may be outstanding at the same time; every other operation is called while no read runs,
// except SignalReadEvent and Purge, which exist to end a read from another thread.
class ISerialDevice {
 public:
  virtual ~ISerialDevice() = default;

  virtual bool GetCommState(TCommState& state) = 0;
  virtual bool SetCommState(const TCommState& state) = 0;
  virtual bool GetCommTimeouts(TCommTimeouts& timeouts) = 0;
  virtual bool SetCommTimeouts(const TCommTimeouts& timeouts) = 0;
  // Requested sizes of the driver's input and output queues.
  virtual bool SetupComm(uint32_t inQueue, uint32_t outQueue) = 0;

  // Reads up to count bytes under the timeouts above. Ends at once with 0 bytes once the read event
  // has been signalled (it stays signalled), and early with what has arrived on a purge. A hang-up
  // of the line is an error, never an endless run of empty reads.
  virtual TIoResult Read(uint8_t* buffer, uint32_t count) = 0;

  // Any thread: signal the read event. A read in progress ends at once, and so does every later
  // one.
  virtual void SignalReadEvent() = 0;

  // Writes all count bytes, returning when the driver has taken every one of them.
  virtual TIoResult Write(const uint8_t* buffer, uint32_t count) = 0;

  // Ends a pending read and write and empties both queues of the driver.
  virtual void Purge() = 0;
};

// Opens the port named "COM" followed by its number.
class ISerialPortFactory {
 public:
  virtual ~ISerialPortFactory() = default;
  // Null when the port does not exist, is in use or cannot be opened.
  virtual std::unique_ptr<ISerialDevice> Open(uint32_t port) = 0;
  // What the port number stands for on this machine, for showing to the user (a device path).
  virtual std::string DeviceName(uint32_t port) = 0;
};
