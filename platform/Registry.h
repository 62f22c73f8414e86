#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/SettingsStore.h"

// The per-user registry accessor: one open key at a time over a typed settings store, whose root
// stands for HKEY_CURRENT_USER.
//
// Integers are registry DWORDs: 32 bits. A stored integer from -2^31 to 2^32-1 reads as an int32
// (a DWORD written unsigned reads back signed, so 4294967295 reads as -1); anything outside that
// range is not a DWORD and fails like a value of the wrong type.
//
// Every failure raises Exception with an English message; a read or write with no key open fails
// too.
class TRegistry {
 public:
  explicit TRegistry(ISettingsStore& store);

  // Opens a key relative to the open key, or to the root when none is open (or when the name starts
  // with a backslash). The name may hold several levels separated by backslashes. With canCreate a
  // missing key is created. On success the new key replaces the open one; on failure the open key
  // stays as it was and false is returned.
  bool OpenKey(const std::string& key, bool canCreate);
  // Closes the open key, if any.
  void CloseKey();
  bool HasOpenKey() const { return currentKey_.has_value(); }

  // Raises when the value is missing or is not a 32-bit integer.
  int32_t ReadInteger(const std::string& name);
  // ReadInteger(name) != 0.
  bool ReadBool(const std::string& name);
  // "" when the value is missing; raises when it is not a string.
  std::string ReadString(const std::string& name);

  // Create or replace the value; raise when the store refuses.
  void WriteInteger(const std::string& name, int32_t value);
  void WriteBool(const std::string& name, bool value);  // 1 or 0
  void WriteString(const std::string& name, const std::string& value);

 private:
  std::optional<TSettingsValue> ReadValue(const std::string& name);
  void WriteValue(const std::string& name, const TSettingsValue& value);

  ISettingsStore& store_;
  std::optional<TKeyPath> currentKey_;
};
