#include <gtest/gtest.h>
#include <sys/stat.h>
#include <toml++/toml.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "backends/settings_toml/TomlSettingsStore.h"
#include "platform/Exception.h"
#include "platform/Registry.h"

namespace {

namespace fs = std::filesystem;

const TKeyPath kZemKey{"Software", "ZEM"};

class TomlSettingsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "zem-settings-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root = pattern;
    file = root / "config" / "zem" / "settings.toml";
  }
  void TearDown() override {
    // Give back any permission a test took away, so that everything can be removed.
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
      if (entry.is_directory() && !entry.is_symlink())
        fs::permissions(entry.path(), fs::perms::owner_all);
    }
    fs::remove_all(root);
  }

  void WriteFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
  }
  static std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
  }
  static toml::table ParseFile(const fs::path& path) { return toml::parse_file(path.string()); }
  std::vector<std::string> NamesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
      names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path root;
  fs::path file;
};

TEST_F(TomlSettingsStoreTest, ValuesRoundTripThroughAFreshStoreAndTheFile) {
  TTomlSettingsStore store(file);
  EXPECT_FALSE(store.KeyExists(kZemKey));
  EXPECT_EQ(store.ReadValue(kZemKey, "COM"), std::nullopt);

  store.CreateKey(kZemKey);  // an empty key writes nothing
  EXPECT_FALSE(fs::exists(file));

  store.WriteValue(kZemKey, "COM", int64_t{3});
  store.WriteValue(kZemKey, "Left", int64_t{-5000});
  store.WriteValue(kZemKey, "Orientation", std::string("Landscape"));
  store.WriteValue(kZemKey, "Orientation", std::string("Portrait"));
  store.WriteValue(kZemKey, "Full screen", int64_t{1});

  TTomlSettingsStore fresh(file);
  EXPECT_TRUE(fresh.KeyExists(kZemKey));
  EXPECT_TRUE(fresh.KeyExists({"Software"}));
  EXPECT_FALSE(fresh.KeyExists({"Software", "Other"}));
  EXPECT_EQ(fresh.ReadValue(kZemKey, "COM"), TSettingsValue{int64_t{3}});
  EXPECT_EQ(fresh.ReadValue(kZemKey, "Left"), TSettingsValue{int64_t{-5000}});
  EXPECT_EQ(fresh.ReadValue(kZemKey, "Orientation"), TSettingsValue{std::string("Portrait")});
  EXPECT_EQ(fresh.ReadValue(kZemKey, "Missing"), std::nullopt);

  // The file is plain TOML with the values in the table [Software.ZEM].
  const toml::table document = ParseFile(file);
  EXPECT_EQ(document["Software"]["ZEM"]["COM"].value<int64_t>(), 3);
  EXPECT_EQ(document["Software"]["ZEM"]["Full screen"].value<int64_t>(), 1);
  EXPECT_EQ(document["Software"]["ZEM"]["Orientation"].value<std::string>(), "Portrait");
  // No temporary file is left behind.
  EXPECT_EQ(NamesIn(file.parent_path()), std::vector<std::string>{"settings.toml"});
}

