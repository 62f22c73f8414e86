#include "backends/qt/XDisplayProbe.h"

#include <X11/Xlib.h>

bool XDisplayOpens() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return false;
  XCloseDisplay(display);
  return true;
}
