#include <gtest/gtest.h>

#include <map>
#include <set>

#include "platform/Exception.h"
#include "platform/Registry.h"

namespace {

// A store in memory that records keys and values and can be told to refuse.
class TMemoryStore : public ISettingsStore {
 public:
  bool KeyExists(const TKeyPath& key) override { return keys.count(key) > 0; }
  void CreateKey(const TKeyPath& key) override {
    if (refuse) throw Exception("refused");
    keys.insert(key);
  }
  std::optional<TSettingsValue> ReadValue(const TKeyPath& key, const std::string& name) override {
    auto found = values.find({key, name});
    if (found == values.end()) return std::nullopt;
    return found->second;
  }
  void WriteValue(const TKeyPath& key, const std::string& name,
                  const TSettingsValue& value) override {
    if (refuse) throw Exception("Cannot save settings to /x/settings.toml: Permission denied");
    keys.insert(key);
    values[{key, name}] = value;
  }

  std::set<TKeyPath> keys;
  std::map<std::pair<TKeyPath, std::string>, TSettingsValue> values;
  bool refuse = false;
};

const TKeyPath kZemKey{"Software", "ZEM"};

class RegistryTest : public ::testing::Test {
 protected:
  void OpenZem() {
    ASSERT_TRUE(registry.OpenKey("Software", true));
    ASSERT_TRUE(registry.OpenKey("ZEM", true));
  }
  void Store(const std::string& name, TSettingsValue value) {
    store.values[{kZemKey, name}] = std::move(value);
  }

  TMemoryStore store;
  TRegistry registry{store};
};

TEST_F(RegistryTest, OpenKeyIsRelativeToTheOpenKeyUntilClosed) {
  OpenZem();
  registry.WriteInteger("COM", 3);
  EXPECT_EQ(store.values.at({kZemKey, "COM"}), TSettingsValue{int64_t{3}});

  // After CloseKey the next name opens from the root again, giving the same key.
  registry.CloseKey();
  EXPECT_FALSE(registry.HasOpenKey());
  OpenZem();
  EXPECT_EQ(registry.ReadInteger("COM"), 3);

  // A multi-level name and a leading backslash (from the root) reach the same key.
  registry.CloseKey();
  ASSERT_TRUE(registry.OpenKey("Software\\ZEM", false));
  EXPECT_EQ(registry.ReadInteger("COM"), 3);
  ASSERT_TRUE(registry.OpenKey("\\Software\\ZEM", false));
  EXPECT_EQ(registry.ReadInteger("COM"), 3);
}

TEST_F(RegistryTest, FailedOpenKeepsTheOpenKey) {
  OpenZem();
  registry.WriteInteger("COM", 2);

  EXPECT_FALSE(registry.OpenKey("Missing", false));
  store.refuse = true;
  EXPECT_FALSE(registry.OpenKey("Refused", true));

  EXPECT_EQ(registry.ReadInteger("COM"), 2);
  EXPECT_EQ(store.keys.count(TKeyPath{"Software", "ZEM", "Missing"}), 0u);
}

TEST_F(RegistryTest, ReadIntegerAcceptsExactlyTheDwordRange) {
  OpenZem();
  struct Case {
    int64_t stored;
    int32_t expected;
  };
  const Case accepted[] = {
      {0, 0},
      {4, 4},
      {-1, -1},
      {-5000, -5000},
      {INT32_MIN, INT32_MIN},
      {INT32_MAX, INT32_MAX},
      {int64_t{1} << 31, INT32_MIN},  // a DWORD above 2^31-1 reads back signed
      {0xFFFFFFFFLL, -1},
  };
  for (const Case& c : accepted) {
    Store("COM", c.stored);
    EXPECT_EQ(registry.ReadInteger("COM"), c.expected) << c.stored;
  }
  for (int64_t outside : {int64_t{1} << 32, int64_t{INT32_MIN} - 1, INT64_MAX, INT64_MIN}) {
    Store("COM", outside);
    EXPECT_THROW(registry.ReadInteger("COM"), Exception) << outside;
  }
}

TEST_F(RegistryTest, ReadIntegerRaisesForMissingOrMistypedValues) {
  OpenZem();
  try {
    registry.ReadInteger("COM");
    FAIL() << "a missing value must raise";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(), "Failed to get data for 'COM'");
  }

