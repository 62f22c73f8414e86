#include "backends/settings_toml/TomlSettingsStore.h"

#include <optional>

#include "backends/settings_toml/TomlText.h"
#include "platform/Exception.h"

namespace {

// How often a write starts again because the file changed under it before giving up.
constexpr int kSaveAttempts = 5;

std::string DottedPath(const TKeyPath& key, std::size_t levels) {
  std::string text;
  for (std::size_t i = 0; i < levels && i < key.size(); ++i) {
    if (i > 0) text += '.';
    text += key[i];
  }
  return text;
}

// The document in the file, or nothing when it is missing, unreadable or damaged.
std::optional<toml::table> ReadDocument(const TSettingsFile& file) {
  const TFileSnapshot snapshot = file.Read();
  if (snapshot.state != TFileSnapshot::TState::Present) return std::nullopt;
  return ParseSettings(snapshot.content);
}

// The table at the key path, or null when a level is missing or is not a table.
const toml::table* FindTable(const toml::table& document, const TKeyPath& key) {
  const toml::table* table = &document;
  for (const std::string& level : key) {
    const toml::node* node = table->get(level);
    table = node != nullptr ? node->as_table() : nullptr;
    if (table == nullptr) return nullptr;
  }
  return table;
}

// The reason why the key path cannot be a table here, or nothing when it can.
std::optional<std::string> BlockedKey(const toml::table& document, const TKeyPath& key) {
  const toml::table* table = &document;
  for (std::size_t i = 0; i < key.size(); ++i) {
    const toml::node* node = table->get(key[i]);
    if (node == nullptr) return std::nullopt;
    table = node->as_table();
    if (table == nullptr) return "[" + DottedPath(key, i + 1) + "] is a value, not a table";
  }
  return std::nullopt;
}

// The table at the key path, created where missing. The path must not be blocked.
toml::table& MakeTable(toml::table& document, const TKeyPath& key) {
  toml::table* table = &document;
  for (const std::string& level : key) {
    table = table->insert(level, toml::table{}).first->second.as_table();
  }
  return *table;
}

const char* TypeName(toml::node_type type) {
  switch (type) {
    case toml::node_type::table:
      return "table";
    case toml::node_type::array:
      return "array";
    case toml::node_type::string:
      return "string";
    case toml::node_type::integer:
      return "integer";
    case toml::node_type::floating_point:
      return "float";
    case toml::node_type::boolean:
      return "boolean";
    case toml::node_type::date:
      return "date";
    case toml::node_type::time:
      return "time";
    case toml::node_type::date_time:
      return "date-time";
    case toml::node_type::none:
      break;
  }
  return "none";
}

TSettingsValue ToSettingsValue(const toml::node& node) {
  if (const auto* integer = node.as_integer()) return integer->get();
  if (const auto* text = node.as_string()) return text->get();
  return TOtherValue{TypeName(node.type())};
}

// Why this value cannot be stored, or nothing when it can.
std::optional<std::string> UnstorableValue(const TKeyPath& key, const std::string& name,
                                           const TSettingsValue& value) {
  for (const std::string& level : key) {
    if (!IsValidUtf8(level)) return "a key name is not valid UTF-8 text";
  }
  if (!IsValidUtf8(name)) return "a value name is not valid UTF-8 text";
  if (const auto* text = std::get_if<std::string>(&value); text != nullptr && !IsValidUtf8(*text)) {
    return "the text of '" + name + "' is not valid UTF-8";
  }
  if (const auto* other = std::get_if<TOtherValue>(&value)) {
    return "a value of type " + other->typeName + " cannot be written";
  }
  return std::nullopt;
}

// Sets the value in the document. The existing entry may be any plain value, but never a table or
// an array of tables: those are keys of their own in registry terms, and replacing them would lose
// them.
void SetValue(toml::table& document, const TKeyPath& key, const std::string& name,
              const TSettingsValue& value, const TSettingsFile& file) {
  if (const std::optional<std::string> blocked = BlockedKey(document, key)) {
    throw Exception(file.SaveError(*blocked));
  }
  toml::table& table = MakeTable(document, key);
  if (const toml::node* existing = table.get(name)) {
    if (existing->is_table() ||
        (existing->is_array() && existing->as_array()->is_array_of_tables())) {
      throw Exception(file.SaveError("'" + name + "' in [" + DottedPath(key, key.size()) +
                                     "] is a table, not a value"));
    }
  }
  if (const auto* integer = std::get_if<int64_t>(&value)) {
    table.insert_or_assign(name, *integer);
  } else {
    table.insert_or_assign(name, std::get<std::string>(value));
  }
}

}  // namespace

TTomlSettingsStore::TTomlSettingsStore(std::filesystem::path file) : file_(std::move(file)) {}

bool TTomlSettingsStore::KeyExists(const TKeyPath& key) {
  const std::optional<toml::table> document = ReadDocument(file_);
  return document && FindTable(*document, key) != nullptr;
}

void TTomlSettingsStore::CreateKey(const TKeyPath& key) {
  const std::optional<toml::table> document = ReadDocument(file_);
  if (!document) return;
  if (const std::optional<std::string> blocked = BlockedKey(*document, key)) {
    throw Exception("Cannot create the key [" + DottedPath(key, key.size()) + "] in " +
                    file_.Path().string() + ": " + *blocked);
  }
}

std::optional<TSettingsValue> TTomlSettingsStore::ReadValue(const TKeyPath& key,
                                                            const std::string& name) {
  const std::optional<toml::table> document = ReadDocument(file_);
  if (!document) return std::nullopt;
  const toml::table* table = FindTable(*document, key);
  const toml::node* node = table != nullptr ? table->get(name) : nullptr;
  if (node == nullptr) return std::nullopt;
  return ToSettingsValue(*node);
}

void TTomlSettingsStore::WriteValue(const TKeyPath& key, const std::string& name,
                                    const TSettingsValue& value) {
  if (const std::optional<std::string> problem = UnstorableValue(key, name, value)) {
    throw Exception(file_.SaveError(*problem));
  }
  for (int attempt = 0; attempt < kSaveAttempts; ++attempt) {
    const TFileSnapshot snapshot = file_.Read();
    if (snapshot.state == TFileSnapshot::TState::Unreadable) {
      throw Exception(file_.SaveError(snapshot.problem));
    }
    toml::table document;
    if (snapshot.state == TFileSnapshot::TState::Present) {
      std::optional<toml::table> parsed = ParseSettings(snapshot.content);
      if (parsed) {
        document = std::move(*parsed);
      } else {
        file_.KeepDamagedCopy(snapshot.content);
      }
    }
    SetValue(document, key, name, value, file_);

    std::string text;
    try {
      text = FormatSettings(document);
    } catch (const Exception& error) {
      throw Exception(file_.SaveError(error.Message()));
    }
    if (file_.ReplaceUnlessChanged(text, snapshot)) return;
  }
  throw Exception(file_.SaveError("the file kept changing while it was being saved"));
}
