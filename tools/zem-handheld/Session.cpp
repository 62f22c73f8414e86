#include "tools/zem-handheld/Session.h"

#include <filesystem>

#include "platform/Exception.h"
#include "protocol/Packets.h"
#include "tools/zem-handheld/ScreenPng.h"

namespace handheld {

namespace {
// Bytes read at most at once while pacing: small, so that the PC's writes block as on a cable.
constexpr size_t PacedReadChunk = 32;
// While bytes stream in, the reader waits until this many are due rather than waking for each.
constexpr size_t PacedReadGather = 16;
// Bytes a paced reader may fall behind and make up for (about 11 ms at 115000 baud).
constexpr size_t PacedReadCatchUp = 128;
// Bytes a paced writer may fall behind and make up for.
constexpr size_t PacedWriteCatchUp = 4;
constexpr size_t ReadChunk = 4096;
constexpr auto TickInterval = std::chrono::milliseconds(50);
constexpr auto PartialPacketLimit = std::chrono::milliseconds(200);

// At a slow pace, bytes that are already on their way come in a read only this much later; the
// receiver's time limits must not take that for silence.
std::chrono::milliseconds PacingMargin(uint32_t baud) {
  if (baud == 0) return std::chrono::milliseconds(0);
  const auto chunkTime = Pacer(baud, 1).ByteTime() * static_cast<int64_t>(2 * PacedReadChunk);
  return std::chrono::ceil<std::chrono::milliseconds>(chunkTime);
}

std::string Seconds(std::chrono::milliseconds duration) {
  const auto tenths = duration.count() / 100;
  return std::to_string(tenths / 10) + (tenths % 10 ? "." + std::to_string(tenths % 10) : "") +
         " s";
}
}  // namespace

Session::Session(ILine& line, Console& console, SessionOptions options)
    : line_(line),
      console_(console),
      options_(std::move(options)),
      receiver_(*this, options_.stallLimit + PacingMargin(options_.paceBaud),
                PartialPacketLimit + PacingMargin(options_.paceBaud)) {
  receiver_.AcceptUnrequestedScreens(options_.acceptUnrequestedScreens);
  if (options_.paceBaud > 0) {
    writePacer_ = std::make_unique<Pacer>(options_.paceBaud, PacedWriteCatchUp);
    readPacer_ = std::make_unique<Pacer>(options_.paceBaud, PacedReadCatchUp);
  }
  reader_ = std::thread([this] { ReadLoop(); });
  ticker_ = std::thread([this] { TickLoop(); });
}

Session::~Session() {
  Stop();
}

void Session::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  line_.Interrupt();
  if (reader_.joinable()) reader_.join();
  if (ticker_.joinable()) ticker_.join();
}

bool Session::LineFailed() const {
  std::lock_guard lock(mutex_);
  return lineFailed_;
}

std::optional<std::string> Session::Execute(const ScriptCommand& command) {
  switch (command.kind) {
    case ScriptCommand::Kind::Nothing:
      return std::nullopt;
    case ScriptCommand::Kind::Send:
      return Send(command);
    case ScriptCommand::Kind::Wait: {
      std::unique_lock lock(mutex_);
      changed_.wait_for(lock, command.duration, [this] { return stopping_; });
      return std::nullopt;
    }
    case ScriptCommand::Kind::WaitScreen:
      return WaitForScreen(command.duration);
    case ScriptCommand::Kind::WaitSettings:
      return WaitForSettings(command.duration);
  }
  return "unknown command";
}

std::optional<std::string> Session::Send(const ScriptCommand& command) {
  {
    std::lock_guard lock(mutex_);
    if (lineFailed_) return "cannot send: the line has failed";
    // Expect the answers before asking, so that a quick answer finds the receiver ready.
    for (int i = 0; i < command.screenRequests; ++i) receiver_.ExpectScreen();
    settingsOwed_ += command.settingsRequests;
  }
  try {
    WriteBytes(command.bytes);
    return std::nullopt;
  } catch (const Exception& error) {
    return error.Message();
  }
}

void Session::WriteBytes(const std::string& bytes) {
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  if (!writePacer_) {
    line_.Write(data, bytes.size());
    return;
  }
  // Each byte one byte time after the one before. A write that comes late (a sleep that overslept,
  // a busy machine) sends the few bytes that have fallen due together, so the rate holds.
  size_t done = 0;
  while (done < bytes.size()) {
    std::this_thread::sleep_until(writePacer_->NextDue(Clock::now()));
    const size_t count = writePacer_->Allowance(bytes.size() - done, Clock::now());
    line_.Write(data + done, count);
    writePacer_->Consume(count, Clock::now());
    done += count;
  }
}

