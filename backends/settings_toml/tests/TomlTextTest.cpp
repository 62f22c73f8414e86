#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "backends/settings_toml/TomlText.h"

namespace {

using namespace std::string_literals;

TEST(TomlTextTest, FormatReadsBackEveryKindOfValue) {
  const std::optional<toml::table> parsed = ParseSettings(R"(
top = 1
[numbers]
min = -9223372036854775808
max = 9223372036854775807
hex = 0xFF
floats = [0.1, -0.0, 1e300, 5e-324, inf, -inf, nan, 3.0]
[when]
date = 2024-02-29
time = 07:32:00.123456
local = 1979-05-27T07:32:00
offset = 1979-05-27T00:32:00.999-07:00
[mixed]
flags = [true, false]
inline = { a = 1, b = { c = "x" } }
nested = [[1, 2], ["a"], [], [{ k = 1 }]]
empty = {}
[[servers]]
name = "alpha"
[servers.port]
number = 1
[[servers]]
name = "beta"
)");
  ASSERT_TRUE(parsed);
  // FormatSettings checks that its text reads back the same and raises otherwise.
  const std::string text = FormatSettings(*parsed);
  const std::optional<toml::table> again = ParseSettings(text);
  ASSERT_TRUE(again) << text;
  EXPECT_EQ((*again)["numbers"]["min"].value<int64_t>(), INT64_MIN);
  EXPECT_EQ((*again)["numbers"]["hex"].value<int64_t>(), 255);
  EXPECT_TRUE(std::signbit(*(*again)["numbers"]["floats"][1].value<double>()));
  EXPECT_TRUE(std::isnan(*(*again)["numbers"]["floats"][6].value<double>()));
  EXPECT_EQ((*again)["numbers"]["floats"][7].type(), toml::node_type::floating_point);
  EXPECT_EQ((*again)["when"]["offset"].value<toml::date_time>(),
            (*parsed)["when"]["offset"].value<toml::date_time>());
  EXPECT_EQ((*again)["servers"][0]["port"]["number"].value<int64_t>(), 1);
  EXPECT_EQ((*again)["servers"][1]["name"].value<std::string>(), "beta");
  EXPECT_TRUE((*again)["mixed"]["empty"].is_table());
}

TEST(TomlTextTest, AwkwardKeysAndTextsSurvive) {
  // Keys and texts that need quoting or escapes, including ones a naive writer gets wrong
  // (a key with a line break or an apostrophe, a text that starts with a line break).
  const std::string samples[] = {
      "",   "a b",         "a.b",    "a'b", "a\"b", "a\nb",  "\nstarts", "\t",  "\r\n",
      "\\", "'''",         "\"\"\"", "ä€😀", "\x7f", "\x01"s, "\0"s,      "[x]", "# not a comment",
      "=",  "Full screen",
  };
  toml::table document;
  toml::table& inner = *document.insert("Software", toml::table{}).first->second.as_table();
  for (const std::string& sample : samples) {
    inner.insert_or_assign(sample, sample);
    document.insert_or_assign(sample + "-table", toml::table{{"v", sample}});
  }
  const std::optional<toml::table> again = ParseSettings(FormatSettings(document));
  ASSERT_TRUE(again);
  for (const std::string& sample : samples) {
    EXPECT_EQ((*again)["Software"][sample].value<std::string>(), sample);
    EXPECT_EQ((*again)[sample + "-table"]["v"].value<std::string>(), sample);
  }
}

TEST(TomlTextTest, ParseRefusesBrokenOrAbsurdlyDeepTextWithoutCrashing) {
  EXPECT_FALSE(ParseSettings("a = 1\na = 2\n"));
  EXPECT_FALSE(ParseSettings("[Software.ZEM\nCOM = 1\n"));
  EXPECT_FALSE(ParseSettings("a = \"\xff\"\n"));

  std::string deepHeader = "[a";
  for (int i = 0; i < 100000; ++i) deepHeader += ".a";
  EXPECT_FALSE(ParseSettings(deepHeader + "]\nx = 1\n"));

  // Dots inside strings, multi-line strings and comments are no nesting.
  const std::string manyDots(5000, '.');
  const std::string plain = "a = \"" + manyDots + "\"\nb = '''x''" + manyDots + "'''\n# " +
                            manyDots + "\n[t]\nc = 'x" + manyDots + "'\n";
  EXPECT_TRUE(ParseSettings(plain));
}

TEST(TomlTextTest, Utf8Validation) {
  struct Case {
    std::string text;
    bool valid;
  };
  const Case cases[] = {
      {"", true},
      {"Portrait", true},
      {"ä€😀", true},
      {"\0"s, true},
      {"\xff", false},
      {"\xc3", false},              // cut short
      {"\xc0\xaf", false},          // overlong '/'
      {"\xed\xa0\x80", false},      // surrogate
      {"\xf4\x90\x80\x80", false},  // above U+10FFFF
      {"\x80", false},              // lone continuation byte
  };
  for (const Case& c : cases) EXPECT_EQ(IsValidUtf8(c.text), c.valid) << c.text;
}

}  // namespace
