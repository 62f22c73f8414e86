// zem-handheld: plays the handheld on a serial line or a new pseudo-terminal, for trying ZEM
// without the device and for its end-to-end tests.
#include <unistd.h>

#include <fstream>
#include <iostream>
#include <memory>

#include "platform/Exception.h"
#include "tools/zem-handheld/Console.h"
#include "tools/zem-handheld/DeviceOpener.h"
#include "tools/zem-handheld/Options.h"
#include "tools/zem-handheld/PtyLine.h"
#include "tools/zem-handheld/ScriptRunner.h"
#include "tools/zem-handheld/Session.h"

using namespace handheld;

namespace {

constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;

std::unique_ptr<ILine> OpenLine(const Options& options, Console& console) {
  if (!options.device.empty()) return DeviceOpener::Open(options.device);
  auto pty = std::make_unique<PtyLine>();
  console.Line("device " + pty->SlavePath());
  return pty;
}

int Run(const Options& options) {
  Console console(std::cout, std::cerr, isatty(STDERR_FILENO) == 1);
  try {
    // A script file is checked whole before the line is opened and anything is sent.
    std::vector<ScriptLine> script;
    if (!options.script.empty()) {
      std::ifstream file(options.script);
      if (!file) throw Exception("cannot read the script " + options.script);
      script = ScriptRunner::ParseAll(file, options.script);
    }
    const std::unique_ptr<ILine> line = OpenLine(options, console);
    Session session(
        *line, console,
        {options.paceBaud, options.pngPath, options.acceptUnrequestedScreens, options.stallLimit});
    ScriptRunner runner(session, console, options.script.empty() ? "stdin" : options.script);
    bool ok = options.script.empty() ? runner.RunStream(std::cin, isatty(STDIN_FILENO) == 1)
                                     : runner.Run(script);
    for (const std::string& problem : session.FinishOutstanding(options.finalWait)) {
      console.Error(problem);
      ok = false;
    }
    session.Stop();
    return ok ? 0 : ExitFailure;
  } catch (const Exception& error) {
    console.Error(error.Message());
    return ExitFailure;
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  try {
    options = Options::Parse(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const Exception& error) {
    std::cerr << "zem-handheld: " << error.Message() << "\n";
    return ExitUsage;
  }
  if (options.help) {
    std::cout << Options::Help();
    return 0;
  }
  return Run(options);
}