std::optional<std::string> Session::WaitForScreen(std::chrono::milliseconds deadline) {
  std::unique_lock lock(mutex_);
  const auto until = Clock::now() + deadline;
  changed_.wait_until(lock, until, [this] { return !screenAnswers_.empty() || lineFailed_; });
  // An answer under way when the deadline passes is waited for: it ends by itself, complete, or
  // short once it stalls.
  changed_.wait(lock, [this] {
    return !screenAnswers_.empty() || lineFailed_ || !receiver_.ScreenInProgress();
  });
  if (screenAnswers_.empty()) {
    receiver_.ForgetExpectedScreen();
    return "no screen answer within " + Seconds(deadline);
  }
  const bool complete = screenAnswers_.front();
  screenAnswers_.pop_front();
  if (!complete) return std::string("the screen answer failed");
  return std::nullopt;
}

std::optional<std::string> Session::WaitForSettings(std::chrono::milliseconds deadline) {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, deadline, [this] { return settingsReports_ > 0 || lineFailed_; });
  if (settingsReports_ == 0) {
    if (settingsOwed_ > 0) --settingsOwed_;
    return "no settings report within " + Seconds(deadline);
  }
  --settingsReports_;
  return std::nullopt;
}

std::vector<std::string> Session::FinishOutstanding(std::chrono::milliseconds deadline) {
  std::unique_lock lock(mutex_);
  auto nothingOwed = [this] {
    return lineFailed_ || (receiver_.ExpectedScreens() == 0 && !receiver_.ScreenInProgress() &&
                           settingsOwed_ == 0);
  };
  changed_.wait_for(lock, deadline, nothingOwed);
  changed_.wait(lock, [this] { return lineFailed_ || !receiver_.ScreenInProgress(); });
  std::vector<std::string> problems;
  if (receiver_.ExpectedScreens() > 0) {
    problems.push_back("no answer to " + std::to_string(receiver_.ExpectedScreens()) +
                       " screen request(s) within " + Seconds(deadline) +
                       " after the last command");
  }
  if (settingsOwed_ > 0) {
    problems.push_back("no settings report for " + std::to_string(settingsOwed_) +
                       " get-settings within " + Seconds(deadline) + " after the last command");
  }
  // A screen that failed and was never waited for still makes the run fail.
  for (const bool complete : screenAnswers_) {
    if (!complete) problems.push_back("a screen answer failed");
  }
  screenAnswers_.clear();
  if (lineFailed_) problems.push_back("the line failed");
  return problems;
}

void Session::ReadLoop() {
  std::vector<uint8_t> buffer(ReadChunk);
  bool streaming = false;  // the last read took all it was allowed: more is waiting
  try {
    while (true) {
      size_t want = buffer.size();
      if (readPacer_) {
        // While bytes stream in, let a few fall due before reading, rather than waking per byte.
        std::this_thread::sleep_until(
            readPacer_->DueFor(streaming ? PacedReadGather : 1, Clock::now()));
        want = readPacer_->Allowance(PacedReadChunk, Clock::now());
      }
      const size_t count = line_.Read(buffer.data(), want);
      streaming = count == want;
      std::lock_guard lock(mutex_);
      if (stopping_) return;
      if (count == 0) continue;
      if (readPacer_) readPacer_->Consume(count, Clock::now());
      receiver_.Feed(buffer.data(), count, Clock::now());
    }
  } catch (const Exception& error) {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    console_.Error(error.Message());
    lineFailed_ = true;
    receiver_.LineClosed();
    changed_.notify_all();
  }
}

void Session::TickLoop() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    changed_.wait_for(lock, TickInterval, [this] { return stopping_; });
    receiver_.Tick(Clock::now());
  }
}

std::string Session::NextPngPath() {
  ++screensWritten_;
  if (screensWritten_ == 1) return options_.pngPath;
  // The second and later screens of a run get -2, -3, ... before the extension.
  const std::filesystem::path path(options_.pngPath);
  auto name =
      path.stem().string() + "-" + std::to_string(screensWritten_) + path.extension().string();
  return (path.parent_path() / name).string();
}

void Session::OnPacket(const std::string& line) {
  console_.Line("recv " + line);
}

void Session::OnSettingsReport(const MirroredSettings& settings) {
  console_.Line("recv settings " + settings.Summary());
  ++settingsReports_;
  if (settingsOwed_ > 0) --settingsOwed_;
  changed_.notify_all();
}

void Session::OnScreenProgress(size_t received) {
  console_.Progress(received, ScreenImageSize);
  changed_.notify_all();  // an answer has started: waits look at it
}

void Session::OnScreenComplete(const std::vector<uint8_t>& image) {
  console_.EndProgress();
  const std::string path = NextPngPath();
  bool written = true;
  try {
    ScreenPng::Write(path, image);
    console_.Line("recv screen complete, " + std::to_string(image.size()) + " bytes, written to " +
                  path);
  } catch (const Exception& error) {
    console_.Line("recv screen complete, " + std::to_string(image.size()) + " bytes");
    console_.Error(error.Message());
    written = false;
  }
  screenAnswers_.push_back(written);
  changed_.notify_all();
}

void Session::OnScreenShort(size_t received) {
  console_.EndProgress();
  console_.Line("recv screen short, " + std::to_string(received) + " of " +
                std::to_string(ScreenImageSize) + " bytes");
  screenAnswers_.push_back(false);
  changed_.notify_all();
}

}  // namespace handheld
