// zem-port-check: says whether the port ZEM opens at start (the user's settings file) has a
// device behind it. Exit status 0 when it has, 1 when not; one line on standard output says why.

#include <cstdio>
#include <exception>

#include "backends/settings_toml/SettingsPath.h"
#include "backends/settings_toml/TomlSettingsStore.h"
#include "tools/zem-run/PortCheck.h"

int main() {
  try {
    TTomlSettingsStore settings(DefaultSettingsPath());
    const TPortCheck check = CheckSavedPort(settings);
    std::printf("%s\n", check.Describe().c_str());
    return check.Usable() ? 0 : 1;
  } catch (const std::exception& error) {
    std::printf("the settings cannot be read: %s\n", error.what());
    return 1;
  }
}
