#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "backends/settings_toml/SettingsPath.h"

namespace {

TEST(SettingsPathTest, XdgConfigHomeIsUsedOnlyWhenAbsolute) {
  struct Case {
    const char* xdg;
    const char* home;
    const char* expected;
  };
  const Case cases[] = {
      {"/xdg", "/home/u", "/xdg/zem/settings.toml"},
      {"/xdg/", "/home/u", "/xdg/zem/settings.toml"},
      {nullptr, "/home/u", "/home/u/.config/zem/settings.toml"},
      {"", "/home/u", "/home/u/.config/zem/settings.toml"},
      {"relative/config", "/home/u", "/home/u/.config/zem/settings.toml"},
      {"./config", "/home/u", "/home/u/.config/zem/settings.toml"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SettingsPathFor(c.xdg, c.home).lexically_normal(), std::filesystem::path(c.expected))
        << (c.xdg ? c.xdg : "(unset)");
  }
}

// Sets or unsets an environment variable for one scope and puts the old value back afterwards.
class TScopedVariable {
 public:
  TScopedVariable(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~TScopedVariable() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(SettingsPathTest, DefaultPathFollowsTheEnvironment) {
  {
    TScopedVariable home("HOME", "/home/someone");
    TScopedVariable xdg("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(DefaultSettingsPath(), std::filesystem::path("/cfg/zem/settings.toml"));
  }
  {
    TScopedVariable home("HOME", "/home/someone");
    TScopedVariable xdg("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(DefaultSettingsPath(),
              std::filesystem::path("/home/someone/.config/zem/settings.toml"));
  }
  {
    // Without HOME the user database still knows the home folder.
    TScopedVariable home("HOME", nullptr);
    TScopedVariable xdg("XDG_CONFIG_HOME", "");
    const std::filesystem::path path = DefaultSettingsPath();
    EXPECT_TRUE(path.is_absolute()) << path;
    EXPECT_EQ(path.filename(), "settings.toml");
    EXPECT_EQ(path.parent_path().parent_path().filename(), ".config");
  }
}

}  // namespace
