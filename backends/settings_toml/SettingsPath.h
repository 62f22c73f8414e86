#pragma once

#include <filesystem>

// Where the settings file lives: $XDG_CONFIG_HOME/zem/settings.toml, or
// $HOME/.config/zem/settings.toml when XDG_CONFIG_HOME is unset, empty or relative (a relative one
// is invalid by the XDG rules). xdgConfigHome and home are the variables' values, null when unset.
std::filesystem::path SettingsPathFor(const char* xdgConfigHome, const char* home);

// The same from this process's environment. When HOME is unset or empty the home folder comes from
// the user database; when even that is unknown the path is relative to the working folder.
std::filesystem::path DefaultSettingsPath();
