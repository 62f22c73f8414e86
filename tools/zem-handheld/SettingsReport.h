#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace handheld {

// The seven settings that the PC and the handheld keep in step.
struct MirroredSettings {
  bool portrait = false;
  bool mouseDown = false;
  bool fullScreen = false;
  bool hidden = false;
  bool relative = false;
  bool mapFn = false;
  bool keyboard = false;

  // One line: orientation=landscape mouse-down=off ... keyboard=on
  std::string Summary() const;
};

// Recognises the PC's settings report among the state commands it sends: the seven packets
// FF 01, FF 03, FF 06, FF 07, FF 09, FF 0D, FF 0E in that order, with nothing in between. The same
// packets also arrive one at a time when the user changes a setting on the PC; only the full run in
// order counts as a report.
class SettingsReport {
 public:
  // Takes the next packet from the PC (a valid state command, or anything else, which breaks a
  // run). Returns the settings once the seventh packet of a run has arrived.
  std::optional<MirroredSettings> Take(uint8_t code, uint8_t argument);
  // Something other than a valid state command arrived.
  void Break() { next_ = 0; }

 private:
  int next_ = 0;  // index of the packet expected next
  MirroredSettings settings_;
};

}  // namespace handheld