  Store("COM", std::string("1"));
  try {
    registry.ReadInteger("COM");
    FAIL() << "a string must raise";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(), "Invalid data type for 'COM'");
  }

  Store("COM", TOtherValue{"float"});
  EXPECT_THROW(registry.ReadInteger("COM"), Exception);
  EXPECT_THROW(registry.ReadBool("COM"), Exception);
}

TEST_F(RegistryTest, ReadBoolIsIntegerNotZero) {
  OpenZem();
  for (auto [stored, expected] : {std::pair{0LL, false}, {1LL, true}, {2LL, true}, {-1LL, true}}) {
    Store("Full screen", int64_t{stored});
    EXPECT_EQ(registry.ReadBool("Full screen"), expected) << stored;
  }
}

TEST_F(RegistryTest, ReadStringGivesEmptyForMissingAndRaisesForOtherTypes) {
  OpenZem();
  EXPECT_EQ(registry.ReadString("Orientation"), "");

  const std::string withZero("Port\0rait", 9);
  Store("Orientation", withZero);
  EXPECT_EQ(registry.ReadString("Orientation"), withZero);

  Store("Orientation", int64_t{1});
  EXPECT_THROW(registry.ReadString("Orientation"), Exception);
  Store("Orientation", TOtherValue{"boolean"});
  EXPECT_THROW(registry.ReadString("Orientation"), Exception);
}

TEST_F(RegistryTest, WritesCreateOrReplaceTypedValues) {
  OpenZem();
  registry.WriteInteger("Left", -5000);
  registry.WriteBool("Mouse down", true);
  registry.WriteBool("Full screen", false);
  registry.WriteString("Orientation", "Landscape");
  registry.WriteString("Orientation", "Portrait");

  EXPECT_EQ(store.values.at({kZemKey, "Left"}), TSettingsValue{int64_t{-5000}});
  EXPECT_EQ(store.values.at({kZemKey, "Mouse down"}), TSettingsValue{int64_t{1}});
  EXPECT_EQ(store.values.at({kZemKey, "Full screen"}), TSettingsValue{int64_t{0}});
  EXPECT_EQ(store.values.at({kZemKey, "Orientation"}), TSettingsValue{std::string("Portrait")});
}

TEST_F(RegistryTest, RefusedWriteRaisesTheStoresMessage) {
  OpenZem();
  store.refuse = true;
  try {
    registry.WriteInteger("COM", 1);
    FAIL() << "a refused write must raise";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(), "Cannot save settings to /x/settings.toml: Permission denied");
  }
  EXPECT_THROW(registry.WriteString("Orientation", "Landscape"), Exception);
  EXPECT_TRUE(store.values.empty());
}

TEST_F(RegistryTest, EveryReadAndWriteFailsWithNoKeyOpen) {
  Store("COM", int64_t{1});
  Store("Orientation", std::string("Portrait"));
  for (int closedTwice = 0; closedTwice < 2; ++closedTwice) {
    EXPECT_THROW(registry.ReadInteger("COM"), Exception);
    EXPECT_THROW(registry.ReadBool("COM"), Exception);
    EXPECT_THROW(registry.ReadString("Orientation"), Exception);
    EXPECT_THROW(registry.WriteInteger("COM", 1), Exception);
    EXPECT_THROW(registry.WriteBool("Full screen", true), Exception);
    EXPECT_THROW(registry.WriteString("Orientation", "Landscape"), Exception);
    OpenZem();
    registry.CloseKey();
  }
  EXPECT_EQ(store.values.size(), 2u);
}

}  // namespace
