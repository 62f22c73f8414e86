#include "backends/settings_toml/SettingsPath.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string HomeFromUserDatabase() {
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr ||
      found->pw_dir == nullptr) {
    return "";
  }
  return found->pw_dir;
}

}  // namespace

std::filesystem::path SettingsPathFor(const char* xdgConfigHome, const char* home) {
  std::filesystem::path base;
  if (xdgConfigHome != nullptr && std::filesystem::path(xdgConfigHome).is_absolute()) {
    base = xdgConfigHome;
  } else {
    base = std::filesystem::path(home != nullptr ? home : "") / ".config";
  }
  return base / "zem" / "settings.toml";
}

std::filesystem::path DefaultSettingsPath() {
  const char* home = std::getenv("HOME");
  const std::string homeFolder = (home != nullptr && *home != '\0') ? home : HomeFromUserDatabase();
  return SettingsPathFor(std::getenv("XDG_CONFIG_HOME"), homeFolder.c_str());
}
