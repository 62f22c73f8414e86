// screen_transfer: how long zempc takes to answer a screen request when the line runs at the
// cable's rate. zem-handheld plays the handheld on a pseudo-terminal paced at 115000 baud (10 bits
// a byte); the time runs from the request to the last byte of the answer, and is set against the
// time the 76 803 bytes of the answer need on the wire alone.

#include <chrono>
#include <cmath>
#include <cstdio>
#include <exception>
#include <optional>
#include <stdexcept>
#include <string>

#include "benchmarks/e2e_common.h"
#include "tests/e2e/support/ChildProcess.h"
#include "tests/e2e/support/TempFolder.h"
#include "tests/e2e/support/Wait.h"
#include "tests/e2e/support/XSession.h"
#include "tests/e2e/support/ZemUnderTest.h"

using namespace e2e;

namespace {

constexpr double Baud = 115000;
constexpr double AnswerBytes = 76803;
constexpr double WireSeconds = AnswerBytes * 10 / Baud;  // 6.6785 s

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.rfind(prefix, 0) == 0;
}

// Reads the handheld's output until a line starts with one of the prefixes; returns that line.
std::string AwaitLine(TChildProcess& handheld, std::initializer_list<const char*> prefixes,
                      std::chrono::seconds limit) {
  const auto deadline = Clock::now() + limit;
  while (Clock::now() < deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    const std::optional<std::string> line = handheld.ReadLine(left);
    if (!line) break;
    for (const char* prefix : prefixes) {
      if (StartsWith(*line, prefix)) return *line;
    }
  }
  throw std::runtime_error("zem-handheld did not print \"" + std::string(*prefixes.begin()) +
                           "\". Its errors:\n" + handheld.Log());
}

}  // namespace

int main() {
  using namespace e2e_bench;
  if (!TXSession::DisplayOpens()) return NotRun("screen_transfer", "no X display (set DISPLAY)");
  try {
    TXSession x;
    TTempFolder folder;
    TChildOptions options;
    options.program = ZEM_HANDHELD_PROGRAM;
    options.arguments = {"--baud", "115000", "--png", (folder.Path() / "screen.png").string()};
    options.pipeInput = true;
    options.pipeOutput = true;
    options.logFile = folder.Path() / "zem-handheld.log";
    TChildProcess handheld(options);
    const std::string deviceLine = AwaitLine(handheld, {"device "}, std::chrono::seconds(10));
    TZemUnderTest zem(x, deviceLine.substr(7));

    // The link is up once a settings report has come back.
    handheld.WriteInput("get-settings\nwait-settings 30\n");
    AwaitLine(handheld, {"recv settings "}, std::chrono::seconds(40));

    const auto asked = Clock::now();
    handheld.WriteInput("screen\nwait-screen 60\n");
    const std::string outcome = AwaitLine(handheld, {"recv screen complete", "recv screen short"},
                                          std::chrono::seconds(90));
    const double seconds = std::chrono::duration<double>(Clock::now() - asked).count();
    handheld.CloseInput();
    handheld.Wait(std::chrono::seconds(10));
    if (!StartsWith(outcome, "recv screen complete")) throw std::runtime_error(outcome);

    std::printf("screen request over a pseudo-terminal paced at %.0f baud, 10 bits a byte\n", Baud);
    std::printf("answer: %s\n", outcome.c_str());
    std::printf("request -> last byte of the answer: %.3f s; the %.0f bytes alone: %.3f s\n",
                seconds, AnswerBytes, WireSeconds);
    // The wire time is given to the millisecond below it, as it is usually quoted: 6.678 s.
    std::printf("screen_transfer seconds=%.3f wire_seconds=%.3f ratio=%.4f\n", seconds,
                std::floor(WireSeconds * 1000) / 1000, seconds / WireSeconds);
    return 0;
  } catch (const std::exception& error) {
    std::printf("screen_transfer: failed: %s\n", error.what());
    return 1;
  }
}
