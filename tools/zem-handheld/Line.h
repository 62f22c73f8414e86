#pragma once

#include <cstddef>
#include <cstdint>

namespace handheld {

// The handheld's end of the serial line: raw bytes in both directions. Read runs on the reader
// thread while Write runs on another.
class ILine {
 public:
  virtual ~ILine() = default;

  // Waits for at least one byte and reads up to count bytes. Returns 0 once Interrupt was called.
  // Raises Exception when the line fails or is closed.
  virtual size_t Read(uint8_t* buffer, size_t count) = 0;

  // Writes all count bytes. Raises Exception when the line fails or the other end stops taking
  // bytes for a long time.
  virtual void Write(const uint8_t* data, size_t count) = 0;

  // Any thread: a Read in progress returns 0 at once, and so does every later one.
  virtual void Interrupt() = 0;
};

}  // namespace handheld
