#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/zem-handheld/SettingsReport.h"

namespace handheld {

// What the receiver makes of the bytes from the PC.
class IReceiverListener {
 public:
  virtual ~IReceiverListener() = default;
  // One decoded packet as a readable line, e.g. "orientation portrait" or "unknown 12 34 56".
  virtual void OnPacket(const std::string& line) = 0;
  // The seventh packet of a settings report has arrived (after its own OnPacket).
  virtual void OnSettingsReport(const MirroredSettings& settings) = 0;
  // Image bytes of a screen answer so far, after every chunk that brought some.
  virtual void OnScreenProgress(size_t received) = 0;
  virtual void OnScreenComplete(const std::vector<uint8_t>& image) = 0;
  // The answer stalled (or the line ended) after this many image bytes.
  virtual void OnScreenShort(size_t received) = 0;
};

// Decodes the byte stream from the PC: 3-byte packets, and screen answers (FF FF FF and the
// 76 800-byte image) when one is expected. The caller passes the time in, so that stalls can be
// tested without waiting.
class Receiver {
 public:
  using Clock = std::chrono::steady_clock;

  // stallLimit: a screen answer with no byte for longer is short. partialLimit: one or two bytes of
  // a packet left alone for longer are reported and dropped, so that a stray byte does not put
  // every later packet out of step.
  explicit Receiver(IReceiverListener& listener,
                    std::chrono::milliseconds stallLimit = std::chrono::milliseconds(3000),
                    std::chrono::milliseconds partialLimit = std::chrono::milliseconds(200));

  // A screen request was sent: the next FF FF FF packet opens its answer.
  void ExpectScreen() { ++expectedScreens_; }
  // Gives up on one screen request whose answer did not come.
  void ForgetExpectedScreen() {
    if (expectedScreens_ > 0) --expectedScreens_;
  }
  // Take every FF FF FF packet as a screen answer, asked for or not (the PC's own "Send Screen").
  void AcceptUnrequestedScreens(bool accept) { acceptUnrequested_ = accept; }

  void Feed(const uint8_t* data, size_t count, Clock::time_point now);
  // Checks the time limits; call it regularly while no bytes arrive.
  void Tick(Clock::time_point now);
  // No more bytes will come: an answer in progress is short.
  void LineClosed();

  bool ScreenInProgress() const { return inScreen_; }
  int ExpectedScreens() const { return expectedScreens_; }

 private:
  size_t FeedImage(const uint8_t* data, size_t count);
  void DecodePacket(uint8_t b0, uint8_t b1, uint8_t b2);
  bool DecodeStateCommand(uint8_t code, uint8_t argument);
  void EndScreen();

  IReceiverListener& listener_;
  std::chrono::milliseconds stallLimit_;
  std::chrono::milliseconds partialLimit_;
  SettingsReport report_;
  std::vector<uint8_t> pending_;  // bytes of an incomplete packet
  Clock::time_point lastByte_{};
  int expectedScreens_ = 0;
  bool acceptUnrequested_ = false;
  bool inScreen_ = false;
  std::vector<uint8_t> image_;
};

// Bytes as hexadecimal pairs separated by blanks: "FF 01 00".
std::string HexBytes(const uint8_t* data, size_t count);

}  // namespace handheld
