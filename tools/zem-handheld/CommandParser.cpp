#include "tools/zem-handheld/CommandParser.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/Exception.h"
#include "protocol/Packets.h"
#include "tools/zem-handheld/Cp1252.h"
#include "tools/zem-handheld/PacketEncoder.h"

namespace handheld {

namespace {

struct Token {
  std::string text;
  bool quoted = false;
};

using Choices = std::vector<std::pair<std::string_view, uint8_t>>;

// Commands that send one command packet whose argument is picked by a word.
struct ChoiceCommand {
  std::string_view word;
  uint8_t code;
  Choices choices;
};

const Choices OnOff = {{"on", 1}, {"off", 0}};
const Choices PressRelease = {{"press", 1}, {"release", 0}};
const Choices Directions = {{"left", 0}, {"right", 1}, {"up", 2}, {"down", 3}};

const std::vector<ChoiceCommand>& ChoiceCommands() {
  static const std::vector<ChoiceCommand> commands = {
      {"button",
       cmdButton,
       {{"left-up", btnLeftUp},
        {"left-down", btnLeftDown},
        {"click", btnLeftClick},
        {"double", btnLeftDoubleClick},
        {"right-up", btnRightUp},
        {"right-down", btnRightDown},
        {"right-click", btnRightClick}}},
      {"shift", cmdShift, PressRelease},
      {"ctrl", cmdCtrl, PressRelease},
      {"fn", cmdFn, PressRelease},
      {"special",
       cmdSpecialKey,
       {{"left", 0}, {"right", 1}, {"up", 2}, {"down", 3}, {"escape", 4}, {"delete", 5}}},
      {"move-window", cmdMoveWindow, Directions},
      {"size-window", cmdSizeWindow, Directions},
      {"orientation", cmdOrientation, {{"landscape", 0}, {"portrait", 1}}},
      {"mouse-down", cmdMouseDown, OnOff},
      {"full-screen", cmdFullScreen, OnOff},
      {"window", cmdHideWindow, {{"show", 0}, {"hide", 1}}},
      {"relative", cmdRelative, {{"on", 0}, {"off", 1}}},  // on is 0 on the wire
      {"map-fn", cmdMapFn, OnOff},
      {"keyboard", cmdKeyboard, OnOff},
  };
  return commands;
}

char Unescape(char c) {
  switch (c) {
    case 'n':
      return '\n';
    case 'r':
      return '\r';
    case 't':
      return '\t';
    case '\\':
    case '"':
      return c;
    default:
      throw Exception(std::string("unknown escape \\") + c + " (use \\\\ \\\" \\n \\r \\t)");
  }
}

// Splits a line into words and "quoted strings". A # that starts a word begins a comment.
std::vector<Token> Tokenize(std::string_view line) {
  std::vector<Token> tokens;
  size_t pos = 0;
  while (true) {
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t' || line[pos] == '\r')) {
      ++pos;
    }
    if (pos >= line.size() || line[pos] == '#') break;
    Token token;
    if (line[pos] == '"') {
      token.quoted = true;
      ++pos;
      while (true) {
        if (pos >= line.size()) throw Exception("unterminated quoted string");
        const char c = line[pos++];
        if (c == '"') break;
        if (c == '\\') {
          if (pos >= line.size()) throw Exception("unterminated quoted string");
          token.text.push_back(Unescape(line[pos++]));
        } else {
          token.text.push_back(c);
        }
      }
    } else {
      while (pos < line.size() && line[pos] != ' ' && line[pos] != '\t' && line[pos] != '\r') {
        token.text.push_back(line[pos++]);
      }
    }
    tokens.push_back(std::move(token));
  }
  return tokens;
}

// A whole number in decimal, or in hexadecimal after 0x, within [min, max].
long ParseInteger(const Token& token, long min, long max, std::string_view what) {
  std::string_view text = token.text;
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  const bool whole = !text.empty() && error == std::errc() && end == text.data() + text.size();
  if (negative) value = -value;
  if (!whole || value < min || value > max) {
    throw Exception(std::string(what) + " must be a whole number from " + std::to_string(min) +
                    " to " + std::to_string(max) + ", got \"" + token.text + "\"");
  }
  return value;
}

std::chrono::milliseconds ParseSeconds(const Token& token, std::string_view what) {
  double seconds = 0;
  const std::string& text = token.text;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
      !std::isfinite(seconds) || seconds < 0 || seconds > 86400) {
    throw Exception(std::string(what) + " must be a number of seconds from 0 to 86400, got \"" +
                    text + "\"");
  }
  return std::chrono::milliseconds(std::lround(seconds * 1000));
}

