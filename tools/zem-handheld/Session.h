#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tools/zem-handheld/CommandParser.h"
#include "tools/zem-handheld/Console.h"
#include "tools/zem-handheld/Line.h"
#include "tools/zem-handheld/Pacer.h"
#include "tools/zem-handheld/Receiver.h"

namespace handheld {

struct SessionOptions {
  uint32_t paceBaud = 0;  // 0: no pacing
  std::string pngPath = "zem-screen.png";
  bool acceptUnrequestedScreens = false;
  std::chrono::milliseconds stallLimit{3000};
};

// Plays the handheld on a line: sends the script's packets and, on a reader thread, decodes what
// the PC sends, printing it and writing screen answers as PNG files. The waits of a script take the
// answers in the order they arrived: each wait-screen takes the next screen answer not yet waited
// for.
class Session : private IReceiverListener {
 public:
  Session(ILine& line, Console& console, SessionOptions options);
  ~Session() override;

  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Runs one command. Returns why it failed, or nothing when it succeeded.
  std::optional<std::string> Execute(const ScriptCommand& command);

  // Waits for the answers still owed (screens asked for, settings reports asked for) until the
  // deadline; a screen answer under way is waited for to its end. Returns what did not come.
  std::vector<std::string> FinishOutstanding(std::chrono::milliseconds deadline);

  // The line failed; nothing more can be sent or received.
  bool LineFailed() const;

  // Stops the reader; called by the destructor.
  void Stop();

 private:
  using Clock = std::chrono::steady_clock;

  std::optional<std::string> Send(const ScriptCommand& command);
  void WriteBytes(const std::string& bytes);
  std::optional<std::string> WaitForScreen(std::chrono::milliseconds deadline);
  std::optional<std::string> WaitForSettings(std::chrono::milliseconds deadline);
  void ReadLoop();
  void TickLoop();
  std::string NextPngPath();

  // IReceiverListener, called with mutex_ held.
  void OnPacket(const std::string& line) override;
  void OnSettingsReport(const MirroredSettings& settings) override;
  void OnScreenProgress(size_t received) override;
  void OnScreenComplete(const std::vector<uint8_t>& image) override;
  void OnScreenShort(size_t received) override;

  ILine& line_;
  Console& console_;
  SessionOptions options_;
  std::unique_ptr<Pacer> writePacer_;
  std::unique_ptr<Pacer> readPacer_;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  Receiver receiver_;
  std::deque<bool> screenAnswers_;  // outcomes not yet waited for: true when complete
  int settingsReports_ = 0;         // reports not yet waited for
  int settingsOwed_ = 0;            // get-settings sent without a report yet
  int screensWritten_ = 0;
  bool lineFailed_ = false;
  bool stopping_ = false;

  std::thread reader_;
  std::thread ticker_;
};

}  // namespace handheld
