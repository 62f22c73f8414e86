#include "comthread/ComThread.h"

#include <chrono>
#include <string>

#include "platform/Exception.h"

namespace {

constexpr const char* InvalidStopBitsMessage =
    "1.5 Stop Bits with 6,7, or 8 Data Bits is an invalid combination";

}  // namespace

TComThread::TComThread(TComponent* owner, IMainThread& mainThread, ISerialPortFactory& ports)
    : TComponent(owner), mainThread_(mainThread), ports_(ports) {}

TComThread::~TComThread() {
  ComClose();
}

void TComThread::RaiseIfOpen(const char* message) const {
  if (reader_) throw Exception(message);
}

void TComThread::SetBufSize(uint32_t value) {
  RaiseIfOpen("Buffer can only be resized before ComInit()!");
  bufSize_ = value;
}

void TComThread::SetBaud(uint32_t value) {
  RaiseIfOpen("Baud rate can only be set before ComInit()!");
  baud_ = value;
}

void TComThread::SetDataBits(uint32_t value) {
  // The combination is tested first, whether or not a link is open.
  if (value > 5 && stopBits_ == TStopBits::s1_5) throw Exception(InvalidStopBitsMessage);
  RaiseIfOpen("Data bits can only be set before ComInit()!");
  dataBits_ = value;
}

void TComThread::SetParity(TParity value) {
  RaiseIfOpen("Parity can only be set before ComInit()!");
  parity_ = value;
}

void TComThread::SetStopBits(TStopBits value) {
  if (value == TStopBits::s1_5 && dataBits_ > 5) throw Exception(InvalidStopBitsMessage);
  RaiseIfOpen("Stop bits can only be set before ComInit()!");
  stopBits_ = value;
}

void TComThread::SetPort(uint32_t value) {
  RaiseIfOpen("Port can only be set before ComInit()!");
  port_ = value;
}

void TComThread::SetPacketSize(uint32_t value) {
  RaiseIfOpen("Packet Size can only be set before ComInit()!");
  packetSize_ = value;
}

void TComThread::SetTimeout(uint32_t value) {
  RaiseIfOpen("Timeout can only be set before ComInit()!");
  timeout_ = value;
}

void TComThread::ComInit() {
  ComClose();
  readerError_.clear();
  InitPort();
  if (!device_) return;
  linkAlive_ = std::make_shared<bool>(true);
  reader_ = std::make_unique<TComport>(mainThread_, *device_, packetSize_, OnPacketReceived,
                                       ReportToMainThread());
}

TReaderErrorEvent TComThread::ReportToMainThread() {
  // Runs on the reader thread as it ends; posted rather than synchronized, so that the handler may
  // close and reopen the link.
  return [this, link = std::weak_ptr<bool>(linkAlive_)](const std::string& message) {
    mainThread_.Post([this, link, message] {
      if (link.lock()) ReaderFailed(message);
    });
  };
}

void TComThread::InitPort() {
  try {
    device_ = ports_.Open(port_);
    if (!device_) throw Exception("Comport Unavailable.");

    TCommState state;
    if (!device_->GetCommState(state)) throw Exception("GetCommState Failed.");
    state.BaudRate = baud_;
    state.ByteSize = static_cast<uint8_t>(dataBits_);
    state.Parity = static_cast<uint8_t>(parity_);
    state.StopBits = static_cast<uint8_t>(stopBits_);
    if (!device_->SetCommState(state)) throw Exception("SetCommState Failed.");

    TCommTimeouts timeouts;
    if (!device_->GetCommTimeouts(timeouts)) throw Exception("GetCommTimeouts Failed.");
    timeouts.ReadIntervalTimeout = timeout_ / 10 + 1;
    timeouts.ReadTotalTimeoutMultiplier = timeout_ / 10 + 1;
    timeouts.ReadTotalTimeoutConstant = timeout_;
    if (!device_->SetCommTimeouts(timeouts)) throw Exception("SetCommTimeouts Failed.");

    if (!device_->SetupComm(bufSize_, bufSize_)) {
      throw Exception("SetupComm Failed - try reducing buffer size.");
    }
    portOpen_ = true;
  } catch (const Exception& error) {
    device_.reset();
    errorText_ = error.Message();
    portOpen_ = false;
  }
}

void TComThread::ComClose() {
  if (!reader_) return;
  linkAlive_.reset();
  reader_->Terminate();
  // The read event stays signalled: a read in progress ends now, and so does one that starts later.
  device_->SignalReadEvent();
  // The reader may be waiting for the main thread to run its delivery: keep running deliveries (the
  // reader drops them once the stop is requested) until it has ended.
  while (reader_->Running()) {
    mainThread_.ProcessMessages();
    if (!reader_->Running()) break;
    mainThread_.WaitForMessages(std::chrono::milliseconds(10));
  }
  reader_.reset();
  device_.reset();
}

void TComThread::Write(const uint8_t* buffer, int32_t count) {
  if (!reader_) {
    portOpen_ = false;
    errorText_ = "Com not initialized.";
    return;
  }
  if (count <= 0 || buffer == nullptr) return;
  const TIoResult result = device_->Write(buffer, static_cast<uint32_t>(count));
  if (!result.ok) throw Exception("Send Error: " + std::to_string(result.errorCode));
}

void TComThread::Write(AnsiString text) {
  Write(reinterpret_cast<const uint8_t*>(text.data()), static_cast<int32_t>(text.size()));
}

void TComThread::Purge() {
  if (reader_) device_->Purge();
}

void TComThread::ReaderFailed(const std::string& message) {
  readerError_ = message;
  if (OnReaderError) OnReaderError(message);
}