void ExpectArguments(const std::vector<Token>& tokens, size_t count, std::string_view form) {
  if (tokens.size() != count + 1) {
    throw Exception(tokens[0].text + ": expected \"" + std::string(form) + "\"");
  }
}

std::string ChoiceList(const Choices& choices) {
  std::string list;
  for (const auto& [word, argument] : choices) {
    if (!list.empty()) list += "|";
    list += word;
  }
  return list;
}

const ChoiceCommand* FindChoiceCommand(std::string_view word) {
  for (const auto& command : ChoiceCommands()) {
    if (command.word == word) return &command;
  }
  return nullptr;
}

std::string ParseChoice(const ChoiceCommand& command, const std::vector<Token>& tokens) {
  const std::string form = std::string(command.word) + " " + ChoiceList(command.choices);
  ExpectArguments(tokens, 1, form);
  for (const auto& [word, argument] : command.choices) {
    if (tokens[1].text == word) return PacketEncoder::Command(command.code, argument);
  }
  throw Exception(std::string(command.word) + ": expected one of " + ChoiceList(command.choices) +
                  ", got \"" + tokens[1].text + "\"");
}

// key C: one character (converted to cp1252), or 0xNN for a byte given in hexadecimal.
std::string ParseKey(const std::vector<Token>& tokens) {
  ExpectArguments(tokens, 1, "key C");
  const Token& key = tokens[1];
  const bool hex = !key.quoted && key.text.size() > 2 && key.text.starts_with("0x");
  if (hex) {
    return PacketEncoder::Command(cmdKey, static_cast<uint8_t>(ParseInteger(key, 0, 255, "key")));
  }
  const std::string bytes = Cp1252::FromUtf8(key.text);
  if (bytes.size() != 1) {
    throw Exception("key: expected one character, got \"" + key.text +
                    "\" (use text \"...\" for several)");
  }
  return PacketEncoder::Command(cmdKey, static_cast<uint8_t>(bytes[0]));
}

std::string ParseText(const std::vector<Token>& tokens) {
  if (tokens.size() != 2 || !tokens[1].quoted) {
    throw Exception("text: expected one quoted string, as in text \"Hello\"");
  }
  std::string packets;
  for (const char byte : Cp1252::FromUtf8(tokens[1].text)) {
    packets += PacketEncoder::Command(cmdKey, static_cast<uint8_t>(byte));
  }
  return packets;
}

std::string ParseRaw(const std::vector<Token>& tokens) {
  if (tokens.size() < 2) throw Exception("raw: expected one or more bytes in hexadecimal");
  std::string bytes;
  for (size_t i = 1; i < tokens.size(); ++i) {
    Token hex = tokens[i];
    if (!hex.text.starts_with("0x") && !hex.text.starts_with("0X")) hex.text = "0x" + hex.text;
    const std::string_view digits = std::string_view(hex.text).substr(2);
    if (digits.empty() || digits.size() > 2) {
      throw Exception("raw: expected a byte in hexadecimal (00-FF), got \"" + tokens[i].text +
                      "\"");
    }
    bytes.push_back(static_cast<char>(ParseInteger(hex, 0, 255, "raw byte")));
  }
  return bytes;
}

int CountCommandPackets(const std::string& bytes, uint8_t code, int argument) {
  int count = 0;
  for (size_t i = 0; i + PacketSize <= bytes.size(); i += PacketSize) {
    const auto b0 = static_cast<uint8_t>(bytes[i]);
    const auto b1 = static_cast<uint8_t>(bytes[i + 1]);
    const auto b2 = static_cast<uint8_t>(bytes[i + 2]);
    if (b0 == CommandMarker && b1 == code && (argument < 0 || b2 == argument)) ++count;
  }
  return count;
}

ScriptCommand SendCommand(std::string bytes) {
  ScriptCommand command;
  command.kind = ScriptCommand::Kind::Send;
  command.screenRequests = CountCommandPackets(bytes, cmdScreen, 0xFF);
  command.settingsRequests = CountCommandPackets(bytes, cmdGetSettings, -1);
  command.bytes = std::move(bytes);
  return command;
}

