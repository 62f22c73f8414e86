#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/MainThread.h"
#include "platform/SerialDevice.h"
#include "platform/Thread.h"
#include "platform/Types.h"

class TComport;

// Handler of the blocks a link reads: called on the main thread with the reader that read the block
// and the block itself (exactly its bytes, zero bytes included).
using TPacketReceivedEvent = std::function<void(TComport* Sender, AnsiString& buffer)>;

// Called with the message of the error that ended a reader.
using TReaderErrorEvent = std::function<void(const std::string& message)>;

// The background reader of an open port: it reads the port over and over, up to PacketSize bytes at
// a time, and hands every read that brought at least one byte to the handler on the main thread,
// waiting until the handler has returned before it reads again.
//
// A read waits for its first byte as long as it takes; the port's timeouts only decide when a block
// that has begun is complete. The reader stops when asked (Terminate, then the port's read event is
// signalled) or when a read or the handler raises; such an error ends the thread for good and is
// reported once through onReaderError, on the reader thread as it ends, unless a stop was
// requested.
class TComport : public TThread {
 public:
  // The largest block a single read asks for, whatever PacketSize says: it bounds the buffer.
  static constexpr uint32_t MaxReadSize = 65536;

  // Starts reading at once. The port must outlive the reader.
  TComport(IMainThread& mainThread, ISerialDevice& port, uint32_t packetSize,
           TPacketReceivedEvent onPacketReceived, TReaderErrorEvent onReaderError);
  ~TComport() override;

  // True from construction until Execute has ended, whichever way it ended.
  bool Running() const { return running_.load(); }

  // The last block read.
  const AnsiString& Packet() const { return packet_; }

 protected:
  void Execute() override;

 private:
  void ReadPort();
  void SetPacket(const uint8_t* bytes, uint32_t n);
  void DoPacketReceived();
  void ReportError(const std::string& message);

  AnsiString packet_;
  std::atomic<bool> running_{true};
  TPacketReceivedEvent onPacketReceived_;
  TReaderErrorEvent onReaderError_;
  std::vector<uint8_t> readBuffer_;
  uint32_t packetSize_;
  ISerialDevice& port_;
};