TEST_F(TomlSettingsStoreTest, ForeignTablesAndValuesSurviveSavesAndEditsMadeMeanwhile) {
  WriteFile(file, R"(# the user's own notes
editor = "vi"
[Software.ZEM]
COM = 1
Unknown = 2.5
[Software.ZEM.Ports]
COM1 = "/dev/ttyUSB0"
[[Software.Other]]
name = "first"
)");
  TTomlSettingsStore store(file);
  store.WriteValue(kZemKey, "COM", int64_t{2});

  // The user edits the file while the program runs; the next read sees it, the next save keeps it.
  toml::table edited = ParseFile(file);
  edited["Software"]["ZEM"]["Ports"].as_table()->insert_or_assign("COM2", "/dev/ttyS1");
  edited["Software"]["ZEM"].as_table()->insert_or_assign("Top", 40);
  std::ostringstream text;
  text << edited;
  WriteFile(file, text.str());
  EXPECT_EQ(store.ReadValue(kZemKey, "Top"), TSettingsValue{int64_t{40}});
  store.WriteValue(kZemKey, "Left", int64_t{7});

  const toml::table document = ParseFile(file);
  EXPECT_EQ(document["editor"].value<std::string>(), "vi");
  EXPECT_EQ(document["Software"]["ZEM"]["COM"].value<int64_t>(), 2);
  EXPECT_EQ(document["Software"]["ZEM"]["Left"].value<int64_t>(), 7);
  EXPECT_EQ(document["Software"]["ZEM"]["Top"].value<int64_t>(), 40);
  EXPECT_EQ(document["Software"]["ZEM"]["Unknown"].value<double>(), 2.5);
  EXPECT_EQ(document["Software"]["ZEM"]["Ports"]["COM1"].value<std::string>(), "/dev/ttyUSB0");
  EXPECT_EQ(document["Software"]["ZEM"]["Ports"]["COM2"].value<std::string>(), "/dev/ttyS1");
  EXPECT_EQ(document["Software"]["Other"][0]["name"].value<std::string>(), "first");
  // The port table is a key of its own and reads through the store like any other.
  EXPECT_EQ(store.ReadValue({"Software", "ZEM", "Ports"}, "COM1"),
            TSettingsValue{std::string("/dev/ttyUSB0")});
}

TEST_F(TomlSettingsStoreTest, ReportsEveryTypeHonestly) {
  WriteFile(file, R"([Software.ZEM]
big = 4294967296
low = -2147483649
dword = 4294967295
text = "Portrait"
float = 1.0
flag = true
day = 2024-01-01
list = [1]
inline = { a = 1 }
[Software.ZEM.Ports]
)");
  TTomlSettingsStore store(file);
  const std::pair<const char*, TSettingsValue> cases[] = {
      {"big", int64_t{4294967296}},     {"low", int64_t{-2147483649}},
      {"dword", int64_t{4294967295}},   {"text", std::string("Portrait")},
      {"float", TOtherValue{"float"}},  {"flag", TOtherValue{"boolean"}},
      {"day", TOtherValue{"date"}},     {"list", TOtherValue{"array"}},
      {"inline", TOtherValue{"table"}}, {"Ports", TOtherValue{"table"}},
  };
  for (const auto& [name, expected] : cases)
    EXPECT_EQ(store.ReadValue(kZemKey, name), expected) << name;

  // The registry on top decides what a DWORD is.
  TRegistry registry(store);
  ASSERT_TRUE(registry.OpenKey("Software\\ZEM", false));
  EXPECT_EQ(registry.ReadInteger("dword"), -1);
  EXPECT_THROW(registry.ReadInteger("big"), Exception);
  EXPECT_THROW(registry.ReadInteger("low"), Exception);
  EXPECT_THROW(registry.ReadBool("flag"), Exception);
  EXPECT_THROW(registry.ReadString("float"), Exception);
}

TEST_F(TomlSettingsStoreTest, RefusesWritesThatWouldLoseOrGarbleData) {
  const std::string original =
      R"(Software = { Blocked = 1, ZEM = { Ports = { COM1 = "/dev/ttyUSB0" }, Old = 1.5 } }
)";
  WriteFile(file, original);
  TTomlSettingsStore store(file);

  // A plain value of another type is the program's own to replace...
  store.WriteValue(kZemKey, "Old", int64_t{1});
  EXPECT_EQ(store.ReadValue(kZemKey, "Old"), TSettingsValue{int64_t{1}});
  const std::string before = ReadFile(file);

  // ...but a table, a key path through a plain value, bad text or an unwritable type are refused.
  EXPECT_THROW(store.WriteValue(kZemKey, "Ports", int64_t{1}), Exception);
  EXPECT_THROW(store.CreateKey({"Software", "Blocked", "Deeper"}), Exception);
  EXPECT_THROW(store.WriteValue({"Software", "Blocked", "Deeper"}, "COM", int64_t{1}), Exception);
  EXPECT_THROW(store.WriteValue(kZemKey, "Orientation", std::string("\xff")), Exception);
  EXPECT_THROW(store.WriteValue(kZemKey, "Odd", TOtherValue{"float"}), Exception);
  EXPECT_EQ(ReadFile(file), before);
}

