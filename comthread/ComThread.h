#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "comthread/Comport.h"
#include "comthread/SerialLink.h"
#include "platform/Component.h"
#include "platform/MainThread.h"
#include "platform/SerialDevice.h"
#include "platform/Types.h"

// Line-setting codes, handed to the port unchanged.
enum class TParity : uint8_t { none = 0, odd = 1, even = 2, mark = 3, space = 4 };
enum class TStopBits : uint8_t { s1 = 0, s1_5 = 1, s2 = 2 };

// A non-visual component that owns one serial port. It keeps the line settings as properties, opens
// and configures the port (ComInit), runs a reader that hands every block read to OnPacketReceived
// on the main thread, writes from the main thread (Write), and stops the reader and closes the port
// (ComClose).
//
// A port that cannot be opened or configured is recorded, not raised: PortOpen is false and
// ErrorText holds the reason. A setter used while a link is open and a failed write raise
// Exception.
//
// Every operation runs on the main thread. The link is open exactly while a reader exists.
class TComThread : public TComponent, public ISerialLink {
 public:
  TComThread(TComponent* owner, IMainThread& mainThread, ISerialPortFactory& ports);
  ~TComThread() override;

  // Properties.
  uint32_t BufSize() const { return bufSize_; }
  uint32_t Baud() const { return baud_; }
  uint32_t DataBits() const { return dataBits_; }
  TParity Parity() const { return parity_; }
  TStopBits StopBits() const { return stopBits_; }
  uint32_t Port() const { return port_; }
  uint32_t PacketSize() const { return packetSize_; }
  uint32_t Timeout() const { return timeout_; }

  // Each setter raises Exception while a link is open and leaves the value unchanged then.
  virtual void SetBufSize(uint32_t value);
  virtual void SetBaud(uint32_t value);
  virtual void SetDataBits(uint32_t value);
  virtual void SetParity(TParity value);
  virtual void SetStopBits(TStopBits value);
  virtual void SetPort(uint32_t value);
  virtual void SetPacketSize(uint32_t value);
  virtual void SetTimeout(uint32_t value);

  // Handler for the blocks read; a copy is taken by ComInit, so a later change reaches the reader
  // only through the next ComInit. Sender is the reader that read the block.
  TPacketReceivedEvent OnPacketReceived;

  // Called on the main thread, from its message processing, when an error (a failed read, or an
  // error raised by OnPacketReceived) has ended the reader. The link stays open for writing; it
  // reads again after ComInit, which this handler may call.
  TReaderErrorEvent OnReaderError;

  bool PortOpen() const override { return portOpen_; }
  const AnsiString& ErrorText() const { return errorText_; }
  // The message of the error that ended the current link's reader; empty while it reads.
  const std::string& ReaderError() const { return readerError_; }
  // The reader of the open link; null while no link is open.
  TComport* Reader() const { return reader_.get(); }

  // Closes any open link, then opens and configures the port and starts the reader.
  void ComInit();
  // Stops the reader and closes the port; does nothing while no link is open.
  void ComClose();

  // Sends count bytes and returns once the driver has taken them all.
  void Write(const uint8_t* buffer, int32_t count) override;
  void Write(AnsiString text);

  // Ends a pending read and empties both queues of the port.
  void Purge();

 protected:
  void InitPort();

 private:
  void RaiseIfOpen(const char* message) const;
  void ReaderFailed(const std::string& message);
  TReaderErrorEvent ReportToMainThread();

  uint32_t bufSize_ = 128;
  uint32_t baud_ = 19200;
  uint32_t dataBits_ = 8;
  TParity parity_ = TParity::none;
  TStopBits stopBits_ = TStopBits::s1;
  uint32_t port_ = 1;
  uint32_t packetSize_ = 80;
  uint32_t timeout_ = 100;

  bool portOpen_ = false;
  AnsiString errorText_;
  std::string readerError_;

  IMainThread& mainThread_;
  ISerialPortFactory& ports_;
  // Declared before the reader, which reads through it: the reader goes first.
  std::unique_ptr<ISerialDevice> device_;
  std::unique_ptr<TComport> reader_;
  // Lives as long as the current link: a report that reaches the main thread after the link was
  // closed finds it gone and is dropped.
  std::shared_ptr<bool> linkAlive_;
};
