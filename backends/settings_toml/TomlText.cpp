#include "backends/settings_toml/TomlText.h"

#include <charconv>
#include <cmath>
#include <sstream>
#include <vector>

#include "platform/Exception.h"

namespace {

// ---- Reading ----

// Counts the dots that can separate key levels: those outside strings and comments. Each adds at
// most one level of nesting, and the parser itself bounds the nesting of arrays and inline tables.
// Strings end where TOML ends them, so a valid document is counted exactly; on an invalid one the
// parser stops at the first fault anyway.
std::size_t CountStructuralDots(std::string_view text) {
  std::size_t dots = 0;
  std::size_t at = 0;
  const auto startsWith = [&](std::string_view token) {
    return text.substr(at, token.size()) == token;
  };
  // Moves past the closing delimiter. A single-line string or a comment also ends at a line break;
  // a multi-line string may end with up to two more quotes that belong to its text.
  const auto skipPast = [&](std::string_view closing, bool escapes, bool multiLine) {
    while (at < text.size() && !startsWith(closing)) {
      if (!multiLine && text[at] == '\n') return;
      at += (escapes && text[at] == '\\') ? 2 : 1;
    }
    at += closing.size();
    for (int extra = 0; multiLine && extra < 2 && at < text.size() && text[at] == closing[0];
         ++extra) {
      ++at;
    }
  };
  while (at < text.size()) {
    if (startsWith("\"\"\"")) {
      at += 3;
      skipPast("\"\"\"", true, true);
    } else if (startsWith("'''")) {
      at += 3;
      skipPast("'''", false, true);
    } else if (text[at] == '"') {
      ++at;
      skipPast("\"", true, false);
    } else if (text[at] == '\'') {
      ++at;
      skipPast("'", false, false);
    } else if (text[at] == '#') {
      skipPast("\n", false, false);
    } else {
      if (text[at] == '.') ++dots;
      ++at;
    }
  }
  return dots;
}

// ---- Writing ----

bool IsBareKey(std::string_view key) {
  if (key.empty()) return false;
  for (char c : key) {
    const bool bare = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      c == '_' || c == '-';
    if (!bare) return false;
  }
  return true;
}

void WriteQuoted(std::ostream& out, std::string_view text) {
  static const char* const hex = "0123456789ABCDEF";
  out << '"';
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        out << "\\\"";
        break;
      case '\\':
        out << "\\\\";
        break;
      case '\b':
        out << "\\b";
        break;
      case '\t':
        out << "\\t";
        break;
      case '\n':
        out << "\\n";
        break;
      case '\f':
        out << "\\f";
        break;
      case '\r':
        out << "\\r";
        break;
      default:
        if (byte < 0x20 || byte == 0x7F) {
          out << "\\u00" << hex[byte >> 4] << hex[byte & 0xF];
        } else {
          out << c;
        }
    }
  }
  out << '"';
}

void WriteKey(std::ostream& out, std::string_view key) {
  if (IsBareKey(key)) {
    out << key;
  } else {
    WriteQuoted(out, key);
  }
}

void WriteHeader(std::ostream& out, const std::vector<std::string_view>& path, bool arrayElement) {
  out << '\n' << (arrayElement ? "[[" : "[");
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (i > 0) out << '.';
    WriteKey(out, path[i]);
  }
  out << (arrayElement ? "]]" : "]") << '\n';
}

void WriteFloat(std::ostream& out, double number) {
  if (std::isnan(number)) {
    out << "nan";
  } else if (std::isinf(number)) {
    out << (number < 0 ? "-inf" : "inf");
  } else {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
    std::string text(buffer, result.ptr);
    // TOML tells floats from integers by a fraction or an exponent.
    if (text.find_first_of(".e") == std::string::npos) text += ".0";
    out << text;
  }
}

void WriteInlineValue(std::ostream& out, const toml::node& node);

void WriteInlineTable(std::ostream& out, const toml::table& table) {
  out << '{';
  bool first = true;
  for (const auto& [key, value] : table) {
    out << (first ? " " : ", ");
    first = false;
    WriteKey(out, key.str());
    out << " = ";
    WriteInlineValue(out, value);
  }
  out << (first ? "}" : " }");
}

