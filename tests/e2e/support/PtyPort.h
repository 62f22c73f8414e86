#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

using TBytes = std::vector<uint8_t>;

// The handheld's end of a serial cable, played on a pseudo-terminal: ZEM opens the slave's path as
// its port, the test writes and reads the master. The slave is set to raw mode and kept open here,
// so that every byte passes unchanged and bytes written before ZEM opens the port wait for it.
class TPtyPort {
 public:
  TPtyPort();
  ~TPtyPort();

  TPtyPort(const TPtyPort&) = delete;
  TPtyPort& operator=(const TPtyPort&) = delete;

  const std::string& SlavePath() const { return slavePath_; }
  int MasterFd() const { return master_; }

  // Writes all the bytes; raises std::runtime_error when the line takes none for 5 s.
  void Write(const TBytes& bytes);

  // Reads until count bytes have come or the time is up; returns what came.
  TBytes Read(size_t count, std::chrono::milliseconds limit);

  // Reads and drops whatever arrives until the line has been quiet for the given time.
  TBytes Drain(std::chrono::milliseconds quiet);

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
};

}  // namespace e2e
