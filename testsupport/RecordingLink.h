#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "comthread/SerialLink.h"
#include "platform/Exception.h"

// A serial link that records what is written. It behaves like the real one where callers can tell:
// a write without an open link sends nothing, records "Com not initialized." and clears PortOpen; a
// write chosen to fail raises "Send Error: <code>" and sends nothing.
class TRecordingLink : public ISerialLink {
 public:
  bool open = true;
  std::string errorText;
  std::vector<uint8_t> bytes;       // every byte sent, in order
  std::vector<int32_t> writeSizes;  // the count of every write that sent
  int writeCalls = 0;               // every call of Write, failed or not
  std::set<int> failingWrites;      // zero-based numbers of the calls that fail
  int failureCode = 5;

  bool PortOpen() const override { return open; }

  void Write(const uint8_t* buffer, int32_t count) override {
    const int call = writeCalls++;
    if (!open) {
      errorText = "Com not initialized.";
      return;
    }
    if (failingWrites.count(call)) throw Exception("Send Error: " + std::to_string(failureCode));
    bytes.insert(bytes.end(), buffer, buffer + count);
    writeSizes.push_back(count);
  }
};

// A link that is open and forgets what it is given, for measurements.
class TNullLink : public ISerialLink {
 public:
  bool PortOpen() const override { return true; }
  void Write(const uint8_t*, int32_t) override {}
};
