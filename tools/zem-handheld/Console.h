#pragma once

#include <mutex>
#include <ostream>
#include <string>

namespace handheld {

// The tool's output, shared by its threads: result lines on one stream, errors and the progress
// line on the other. Every line is flushed at once, for programs that read the output as it comes.
class Console {
 public:
  // progressInPlace: redraw the progress line with a carriage return (a terminal), rather than
  // printing a new line for every tenth of the way.
  Console(std::ostream& out, std::ostream& err, bool progressInPlace);

  void Line(const std::string& text);
  void Error(const std::string& text);
  // Progress of a screen answer: received of total bytes.
  void Progress(size_t received, size_t total);
  void EndProgress();

 private:
  void EndProgressLocked();

  std::mutex mutex_;
  std::ostream& out_;
  std::ostream& err_;
  bool progressInPlace_;
  bool progressShown_ = false;
  int lastStep_ = -1;
};

}  // namespace handheld
