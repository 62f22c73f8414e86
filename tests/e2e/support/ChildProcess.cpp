#include "tests/e2e/support/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "tests/e2e/support/Wait.h"

extern char** environ;

namespace e2e {

namespace {

// This process's environment with the overrides applied, as "NAME=value" strings.
std::vector<std::string> ChildEnvironment(const std::map<std::string, std::string>& overrides) {
  std::vector<std::string> result;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    const std::string name = text.substr(0, text.find('='));
    if (overrides.count(name) == 0) result.push_back(text);
  }
  for (const auto& [name, value] : overrides) {
    if (!value.empty()) result.push_back(name + "=" + value);
  }
  return result;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (auto& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

TChildProcess::TChildProcess(const TChildOptions& options) : logFile_(options.logFile) {
  int inputPipe[2] = {-1, -1};
  int outputPipe[2] = {-1, -1};
  if (options.pipeInput && pipe2(inputPipe, O_CLOEXEC) != 0) throw std::runtime_error("no pipe");
  if (options.pipeOutput && pipe2(outputPipe, O_CLOEXEC) != 0) throw std::runtime_error("no pipe");

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (options.pipeInput) {
    posix_spawn_file_actions_adddup2(&actions, inputPipe[0], 0);
  } else {
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  }
  const std::string log = options.logFile.empty() ? "/dev/null" : options.logFile.string();
  posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
  if (options.pipeOutput) {
    posix_spawn_file_actions_adddup2(&actions, outputPipe[1], 1);
  } else {
    posix_spawn_file_actions_adddup2(&actions, 2, 1);
  }

  std::vector<std::string> argv{options.program};
  argv.insert(argv.end(), options.arguments.begin(), options.arguments.end());
  std::vector<std::string> envp = ChildEnvironment(options.environment);
  auto argvPointers = Pointers(argv);
  auto envPointers = Pointers(envp);
  const int error = posix_spawn(&pid_, options.program.c_str(), &actions, nullptr,
                                argvPointers.data(), envPointers.data());
  posix_spawn_file_actions_destroy(&actions);

  if (options.pipeInput) {
    close(inputPipe[0]);
    input_ = inputPipe[1];
  }
  if (options.pipeOutput) {
    close(outputPipe[1]);
    output_ = outputPipe[0];
  }
  if (error != 0) {
    pid_ = -1;
    throw std::runtime_error("cannot start " + options.program + ": " + std::strerror(error));
  }
}

TChildProcess::~TChildProcess() {
  if (Running()) {
    kill(pid_, SIGKILL);
    Wait(std::chrono::seconds(5));
  }
  if (input_ >= 0) close(input_);
  if (output_ >= 0) close(output_);
}

bool TChildProcess::Running() {
  if (pid_ < 0 || status_) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) == pid_) status_ = status;
  return !status_;
}

void TChildProcess::Signal(int signal) {
  if (Running()) kill(pid_, signal);
}

std::optional<int> TChildProcess::Wait(std::chrono::milliseconds limit) {
  WaitUntil([this] { return !Running(); }, limit);
  return status_;
}

int TChildProcess::Stop(std::chrono::milliseconds limit) {
  Signal(SIGTERM);
  if (auto status = Wait(limit)) return *status;
  Signal(SIGKILL);
  return Wait(std::chrono::seconds(5)).value_or(-1);
}

void TChildProcess::WriteInput(const std::string& text) {
  size_t done = 0;
  while (input_ >= 0 && done < text.size()) {
    const ssize_t n = write(input_, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw std::runtime_error("the child takes no input");
    done += static_cast<size_t>(n);
  }
}

void TChildProcess::CloseInput() {
  if (input_ >= 0) close(input_);
  input_ = -1;
}

std::optional<std::string> TChildProcess::ReadLine(std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  while (true) {
    const size_t end = pending_.find('\n');
    if (end != std::string::npos) {
      std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      lines_.push_back(line);
      return line;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (output_ < 0 || left.count() <= 0) return std::nullopt;
    pollfd in{output_, POLLIN, 0};
    if (poll(&in, 1, static_cast<int>(left.count())) <= 0) continue;
    char chunk[4096];
    const ssize_t n = read(output_, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      close(output_);
      output_ = -1;
      return std::nullopt;
    }
    pending_.append(chunk, static_cast<size_t>(n));
  }
}

std::string TChildProcess::Log() const {
  if (logFile_.empty()) return "";
  std::ifstream in(logFile_);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace e2e
