#pragma once

#include <toml++/toml.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/Utf8.h"  // IsValidUtf8: TOML requires it of every key and string

// Settings text in and out of TOML.

// The document, or nothing when the text is not valid TOML, or is nested so deeply (more than
// kMaxStructuralDots dots outside strings and comments) that taking it apart could exhaust the
// stack.
std::optional<toml::table> ParseSettings(std::string_view text);
inline constexpr std::size_t kMaxStructuralDots = 2048;

// The document as TOML text that reads back as exactly the same document. Every table gets a header
// and every string is written quoted with escapes, so any key and any text survives. Raises
// Exception (with the reason only) when the text would not read back the same.
std::string FormatSettings(const toml::table& document);