void WriteInlineValue(std::ostream& out, const toml::node& node) {
  switch (node.type()) {
    case toml::node_type::string:
      WriteQuoted(out, node.as_string()->get());
      break;
    case toml::node_type::integer:
      out << node.as_integer()->get();
      break;
    case toml::node_type::floating_point:
      WriteFloat(out, node.as_floating_point()->get());
      break;
    case toml::node_type::boolean:
      out << (node.as_boolean()->get() ? "true" : "false");
      break;
    case toml::node_type::date:
      out << node.as_date()->get();
      break;
    case toml::node_type::time:
      out << node.as_time()->get();
      break;
    case toml::node_type::date_time:
      out << node.as_date_time()->get();
      break;
    case toml::node_type::table:
      WriteInlineTable(out, *node.as_table());
      break;
    case toml::node_type::array: {
      out << '[';
      bool first = true;
      for (const toml::node& element : *node.as_array()) {
        out << (first ? " " : ", ");
        first = false;
        WriteInlineValue(out, element);
      }
      out << (first ? "]" : " ]");
      break;
    }
    case toml::node_type::none:
      break;
  }
}

bool IsArrayOfTables(const toml::node& node) {
  return node.is_array() && node.as_array()->is_array_of_tables();
}

bool HoldsPlainValues(const toml::table& table) {
  for (const auto& entry : table) {
    if (!entry.second.is_table() && !IsArrayOfTables(entry.second)) return true;
  }
  return false;
}

// Writes a table's own values, then each sub-table under its header, then each array of tables as
// [[...]] sections. The path holds the keys that lead to the table. A table that holds only other
// tables gets no header of its own: theirs define it.
void WriteTableBody(std::ostream& out, const toml::table& table,
                    std::vector<std::string_view>& path) {
  for (const auto& [key, value] : table) {
    if (value.is_table() || IsArrayOfTables(value)) continue;
    WriteKey(out, key.str());
    out << " = ";
    WriteInlineValue(out, value);
    out << '\n';
  }
  for (const auto& [key, value] : table) {
    if (!value.is_table()) continue;
    const toml::table& subTable = *value.as_table();
    path.push_back(key.str());
    if (subTable.empty() || HoldsPlainValues(subTable)) WriteHeader(out, path, false);
    WriteTableBody(out, subTable, path);
    path.pop_back();
  }
  for (const auto& [key, value] : table) {
    if (!IsArrayOfTables(value)) continue;
    path.push_back(key.str());
    for (const toml::node& element : *value.as_array()) {
      WriteHeader(out, path, true);
      WriteTableBody(out, *element.as_table(), path);
    }
    path.pop_back();
  }
}

// ---- Comparing ----

bool SameNode(const toml::node& a, const toml::node& b);

bool SameTable(const toml::table& a, const toml::table& b) {
  if (a.size() != b.size()) return false;
  for (const auto& [key, value] : a) {
    const toml::node* other = b.get(key.str());
    if (other == nullptr || !SameNode(value, *other)) return false;
  }
  return true;
}

bool SameNode(const toml::node& a, const toml::node& b) {
  if (a.type() != b.type()) return false;
  switch (a.type()) {
    case toml::node_type::table:
      return SameTable(*a.as_table(), *b.as_table());
    case toml::node_type::array: {
      const toml::array& left = *a.as_array();
      const toml::array& right = *b.as_array();
      if (left.size() != right.size()) return false;
      for (std::size_t i = 0; i < left.size(); ++i) {
        if (!SameNode(left[i], right[i])) return false;
      }
      return true;
    }
    case toml::node_type::floating_point: {
      const double left = a.as_floating_point()->get();
      const double right = b.as_floating_point()->get();
      return left == right || (std::isnan(left) && std::isnan(right));
    }
    case toml::node_type::string:
      return a.as_string()->get() == b.as_string()->get();
    case toml::node_type::integer:
      return a.as_integer()->get() == b.as_integer()->get();
    case toml::node_type::boolean:
      return a.as_boolean()->get() == b.as_boolean()->get();
    case toml::node_type::date:
      return a.as_date()->get() == b.as_date()->get();
    case toml::node_type::time:
      return a.as_time()->get() == b.as_time()->get();
    case toml::node_type::date_time:
      return a.as_date_time()->get() == b.as_date_time()->get();
    case toml::node_type::none:
      return true;
  }
  return false;
}

}  // namespace

std::optional<toml::table> ParseSettings(std::string_view text) {
  if (CountStructuralDots(text) > kMaxStructuralDots) return std::nullopt;
  try {
    return toml::parse(text);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::string FormatSettings(const toml::table& document) {
  std::ostringstream out;
  std::vector<std::string_view> path;
  WriteTableBody(out, document, path);
  std::string text = out.str();
  if (!text.empty() && text.front() == '\n') text.erase(0, 1);

  // A last check before anything reaches the disk: the text must read back as the same document.
  const std::optional<toml::table> readBack = ParseSettings(text);
  if (!readBack || !SameTable(document, *readBack)) {
    throw Exception("the settings cannot be written as TOML without changing them");
  }
  return text;
}
