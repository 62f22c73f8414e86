#include <gtest/gtest.h>

#include "platform/Exception.h"
#include "tools/zem-handheld/Cp1252.h"

namespace handheld {
namespace {

struct Conversion {
  const char* utf8;
  std::string cp1252;
};

TEST(Cp1252Test, ConvertsEveryRangeOfTheCodePage) {
  const Conversion cases[] = {
      {"Hello, world!", "Hello, world!"},
      {"\xC3\xA9", "\xE9"},                      // é, Latin-1 range
      {"\xC2\xA0\xC3\xBF", "\xA0\xFF"},          // both ends of the Latin-1 range
      {"\xE2\x82\xAC", "\x80"},                  // €
      {"\xC5\xB8", "\x9F"},                      // Ÿ, the last of 0x80-0x9F
      {"\xE2\x80\x9C\xE2\x80\x9D", "\x93\x94"},  // curly quotes
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Cp1252::FromUtf8(c.utf8), c.cp1252) << c.utf8;
  }
  EXPECT_EQ(Cp1252::FromUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Cp1252Test, RejectsCharactersWithoutAByteAndBrokenUtf8) {
  const struct {
    std::string utf8;
    const char* message;
  } cases[] = {
      {"a\xE6\xBC\xA2", "U+6F22 has no code page 1252 byte"},  // a CJK character
      {"\xC2\x81", "U+0081 has no code page 1252 byte"},       // a byte cp1252 leaves undefined
      {"\xE2\x82", "cut short"},                               // sequence ends early
      {"\xFF", "invalid UTF-8 at byte 1"},
      {"ab\xC0\xAF", "invalid UTF-8 at byte 3"},  // overlong '/'
      {"\xED\xA0\x80", "invalid UTF-8"},          // a surrogate
      {"\xC3(", "invalid UTF-8"},                 // missing continuation byte
  };
  for (const auto& c : cases) {
    try {
      Cp1252::FromUtf8(c.utf8);
      ADD_FAILURE() << "no error for " << c.utf8;
    } catch (const Exception& error) {
      EXPECT_NE(error.Message().find(c.message), std::string::npos) << error.Message();
    }
  }
}

}  // namespace
}  // namespace handheld