TEST_F(TomlSettingsStoreTest, DamagedFileReadsAsMissingAndIsKeptBesideTheNewOne) {
  const fs::path bad = file.parent_path() / "settings.toml.bad";
  const std::string damaged =
      "[Software.ZEM\nCOM = 3\n[Software.ZEM.Ports]\nCOM1 = \"/dev/ttyUSB0\"\n";
  WriteFile(file, damaged);

  TTomlSettingsStore store(file);
  EXPECT_FALSE(store.KeyExists(kZemKey));
  EXPECT_EQ(store.ReadValue(kZemKey, "COM"), std::nullopt);
  TRegistry registry(store);
  EXPECT_TRUE(registry.OpenKey("Software", true));
  EXPECT_EQ(ReadFile(file), damaged);  // reading and opening change nothing
  EXPECT_FALSE(fs::exists(bad));

  store.WriteValue(kZemKey, "COM", int64_t{1});
  EXPECT_EQ(ReadFile(bad), damaged);
  EXPECT_EQ(ParseFile(file)["Software"]["ZEM"]["COM"].value<int64_t>(), 1);
  store.WriteValue(kZemKey, "Top", int64_t{2});  // a good file makes no further copy

  // A second, different damage never overwrites the first copy.
  const std::string damagedAgain = "COM = = 4\n";
  WriteFile(file, damagedAgain);
  store.WriteValue(kZemKey, "COM", int64_t{2});
  EXPECT_EQ(ReadFile(bad), damaged);
  EXPECT_EQ(ReadFile(file.parent_path() / "settings.toml.bad.1"), damagedAgain);
  EXPECT_EQ(
      NamesIn(file.parent_path()),
      (std::vector<std::string>{"settings.toml", "settings.toml.bad", "settings.toml.bad.1"}));
}

TEST_F(TomlSettingsStoreTest, CreatesAPrivateFolderAndFileWhateverTheUmask) {
  for (mode_t mask : {mode_t{0}, mode_t{0277}}) {
    fs::remove_all(root / "config");
    {
      // Puts the old umask back even when a write raises.
      struct TUmask {
        mode_t old;
        ~TUmask() { ::umask(old); }
      } restore{::umask(mask)};
      TTomlSettingsStore store(file);
      store.WriteValue(kZemKey, "COM", int64_t{1});
      store.WriteValue(kZemKey, "COM", int64_t{2});  // a replacement keeps the modes too
    }

    struct stat info {};
    for (const fs::path& folder : {file.parent_path(), file.parent_path().parent_path()}) {
      ASSERT_EQ(::stat(folder.c_str(), &info), 0);
      EXPECT_EQ(info.st_mode & 07777, 0700u) << folder << " umask " << mask;
    }
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u) << "umask " << mask;
  }
}

TEST_F(TomlSettingsStoreTest, ThingsInTheWayOfTheFileRaiseANamedErrorAndStay) {
  struct Case {
    const char* what;
    std::function<void(const fs::path&)> make;
    const char* reason;
  };
  const Case cases[] = {
      {"a folder", [](const fs::path& p) { fs::create_directories(p / "inside"); },
       "Is a directory"},
      {"a named pipe", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); },
       "not a regular file"},
  };
  for (const Case& c : cases) {
    fs::remove_all(root / "config");
    fs::create_directories(file.parent_path());
    c.make(file);
    TTomlSettingsStore store(file);
    EXPECT_EQ(store.ReadValue(kZemKey, "COM"), std::nullopt) << c.what;  // and does not hang
    try {
      store.WriteValue(kZemKey, "COM", int64_t{1});
      ADD_FAILURE() << c.what << ": the write must fail";
    } catch (const Exception& error) {
      EXPECT_EQ(error.Message(), "Cannot save settings to " + file.string() + ": " + c.reason);
    }
    EXPECT_TRUE(fs::exists(file)) << c.what;
    EXPECT_EQ(NamesIn(file.parent_path()), std::vector<std::string>{"settings.toml"}) << c.what;
  }
}

