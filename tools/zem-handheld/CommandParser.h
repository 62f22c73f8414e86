#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace handheld {

// One line of a script, parsed.
struct ScriptCommand {
  enum class Kind {
    Nothing,       // blank line or comment
    Send,          // write bytes to the line
    Wait,          // sleep for duration
    WaitScreen,    // wait for the next screen answer, duration as the deadline
    WaitSettings,  // wait for the next complete settings report, duration as the deadline
  };
  Kind kind = Kind::Nothing;
  std::string bytes;                      // Send
  int screenRequests = 0;                 // Send: FF FF FF packets among the bytes
  int settingsRequests = 0;               // Send: FF A0 xx packets among the bytes
  std::chrono::milliseconds duration{0};  // Wait, WaitScreen, WaitSettings
};

// Turns script lines into commands. Every malformed line raises Exception with a message that says
// what is wrong; the caller adds the line number.
class CommandParser {
 public:
  static constexpr std::chrono::milliseconds DefaultScreenWait{20000};
  static constexpr std::chrono::milliseconds DefaultSettingsWait{5000};

  static ScriptCommand Parse(std::string_view line);

  // The command words and their arguments, one per line, for --help.
  static std::string Usage();
};

}  // namespace handheld