ScriptCommand WaitCommand(ScriptCommand::Kind kind, std::chrono::milliseconds duration) {
  ScriptCommand command;
  command.kind = kind;
  command.duration = duration;
  return command;
}

ScriptCommand ParseWaitFor(const std::vector<Token>& tokens, ScriptCommand::Kind kind,
                           std::chrono::milliseconds defaultDeadline) {
  if (tokens.size() > 2) throw Exception(tokens[0].text + ": expected at most one argument");
  if (tokens.size() == 1) return WaitCommand(kind, defaultDeadline);
  return WaitCommand(kind, ParseSeconds(tokens[1], tokens[0].text));
}

}  // namespace

ScriptCommand CommandParser::Parse(std::string_view line) {
  const std::vector<Token> tokens = Tokenize(line);
  if (tokens.empty()) return {};
  const std::string& word = tokens[0].text;
  if (tokens[0].quoted) throw Exception("a line must start with a command word");

  if (const ChoiceCommand* choice = FindChoiceCommand(word)) {
    return SendCommand(ParseChoice(*choice, tokens));
  }
  if (word == "pen") {
    ExpectArguments(tokens, 2, "pen X Y");
    const auto x = static_cast<uint16_t>(ParseInteger(tokens[1], 0, 65535, "pen X"));
    const auto y = static_cast<uint8_t>(ParseInteger(tokens[2], 0, 255, "pen Y"));
    return SendCommand(PacketEncoder::Pen(x, y));
  }
  if (word == "move") {
    ExpectArguments(tokens, 2, "move DX DY");
    const auto dx = static_cast<int8_t>(ParseInteger(tokens[1], -128, 127, "move DX"));
    const auto dy = static_cast<int8_t>(ParseInteger(tokens[2], -128, 127, "move DY"));
    return SendCommand(PacketEncoder::Move(dx, dy));
  }
  if (word == "key") return SendCommand(ParseKey(tokens));
  if (word == "text") return SendCommand(ParseText(tokens));
  if (word == "get-settings") {
    ExpectArguments(tokens, 0, "get-settings");
    return SendCommand(PacketEncoder::Command(cmdGetSettings, 0));
  }
  if (word == "screen") {
    ExpectArguments(tokens, 0, "screen");
    return SendCommand(PacketEncoder::Command(cmdScreen, 0xFF));
  }
  if (word == "raw") return SendCommand(ParseRaw(tokens));
  if (word == "wait") {
    ExpectArguments(tokens, 1, "wait MS");
    return WaitCommand(ScriptCommand::Kind::Wait,
                       std::chrono::milliseconds(ParseInteger(tokens[1], 0, 86400000, "wait MS")));
  }
  if (word == "wait-screen") {
    return ParseWaitFor(tokens, ScriptCommand::Kind::WaitScreen, DefaultScreenWait);
  }
  if (word == "wait-settings") {
    return ParseWaitFor(tokens, ScriptCommand::Kind::WaitSettings, DefaultSettingsWait);
  }
  throw Exception("unknown command \"" + word + "\"");
}

std::string CommandParser::Usage() {
  std::string usage =
      "  pen X Y              absolute pen position (X 0-65535, Y 0-255; the screen is 640 x 240)\n"
      "  move DX DY           relative pen movement (-128 to 127 each)\n"
      "  key C                one key: a character, \"C\" quoted, or 0xNN for a byte\n"
      "  text \"...\"           one key packet per character (UTF-8 converted to cp1252;\n"
      "                       escapes \\\\ \\\" \\n \\r \\t)\n";
  for (const auto& command : ChoiceCommands()) {
    std::string line = "  " + std::string(command.word) + " " + ChoiceList(command.choices);
    usage += line + "\n";
  }
  usage +=
      "  get-settings         ask the PC for its settings report\n"
      "  screen               ask the PC for its screen (saved as PNG)\n"
      "  raw XX XX ...        any bytes, in hexadecimal\n"
      "  wait MS              pause for MS milliseconds\n"
      "  wait-screen [S]      wait for the next screen answer (default 20 s to start)\n"
      "  wait-settings [S]    wait for the next full settings report (default 5 s)\n"
      "  # ...                comment (also after a command); blank lines are skipped\n";
  return usage;
}

}  // namespace handheld
