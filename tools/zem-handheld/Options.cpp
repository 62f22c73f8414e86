#include "tools/zem-handheld/Options.h"

#include <charconv>
#include <cmath>

#include "platform/Exception.h"
#include "tools/zem-handheld/CommandParser.h"

namespace handheld {

namespace {

double ParseNumber(const std::string& option, const std::string& text, double min, double max) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
      !std::isfinite(value) || value < min || value > max) {
    throw Exception(option + ": expected a number from " + std::to_string(static_cast<long>(min)) +
                    " to " + std::to_string(static_cast<long>(max)) + ", got \"" + text + "\"");
  }
  return value;
}

std::chrono::milliseconds ParseSeconds(const std::string& option, const std::string& text) {
  return std::chrono::milliseconds(std::lround(ParseNumber(option, text, 0, 86400) * 1000));
}

}  // namespace

Options Options::Parse(const std::vector<std::string>& arguments) {
  Options options;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& option = arguments[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= arguments.size()) throw Exception(option + ": a value must follow");
      return arguments[++i];
    };
    if (option == "--help" || option == "-h") {
      options.help = true;
    } else if (option == "--device") {
      options.device = value();
    } else if (option == "--script") {
      options.script = value();
    } else if (option == "--baud") {
      const double baud = ParseNumber(option, value(), 1, 10'000'000);
      if (baud != std::floor(baud)) throw Exception(option + ": expected a whole number");
      options.paceBaud = static_cast<uint32_t>(baud);
    } else if (option == "--png") {
      options.pngPath = value();
      if (options.pngPath.empty()) throw Exception(option + ": expected a file name");
    } else if (option == "--accept-screen") {
      options.acceptUnrequestedScreens = true;
    } else if (option == "--final-wait") {
      options.finalWait = ParseSeconds(option, value());
    } else if (option == "--stall") {
      options.stallLimit = ParseSeconds(option, value());
    } else {
      throw Exception("unknown option \"" + option + "\" (see --help)");
    }
  }
  return options;
}

std::string Options::Help() {
  return "Usage: zem-handheld [OPTIONS]\n"
         "Plays the handheld's part on a serial line for ZEM: sends the packets of a script and\n"
         "prints what ZEM sends back; screen answers are written as PNG files.\n"
         "\n"
         "Without --device it creates a pseudo-terminal and prints its path first, as\n"
         "  device /dev/pts/N\n"
         "for ZEM to open as its serial port.\n"
         "\n"
         "Options:\n"
         "  --device PATH     use this serial device (opened exclusively, 115000 baud 8N1)\n"
         "  --script FILE     read commands from FILE (default: standard input)\n"
         "  --baud N          pace reads and writes at N baud, 10 bits a byte (default: no "
         "pacing)\n"
         "  --png PATH        screen image file (default zem-screen.png; later ones of the same\n"
         "                    run get -2, -3, ... before the extension)\n"
         "  --accept-screen   take every FF FF FF from ZEM as a screen answer, even unasked\n"
         "  --final-wait S    after the last command, wait up to S seconds for answers still\n"
         "                    owed (default 20)\n"
         "  --stall S         a screen answer with no byte for S seconds is short (default 3)\n"
         "  --help            show this text\n"
         "\n"
         "Commands, one a line:\n" +
         CommandParser::Usage() +
         "\n"
         "Received packets are printed as \"recv ...\" lines on standard output; errors and the\n"
         "screen progress go to standard error. Exit status: 0 when every command and answer\n"
         "succeeded, 1 otherwise, 2 for a bad command line.\n";
}

}  // namespace handheld
