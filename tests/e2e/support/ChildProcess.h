#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// What a child process is started with.
struct TChildOptions {
  std::string program;
  std::vector<std::string> arguments;
  // Variables set (or, with an empty value, removed) on top of this process's environment.
  std::map<std::string, std::string> environment;
  // A pipe to the child's standard input; otherwise it reads /dev/null.
  bool pipeInput = false;
  // A pipe from the child's standard output, read line by line; otherwise it goes to the log.
  bool pipeOutput = false;
  // Standard error (and standard output when not piped) goes to this file; empty: /dev/null.
  std::filesystem::path logFile;
};

// A program run as a child process. The destructor kills it (SIGKILL) if it is still running.
class TChildProcess {
 public:
  // Raises std::runtime_error when the program cannot be started.
  explicit TChildProcess(const TChildOptions& options);
  ~TChildProcess();

  TChildProcess(const TChildProcess&) = delete;
  TChildProcess& operator=(const TChildProcess&) = delete;

  pid_t Pid() const { return pid_; }
  bool Running();

  // Sends a signal to the child.
  void Signal(int signal);

  // Waits for the child to end; returns its wait status, or nothing when it is still running at
  // the end of the time.
  std::optional<int> Wait(std::chrono::milliseconds limit);

  // SIGTERM, then waiting; SIGKILL when it has not ended in time. Returns the wait status.
  int Stop(std::chrono::milliseconds limit);

  void WriteInput(const std::string& text);
  void CloseInput();

  // The next line of standard output (without its newline), or nothing when none has come in
  // time or the output has ended.
  std::optional<std::string> ReadLine(std::chrono::milliseconds limit);

  // Every line of output read so far, in order.
  const std::vector<std::string>& OutputLines() const { return lines_; }

  // The log file's contents, for a failure message.
  std::string Log() const;

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
  int input_ = -1;
  int output_ = -1;
  std::string pending_;  // output not yet ended by a newline
  std::vector<std::string> lines_;
  std::filesystem::path logFile_;
};

}  // namespace e2e