TEST_F(TomlSettingsStoreTest, AFileWhereAFolderMustBeRaisesANamedError) {
  WriteFile(root / "config", "not a folder");
  TTomlSettingsStore store(file);
  EXPECT_EQ(store.ReadValue(kZemKey, "COM"), std::nullopt);
  try {
    store.WriteValue(kZemKey, "COM", int64_t{1});
    FAIL() << "the write must fail";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(), "Cannot save settings to " + file.string() + ": Not a directory");
  }
  EXPECT_EQ(ReadFile(root / "config"), "not a folder");
}

TEST_F(TomlSettingsStoreTest, ReadOnlyFolderRaisesANamedErrorAndKeepsTheOldFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  const std::string original = "[Software.ZEM]\nCOM = 4\n";
  WriteFile(file, original);
  fs::permissions(file.parent_path(), fs::perms::owner_read | fs::perms::owner_exec);

  TTomlSettingsStore store(file);
  try {
    store.WriteValue(kZemKey, "COM", int64_t{1});
    FAIL() << "the write must fail";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(), "Cannot save settings to " + file.string() + ": Permission denied");
  }
  EXPECT_EQ(ReadFile(file), original);
  EXPECT_EQ(store.ReadValue(kZemKey, "COM"), TSettingsValue{int64_t{4}});
}

TEST_F(TomlSettingsStoreTest, ALinkedFileIsUpdatedWhereItLives) {
  const fs::path real = root / "dotfiles" / "zem.toml";
  WriteFile(real, "[Software.ZEM.Ports]\nCOM1 = \"/dev/ttyACM0\"\n");
  fs::create_directories(file.parent_path());
  fs::create_symlink(fs::path("..") / ".." / "dotfiles" / "zem.toml", file);

  TTomlSettingsStore store(file);
  store.WriteValue(kZemKey, "COM", int64_t{1});

  EXPECT_TRUE(fs::is_symlink(file));
  const toml::table document = ParseFile(real);
  EXPECT_EQ(document["Software"]["ZEM"]["COM"].value<int64_t>(), 1);
  EXPECT_EQ(document["Software"]["ZEM"]["Ports"]["COM1"].value<std::string>(), "/dev/ttyACM0");
}

TEST_F(TomlSettingsStoreTest, AReplacementWaitsForNoEditMadeSinceTheRead) {
  WriteFile(file, "a = 1\n");
  TSettingsFile settingsFile(file);
  const TFileSnapshot snapshot = settingsFile.Read();
  ASSERT_EQ(snapshot.state, TFileSnapshot::TState::Present);

  WriteFile(file, "a = 22\n");  // an edit between the read and the save
  EXPECT_FALSE(settingsFile.ReplaceUnlessChanged("a = 3\n", snapshot));
  EXPECT_EQ(ReadFile(file), "a = 22\n");

  EXPECT_TRUE(settingsFile.ReplaceUnlessChanged("a = 3\n", settingsFile.Read()));
  EXPECT_EQ(ReadFile(file), "a = 3\n");
}

TEST_F(TomlSettingsStoreTest, RegistrySavesAndRestoresTheWholeKey) {
  {
    TTomlSettingsStore store(file);
    TRegistry registry(store);
    registry.OpenKey("Software", true);
    registry.OpenKey("ZEM", true);
    registry.WriteInteger("COM", 3);
    registry.WriteString("Orientation", "Landscape");
    registry.WriteInteger("ClientWidth", 640);
    registry.WriteBool("Mouse down", true);
    registry.WriteBool("Map Fn to Alt", false);
    registry.WriteInteger("Left", -5000);
    registry.CloseKey();
  }
  TTomlSettingsStore store(file);
  TRegistry registry(store);
  registry.OpenKey("Software", true);
  registry.OpenKey("ZEM", true);
  EXPECT_EQ(registry.ReadInteger("COM"), 3);
  EXPECT_EQ(registry.ReadString("Orientation"), "Landscape");
  EXPECT_EQ(registry.ReadInteger("ClientWidth"), 640);
  EXPECT_TRUE(registry.ReadBool("Mouse down"));
  EXPECT_FALSE(registry.ReadBool("Map Fn to Alt"));
  EXPECT_EQ(registry.ReadInteger("Left"), -5000);
  EXPECT_THROW(registry.ReadInteger("Top"), Exception);
}

}  // namespace
