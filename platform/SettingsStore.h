#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

// A value of some type the program does not read (a float, a table, a list, ...).
struct TOtherValue {
  std::string typeName;
  friend bool operator==(const TOtherValue&, const TOtherValue&) = default;
};

// A value of the per-user settings store: an integer, a string, or something else.
using TSettingsValue = std::variant<int64_t, std::string, TOtherValue>;

// A key path from the store's root, for example {"Software", "ZEM"}.
using TKeyPath = std::vector<std::string>;

// The typed per-user settings store: keys holding named values.
class ISettingsStore {
 public:
  virtual ~ISettingsStore() = default;

  virtual bool KeyExists(const TKeyPath& key) = 0;
  // Makes sure the key exists. Raises Exception when the store refuses.
  virtual void CreateKey(const TKeyPath& key) = 0;
  // The value, or nothing when the key or the value is missing or the store cannot be read.
  virtual std::optional<TSettingsValue> ReadValue(const TKeyPath& key, const std::string& name) = 0;
  // Creates or replaces a value, creating its key. Raises Exception (naming what could not be
  // written) when the store refuses; nothing the store held before is lost then.
  virtual void WriteValue(const TKeyPath& key, const std::string& name,
                          const TSettingsValue& value) = 0;
};
