#pragma once

#include <istream>
#include <string>
#include <vector>

#include "tools/zem-handheld/CommandParser.h"
#include "tools/zem-handheld/Console.h"
#include "tools/zem-handheld/Session.h"

namespace handheld {

// A script line, parsed, with where it came from.
struct ScriptLine {
  int number = 0;
  ScriptCommand command;
};

// Runs commands through a session, naming the source and line number of every failure.
class ScriptRunner {
 public:
  // Parses a whole script file up front, so that a malformed line stops the run before anything is
  // sent. Raises Exception "NAME, line N: what is wrong" for the first malformed line.
  static std::vector<ScriptLine> ParseAll(std::istream& in, const std::string& name);

  ScriptRunner(Session& session, Console& console, std::string name);

  // Runs parsed lines in order. Returns false when one failed; a failed wait does not stop the
  // run, a failed line does.
  bool Run(const std::vector<ScriptLine>& lines);

  // Reads, parses and runs one line at a time until the end of the stream (standard input).
  // keepGoing: after a malformed line, report it and go on (a person at a terminal); otherwise
  // stop there.
  bool RunStream(std::istream& in, bool keepGoing);

 private:
  bool RunOne(const ScriptLine& line);
  std::string Where(int lineNumber) const;

  Session& session_;
  Console& console_;
  std::string name_;
  bool failed_ = false;
};

}  // namespace handheld
