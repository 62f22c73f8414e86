#include "comthread/Comport.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "platform/Exception.h"

TComport::TComport(IMainThread& mainThread, ISerialDevice& port, uint32_t packetSize,
                   TPacketReceivedEvent onPacketReceived, TReaderErrorEvent onReaderError)
    : TThread(mainThread, /*createSuspended=*/true),
      onPacketReceived_(std::move(onPacketReceived)),
      onReaderError_(std::move(onReaderError)),
      readBuffer_(std::min(packetSize, MaxReadSize) + 1),
      packetSize_(std::min(packetSize, MaxReadSize)),
      port_(port) {
  // running_ is already true here, so a ComClose that comes at once still waits for the thread.
  Resume();
}

TComport::~TComport() {
  // The thread reads readBuffer_ and packet_: it must have ended before they go.
  Terminate();
  WaitFor();
}

void TComport::Execute() {
  // Cleared on every way out, an error included, so that a waiting ComClose finishes.
  struct ClearOnExit {
    std::atomic<bool>& flag;
    ~ClearOnExit() { flag.store(false); }
  } clearRunning{running_};

  running_.store(true);
  try {
    while (!Terminated()) ReadPort();
  } catch (const std::exception& error) {
    ReportError(error.what());
    throw;
  } catch (...) {
    ReportError("Unknown error.");
    throw;
  }
}

void TComport::ReadPort() {
  const TIoResult result = port_.Read(readBuffer_.data(), packetSize_);
  if (!result.ok) throw Exception("Read Error: " + std::to_string(result.errorCode));
  if (result.count == 0) return;
  SetPacket(readBuffer_.data(), std::min(result.count, packetSize_));
  if (!Terminated()) Synchronize([this] { DoPacketReceived(); });
}

void TComport::SetPacket(const uint8_t* bytes, uint32_t n) {
  // Copied by count, so zero bytes are kept.
  packet_.assign(reinterpret_cast<const char*>(bytes), n);
}

void TComport::DoPacketReceived() {
  if (onPacketReceived_ && !Terminated()) onPacketReceived_(this, packet_);
}

void TComport::ReportError(const std::string& message) {
  // A report must not end the thread differently: an error raised by it is dropped.
  try {
    if (onReaderError_ && !Terminated()) onReaderError_(message);
  } catch (...) {
  }
}
