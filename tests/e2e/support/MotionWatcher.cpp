#include "tests/e2e/support/MotionWatcher.h"

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <poll.h>

#include <stdexcept>

namespace e2e {

TMotionWatcher::TMotionWatcher() {
  display_ = XOpenDisplay(nullptr);
  if (display_ == nullptr) throw std::runtime_error("the X display cannot be opened");
  int event = 0, error = 0;
  int major = 2, minor = 0;
  if (!XQueryExtension(display_, "XInputExtension", &xinputOpcode_, &event, &error) ||
      XIQueryVersion(display_, &major, &minor) != Success) {
    XCloseDisplay(display_);
    throw std::runtime_error("the X server has no XInput 2");
  }
  unsigned char mask[XIMaskLen(XI_LASTEVENT)] = {};
  XISetMask(mask, XI_RawMotion);
  XIEventMask eventMask{XIAllMasterDevices, sizeof mask, mask};
  XISelectEvents(display_, DefaultRootWindow(display_), &eventMask, 1);
  XSync(display_, False);
}

TMotionWatcher::~TMotionWatcher() {
  XCloseDisplay(display_);
}

std::optional<Clock::time_point> TMotionWatcher::TakeMotion() {
  while (true) {
    if (XQLength(display_) == 0) {
      // Nothing queued in Xlib: read what the socket holds; those events arrived now.
      const auto now = Clock::now();
      if (XPending(display_) == 0) return std::nullopt;
      lastRead_ = now;
    }
    XEvent event{};
    XNextEvent(display_, &event);
    if (event.type == GenericEvent && event.xcookie.extension == xinputOpcode_ &&
        event.xcookie.evtype == XI_RawMotion) {
      return lastRead_;
    }
  }
}

std::optional<Clock::time_point> TMotionWatcher::NextMotion(std::chrono::microseconds limit) {
  const auto deadline = Clock::now() + limit;
  while (true) {
    if (auto arrived = TakeMotion()) return arrived;
    const auto left =
        std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
    if (left.count() <= 0) return std::nullopt;
    pollfd in{ConnectionNumber(display_), POLLIN, 0};
    const timespec wait{static_cast<time_t>(left.count() / 1000000),
                        static_cast<long>(left.count() % 1000000) * 1000};
    ppoll(&in, 1, &wait, nullptr);
  }
}

void TMotionWatcher::DropPending() {
  XSync(display_, False);
  while (TakeMotion()) {
  }
}

}  // namespace e2e
