#include "tools/zem-handheld/ScriptRunner.h"

#include "platform/Exception.h"

namespace handheld {

std::vector<ScriptLine> ScriptRunner::ParseAll(std::istream& in, const std::string& name) {
  std::vector<ScriptLine> lines;
  std::string text;
  int number = 0;
  while (std::getline(in, text)) {
    ++number;
    try {
      ScriptLine line{number, CommandParser::Parse(text)};
      if (line.command.kind != ScriptCommand::Kind::Nothing) lines.push_back(std::move(line));
    } catch (const Exception& error) {
      throw Exception(name + ", line " + std::to_string(number) + ": " + error.Message());
    }
  }
  return lines;
}

ScriptRunner::ScriptRunner(Session& session, Console& console, std::string name)
    : session_(session), console_(console), name_(std::move(name)) {}

std::string ScriptRunner::Where(int lineNumber) const {
  return name_ + ", line " + std::to_string(lineNumber) + ": ";
}

bool ScriptRunner::RunOne(const ScriptLine& line) {
  if (const auto failure = session_.Execute(line.command)) {
    console_.Error(Where(line.number) + *failure);
    failed_ = true;
  }
  return !session_.LineFailed();
}

bool ScriptRunner::Run(const std::vector<ScriptLine>& lines) {
  for (const ScriptLine& line : lines) {
    if (!RunOne(line)) break;
  }
  return !failed_;
}

bool ScriptRunner::RunStream(std::istream& in, bool keepGoing) {
  std::string text;
  int number = 0;
  while (std::getline(in, text)) {
    ++number;
    ScriptLine line{number, {}};
    try {
      line.command = CommandParser::Parse(text);
    } catch (const Exception& error) {
      console_.Error(Where(number) + error.Message());
      failed_ = true;
      if (keepGoing) continue;
      break;
    }
    if (!RunOne(line)) break;
  }
  return !failed_;
}

}  // namespace handheld
