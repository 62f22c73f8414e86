#include "tools/zem-handheld/Receiver.h"

#include <algorithm>
#include <cstdio>

#include "protocol/Packets.h"

namespace handheld {

std::string HexBytes(const uint8_t* data, size_t count) {
  std::string text;
  for (size_t i = 0; i < count; ++i) {
    char pair[4];
    std::snprintf(pair, sizeof pair, "%02X", data[i]);
    if (i > 0) text += ' ';
    text += pair;
  }
  return text;
}

namespace {
const char* OnOff(bool on) {
  return on ? "on" : "off";
}
}  // namespace

Receiver::Receiver(IReceiverListener& listener, std::chrono::milliseconds stallLimit,
                   std::chrono::milliseconds partialLimit)
    : listener_(listener), stallLimit_(stallLimit), partialLimit_(partialLimit) {}

void Receiver::Feed(const uint8_t* data, size_t count, Clock::time_point now) {
  if (count == 0) return;
  lastByte_ = now;
  size_t pos = 0;
  while (pos < count) {
    if (inScreen_) {
      pos += FeedImage(data + pos, count - pos);
      continue;
    }
    pending_.push_back(data[pos++]);
    if (pending_.size() == PacketSize) {
      const std::vector<uint8_t> packet = std::move(pending_);
      pending_.clear();
      DecodePacket(packet[0], packet[1], packet[2]);
    }
  }
}

size_t Receiver::FeedImage(const uint8_t* data, size_t count) {
  const size_t take = std::min(count, ScreenImageSize - image_.size());
  image_.insert(image_.end(), data, data + take);
  listener_.OnScreenProgress(image_.size());
  if (image_.size() == ScreenImageSize) {
    listener_.OnScreenComplete(image_);
    EndScreen();
  }
  return take;
}

void Receiver::Tick(Clock::time_point now) {
  const auto quiet = now - lastByte_;
  if (inScreen_ && quiet > stallLimit_) {
    listener_.OnScreenShort(image_.size());
    EndScreen();
  }
  if (!pending_.empty() && quiet > partialLimit_) {
    listener_.OnPacket("unknown " + HexBytes(pending_.data(), pending_.size()) +
                       " (incomplete packet)");
    pending_.clear();
    report_.Break();
  }
}

void Receiver::LineClosed() {
  if (inScreen_) {
    listener_.OnScreenShort(image_.size());
    EndScreen();
  }
}

void Receiver::EndScreen() {
  inScreen_ = false;
  image_.clear();
}

void Receiver::DecodePacket(uint8_t b0, uint8_t b1, uint8_t b2) {
  const bool screenHeader = b0 == CommandMarker && b1 == cmdScreen && b2 == 0xFF;
  if (screenHeader && (expectedScreens_ > 0 || acceptUnrequested_)) {
    if (expectedScreens_ > 0) --expectedScreens_;
    report_.Break();
    inScreen_ = true;
    image_.clear();
    image_.reserve(ScreenImageSize);
    listener_.OnScreenProgress(0);
    return;
  }
  if (b0 == CommandMarker && DecodeStateCommand(b1, b2)) return;
  report_.Break();
  if (b0 == CommandMarker && b1 == cmdGetSettings) {
    listener_.OnPacket("get-settings");
    return;
  }
  const uint8_t packet[] = {b0, b1, b2};
  std::string line = "unknown " + HexBytes(packet, sizeof packet);
  if (screenHeader) line += " (a screen answer that was not asked for)";
  listener_.OnPacket(line);
}

// Prints a state command with a valid argument and passes it on to the settings report.
bool Receiver::DecodeStateCommand(uint8_t code, uint8_t argument) {
  if (argument > 1) return false;
  const bool one = argument == 1;
  std::string line;
  switch (code) {
    case cmdOrientation:
      line = std::string("orientation ") + (one ? "portrait" : "landscape");
      break;
    case cmdMouseDown:
      line = std::string("mouse-down ") + OnOff(one);
      break;
    case cmdFullScreen:
      line = std::string("full-screen ") + OnOff(one);
      break;
    case cmdHideWindow:
      line = std::string("window ") + (one ? "hidden" : "shown");
      break;
    case cmdRelative:
      line = std::string("relative ") + OnOff(!one);  // on is 0
      break;
    case cmdMapFn:
      line = std::string("map-fn ") + OnOff(one);
      break;
    case cmdKeyboard:
      line = std::string("keyboard ") + OnOff(one);
      break;
    default:
      return false;
  }
  listener_.OnPacket(line);
  if (const auto settings = report_.Take(code, argument)) listener_.OnSettingsReport(*settings);
  return true;
}

}  // namespace handheld
