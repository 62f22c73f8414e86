#include "tools/zem-handheld/Console.h"

namespace handheld {

Console::Console(std::ostream& out, std::ostream& err, bool progressInPlace)
    : out_(out), err_(err), progressInPlace_(progressInPlace) {}

void Console::Line(const std::string& text) {
  std::lock_guard lock(mutex_);
  EndProgressLocked();
  out_ << text << std::endl;
}

void Console::Error(const std::string& text) {
  std::lock_guard lock(mutex_);
  EndProgressLocked();
  err_ << "zem-handheld: " << text << std::endl;
}

void Console::Progress(size_t received, size_t total) {
  std::lock_guard lock(mutex_);
  const int percent = total == 0 ? 100 : static_cast<int>(received * 100 / total);
  // Redraw in place at every percent; on a plain stream at every tenth.
  const int step = progressInPlace_ ? percent : percent / 10;
  if (step == lastStep_) return;
  lastStep_ = step;
  const std::string text = "screen: " + std::to_string(received) + " of " + std::to_string(total) +
                           " bytes (" + std::to_string(percent) + "%)";
  if (progressInPlace_) {
    err_ << '\r' << text << std::flush;
    progressShown_ = true;
  } else {
    err_ << text << std::endl;
  }
}

void Console::EndProgress() {
  std::lock_guard lock(mutex_);
  EndProgressLocked();
  lastStep_ = -1;
}

void Console::EndProgressLocked() {
  if (progressShown_) err_ << std::endl;
  progressShown_ = false;
}

}  // namespace handheld
