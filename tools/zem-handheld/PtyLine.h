#pragma once

#include <chrono>
#include <string>

#include "tools/zem-handheld/Line.h"

namespace handheld {

// A new pseudo-terminal pair: the handheld keeps the master; the PC opens the slave's device path
// as its serial port. The slave is set to raw mode, so every byte passes unchanged in both
// directions, and it is kept open here too: its settings then stay as set while the PC closes and
// reopens it, and the master does not report a hang-up while the PC has it closed.
class PtyLine : public ILine {
 public:
  // Raises Exception when no pseudo-terminal can be had.
  explicit PtyLine(std::chrono::milliseconds writeStallLimit = std::chrono::milliseconds(5000));
  ~PtyLine() override;

  PtyLine(const PtyLine&) = delete;
  PtyLine& operator=(const PtyLine&) = delete;

  // The path that the PC should open, e.g. /dev/pts/7.
  const std::string& SlavePath() const { return slavePath_; }

  size_t Read(uint8_t* buffer, size_t count) override;
  void Write(const uint8_t* data, size_t count) override;
  void Interrupt() override;

 private:
  std::chrono::milliseconds writeStallLimit_;
  int master_ = -1;
  int slave_ = -1;
  int wake_ = -1;  // eventfd that ends a waiting Read
  std::string slavePath_;
};

}  // namespace handheld
