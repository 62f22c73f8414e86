#include <gtest/gtest.h>

#include <sstream>

#include "platform/Exception.h"
#include "tools/zem-handheld/CommandParser.h"
#include "tools/zem-handheld/ScriptRunner.h"

namespace handheld {
namespace {

std::string Hex(const std::string& bytes) {
  std::string text;
  for (const char c : bytes) {
    char pair[4];
    std::snprintf(pair, sizeof pair, "%02X", static_cast<uint8_t>(c));
    text += (text.empty() ? "" : " ") + std::string(pair);
  }
  return text;
}

TEST(CommandParserTest, EncodesEveryPacketTheHandheldSends) {
  const struct {
    const char* line;
    const char* bytes;
  } cases[] = {
      {"pen 300 120", "01 2C 78"},
      {"pen 0 0", "00 00 00"},
      {"pen 639 239", "02 7F EF"},
      {"pen 32768 16", "80 00 10"},
      {"pen 0x27F 0xEF", "02 7F EF"},
      {"move 5 -2", "00 05 FE"},
      {"move -128 127", "00 80 7F"},
      {"button left-up", "FF 02 00"},
      {"button left-down", "FF 02 01"},
      {"button click", "FF 02 02"},
      {"button double", "FF 02 03"},
      {"button right-up", "FF 02 04"},
      {"button right-down", "FF 02 05"},
      {"button right-click", "FF 02 06"},
      {"key a", "FF 08 61"},
      {"key \"#\"", "FF 08 23"},
      {"key \" \"", "FF 08 20"},
      {"key 0x0D", "FF 08 0D"},
      {"key \"0x41\"", nullptr},  // quoted: four characters, not a byte
      {"key \xC3\xA9", "FF 08 E9"},
      {"text \"Hi \\\"x\\\"\"", "FF 08 48 FF 08 69 FF 08 20 FF 08 22 FF 08 78 FF 08 22"},
      {"text \"\xE2\x82\xAC\\n\"", "FF 08 80 FF 08 0A"},
      {"text \"\"", ""},
      {"shift press", "FF 0A 01"},
      {"shift release", "FF 0A 00"},
      {"ctrl press", "FF 0B 01"},
      {"fn release", "FF 0C 00"},
      {"special left", "FF 0F 00"},
      {"special right", "FF 0F 01"},
      {"special up", "FF 0F 02"},
      {"special down", "FF 0F 03"},
      {"special escape", "FF 0F 04"},
      {"special delete", "FF 0F 05"},
      {"move-window up", "FF 04 02"},
      {"size-window left", "FF 05 00"},
      {"size-window down", "FF 05 03"},
      {"orientation landscape", "FF 01 00"},
      {"orientation portrait", "FF 01 01"},
      {"mouse-down on", "FF 03 01"},
      {"full-screen off", "FF 06 00"},
      {"window hide", "FF 07 01"},
      {"window show", "FF 07 00"},
      {"relative on", "FF 09 00"},
      {"relative off", "FF 09 01"},
      {"map-fn on", "FF 0D 01"},
      {"keyboard off", "FF 0E 00"},
      {"get-settings", "FF A0 00"},
      {"screen", "FF FF FF"},
      {"raw FF 02 02", "FF 02 02"},
      {"raw 0x7f 1", "7F 01"},
      {"  pen 1 2   # trailing comment", "00 01 02"},
  };
  for (const auto& c : cases) {
    if (c.bytes == nullptr) {
      EXPECT_THROW(CommandParser::Parse(c.line), Exception) << c.line;
      continue;
    }
    try {
      const ScriptCommand command = CommandParser::Parse(c.line);
      EXPECT_EQ(command.kind, ScriptCommand::Kind::Send) << c.line;
      EXPECT_EQ(Hex(command.bytes), c.bytes) << c.line;
    } catch (const Exception& error) {
      ADD_FAILURE() << c.line << ": " << error.Message();
    }
  }
}

TEST(CommandParserTest, CountsTheRequestsThatExpectAnAnswer) {
  EXPECT_EQ(CommandParser::Parse("screen").screenRequests, 1);
  EXPECT_EQ(CommandParser::Parse("raw FF FF FF FF A0 07").screenRequests, 1);
  EXPECT_EQ(CommandParser::Parse("raw FF FF FF FF A0 07").settingsRequests, 1);
  EXPECT_EQ(CommandParser::Parse("raw FF FF 00").screenRequests, 0);  // the PC ignores it
  EXPECT_EQ(CommandParser::Parse("get-settings").settingsRequests, 1);
  EXPECT_EQ(CommandParser::Parse("pen 1 1").screenRequests, 0);
}

TEST(CommandParserTest, ParsesWaitsCommentsAndBlankLines) {
  using Kind = ScriptCommand::Kind;
  using std::chrono::milliseconds;
  const struct {
    const char* line;
    Kind kind;
    milliseconds duration;
  } cases[] = {
      {"", Kind::Nothing, milliseconds(0)},
      {"   \t", Kind::Nothing, milliseconds(0)},
      {"# pen 1 2", Kind::Nothing, milliseconds(0)},
      {"wait 250", Kind::Wait, milliseconds(250)},
      {"wait 0\r", Kind::Wait, milliseconds(0)},
      {"wait-screen", Kind::WaitScreen, CommandParser::DefaultScreenWait},
      {"wait-screen 2.5", Kind::WaitScreen, milliseconds(2500)},
      {"wait-settings", Kind::WaitSettings, CommandParser::DefaultSettingsWait},
      {"wait-settings 1", Kind::WaitSettings, milliseconds(1000)},
  };
  for (const auto& c : cases) {
    const ScriptCommand command = CommandParser::Parse(c.line);
    EXPECT_EQ(command.kind, c.kind) << c.line;
    EXPECT_EQ(command.duration, c.duration) << c.line;
  }
}

TEST(CommandParserTest, MalformedLinesSayWhatIsWrong) {
  const struct {
    const char* line;
    const char* message;
  } cases[] = {
      {"jump 1", "unknown command \"jump\""},
      {"PEN 1 2", "unknown command"},
      {"pen 1", "expected \"pen X Y\""},
      {"pen 1 2 3", "expected \"pen X Y\""},
      {"pen 65536 0", "pen X must be a whole number from 0 to 65535, got \"65536\""},
      {"pen 10 256", "pen Y must be"},
      {"pen -1 0", "pen X must be"},
      {"pen 1.5 0", "pen X must be"},
      {"pen x 0", "pen X must be"},
      {"move 128 0", "move DX must be a whole number from -128 to 127"},
      {"button middle", "button: expected one of left-up|left-down|click|double|right-up"},
      {"button", "expected \"button left-up|"},
      {"relative yes", "relative: expected one of on|off"},
      {"key", "expected \"key C\""},
      {"key ab", "key: expected one character, got \"ab\""},
      {"key 0x100", "key must be a whole number from 0 to 255"},
      {"key \xE6\xBC\xA2", "U+6F22 has no code page 1252 byte"},
      {"text Hello", "text: expected one quoted string"},
      {"text \"Hello", "unterminated quoted string"},
      {"text \"a\\q\"", "unknown escape \\q"},
      {"text \"\xE2\x98\x83\"", "U+2603 has no code page 1252 byte"},
      {"raw", "raw: expected one or more bytes"},
      {"raw FF 100", "raw: expected a byte in hexadecimal (00-FF), got \"100\""},
      {"raw GG", "raw byte must be"},
      {"wait", "expected \"wait MS\""},
      {"wait -5", "wait MS must be"},
      {"wait-screen soon", "wait-screen must be a number of seconds"},
      {"wait-screen -1", "wait-screen must be a number of seconds"},
      {"wait-settings 1 2", "expected at most one argument"},
      {"get-settings now", "expected \"get-settings\""},
      {"\"pen\" 1 2", "must start with a command word"},
  };
  for (const auto& c : cases) {
    try {
      CommandParser::Parse(c.line);
      ADD_FAILURE() << "no error for: " << c.line;
    } catch (const Exception& error) {
      EXPECT_NE(error.Message().find(c.message), std::string::npos)
          << c.line << " -> " << error.Message();
    }
  }
}

TEST(ScriptRunnerTest, ParsingAScriptNamesTheFirstMalformedLine) {
  std::istringstream good("# a script\npen 1 2\n\nwait 5\nscreen\n");
  const auto lines = ScriptRunner::ParseAll(good, "demo.txt");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].number, 2);
  EXPECT_EQ(lines[2].number, 5);

  std::istringstream bad("pen 1 2\nwait 5\nbutton middle\npen 1\n");
  try {
    ScriptRunner::ParseAll(bad, "demo.txt");
    ADD_FAILURE() << "no error";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message().rfind("demo.txt, line 3: button: expected one of", 0), 0u)
        << error.Message();
  }
}

}  // namespace
}  // namespace handheld
