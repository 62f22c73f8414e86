#include "tools/zem-handheld/SettingsReport.h"

#include <array>

#include "protocol/Packets.h"

namespace handheld {

namespace {
constexpr std::array<uint8_t, 7> ReportOrder = {
    cmdOrientation, cmdMouseDown, cmdFullScreen, cmdHideWindow, cmdRelative, cmdMapFn, cmdKeyboard};

const char* OnOff(bool on) {
  return on ? "on" : "off";
}
}  // namespace

std::string MirroredSettings::Summary() const {
  return std::string("orientation=") + (portrait ? "portrait" : "landscape") +
         " mouse-down=" + OnOff(mouseDown) + " full-screen=" + OnOff(fullScreen) +
         " window=" + (hidden ? "hidden" : "shown") + " relative=" + OnOff(relative) +
         " map-fn=" + OnOff(mapFn) + " keyboard=" + OnOff(keyboard);
}

std::optional<MirroredSettings> SettingsReport::Take(uint8_t code, uint8_t argument) {
  // A report always starts with the orientation, wherever a run had got to.
  if (code == ReportOrder[0]) next_ = 0;
  if (code != ReportOrder[next_]) {
    next_ = 0;
    return std::nullopt;
  }
  switch (code) {
    case cmdOrientation:
      settings_.portrait = argument == 1;
      break;
    case cmdMouseDown:
      settings_.mouseDown = argument == 1;
      break;
    case cmdFullScreen:
      settings_.fullScreen = argument == 1;
      break;
    case cmdHideWindow:
      settings_.hidden = argument == 1;
      break;
    case cmdRelative:
      settings_.relative = argument == 0;
      break;
    case cmdMapFn:
      settings_.mapFn = argument == 1;
      break;
    case cmdKeyboard:
      settings_.keyboard = argument == 1;
      break;
  }
  if (++next_ < static_cast<int>(ReportOrder.size())) return std::nullopt;
  next_ = 0;
  return settings_;
}

}  // namespace handheld
