#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/Exception.h"
#include "platform/SettingsStore.h"

// A settings store held in memory. It records the order of writes, and a test can make it refuse
// writes from a given value name on.
class TMemorySettingsStore : public ISettingsStore {
 public:
  std::map<std::pair<TKeyPath, std::string>, TSettingsValue> values;
  std::set<TKeyPath> keys;
  std::vector<std::string> writeOrder;
  std::string refuseFrom;  // the first value name whose write fails, and every write after it
  bool refusing = false;

  bool KeyExists(const TKeyPath& key) override { return keys.count(key) > 0; }
  void CreateKey(const TKeyPath& key) override {
    for (std::size_t n = 1; n <= key.size(); ++n)
      keys.insert(TKeyPath(key.begin(), key.begin() + n));
  }
  std::optional<TSettingsValue> ReadValue(const TKeyPath& key, const std::string& name) override {
    const auto found = values.find({key, name});
    if (found == values.end()) return std::nullopt;
    return found->second;
  }
  void WriteValue(const TKeyPath& key, const std::string& name,
                  const TSettingsValue& value) override {
    if (!refuseFrom.empty() && name == refuseFrom) refusing = true;
    if (refusing) throw Exception("Cannot save settings to memory: refused");
    CreateKey(key);
    values[{key, name}] = value;
    writeOrder.push_back(name);
  }

  // Test helpers for the program's own key.
  void Set(const std::string& name, TSettingsValue value) {
    CreateKey({"Software", "ZEM"});
    values[{{"Software", "ZEM"}, name}] = std::move(value);
  }
  std::optional<TSettingsValue> Get(const std::string& name) {
    return ReadValue({"Software", "ZEM"}, name);
  }
};
