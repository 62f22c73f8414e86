#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace handheld {

// The command line of zem-handheld.
struct Options {
  std::string device;  // empty: create a pseudo-terminal
  std::string script;  // empty: read commands from standard input
  uint32_t paceBaud = 0;
  std::string pngPath = "zem-screen.png";
  bool acceptUnrequestedScreens = false;
  std::chrono::milliseconds finalWait{20000};
  std::chrono::milliseconds stallLimit{3000};
  bool help = false;

  // Raises Exception for an unknown option or a bad value.
  static Options Parse(const std::vector<std::string>& arguments);
  static std::string Help();
};

}  // namespace handheld
