#include "platform/Registry.h"

#include <exception>
#include <limits>
#include <variant>

#include "platform/Exception.h"

namespace {

std::string GetDataFailed(const std::string& name) {
  return "Failed to get data for '" + name + "'";
}

std::string SetDataFailed(const std::string& name) {
  return "Failed to set data for '" + name + "'";
}

std::string InvalidDataType(const std::string& name) {
  return "Invalid data type for '" + name + "'";
}

// Appends the backslash-separated levels of a key name to a path; empty levels are skipped.
void AppendKeyLevels(TKeyPath& path, const std::string& key) {
  std::string::size_type start = 0;
  while (start <= key.size()) {
    std::string::size_type end = key.find('\\', start);
    if (end == std::string::npos) end = key.size();
    if (end > start) path.push_back(key.substr(start, end - start));
    start = end + 1;
  }
}

}  // namespace

TRegistry::TRegistry(ISettingsStore& store) : store_(store) {}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
  const bool fromRoot = !currentKey_ || (!key.empty() && key.front() == '\\');
  TKeyPath path = fromRoot ? TKeyPath{} : *currentKey_;
  AppendKeyLevels(path, key);
  try {
    if (canCreate) {
      store_.CreateKey(path);
    } else if (!store_.KeyExists(path)) {
      return false;
    }
  } catch (const std::exception&) {
    // Opening reports failure by its result, like the registry itself does.
    return false;
  }
  currentKey_ = std::move(path);
  return true;
}

void TRegistry::CloseKey() {
  currentKey_.reset();
}

int32_t TRegistry::ReadInteger(const std::string& name) {
  const std::optional<TSettingsValue> value = ReadValue(name);
  if (!value) throw Exception(GetDataFailed(name));
  const int64_t* number = std::get_if<int64_t>(&*value);
  constexpr int64_t lowest = std::numeric_limits<int32_t>::min();
  constexpr int64_t highest = std::numeric_limits<uint32_t>::max();
  if (number == nullptr || *number < lowest || *number > highest) {
    throw Exception(InvalidDataType(name));
  }
  // A DWORD above 2^31-1 is the same 32 bits as a negative int32.
  return static_cast<int32_t>(static_cast<uint32_t>(*number));
}

bool TRegistry::ReadBool(const std::string& name) {
  return ReadInteger(name) != 0;
}

std::string TRegistry::ReadString(const std::string& name) {
  const std::optional<TSettingsValue> value = ReadValue(name);
  if (!value) return "";
  const std::string* text = std::get_if<std::string>(&*value);
  if (text == nullptr) throw Exception(InvalidDataType(name));
  return *text;
}

void TRegistry::WriteInteger(const std::string& name, int32_t value) {
  WriteValue(name, TSettingsValue{int64_t{value}});
}

void TRegistry::WriteBool(const std::string& name, bool value) {
  WriteInteger(name, value ? 1 : 0);
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
  WriteValue(name, TSettingsValue{value});
}

std::optional<TSettingsValue> TRegistry::ReadValue(const std::string& name) {
  if (!currentKey_) throw Exception(GetDataFailed(name) + ": no key is open");
  try {
    return store_.ReadValue(*currentKey_, name);
  } catch (const std::exception& error) {
    throw Exception(GetDataFailed(name) + ": " + error.what());
  }
}

void TRegistry::WriteValue(const std::string& name, const TSettingsValue& value) {
  if (!currentKey_) throw Exception(SetDataFailed(name) + ": no key is open");
  try {
    store_.WriteValue(*currentKey_, name, value);
  } catch (const Exception&) {
    throw;  // the store's own message already says what could not be saved and why
  } catch (const std::exception& error) {
    throw Exception(SetDataFailed(name) + ": " + error.what());
  }
}
