#include "tests/e2e/support/XSession.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <stdexcept>

namespace e2e {

std::string ToString(const TXPoint& p) {
  return "(" + std::to_string(p.x) + ", " + std::to_string(p.y) + ")";
}

std::string ToString(const TXRect& r) {
  return std::to_string(r.width) + "x" + std::to_string(r.height) + " at " +
         ToString(TXPoint{r.x, r.y});
}

namespace {

std::optional<unsigned long> CardinalProperty(Display* display, Window window, const char* name) {
  const Atom atom = XInternAtom(display, name, True);
  if (atom == None) return std::nullopt;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::optional<unsigned long> value;
  if (XGetWindowProperty(display, window, atom, 0, 1, False, XA_CARDINAL, &type, &format, &count,
                         &after, &data) == Success &&
      type == XA_CARDINAL && format == 32 && count == 1) {
    value = *reinterpret_cast<unsigned long*>(data);
  }
  if (data) XFree(data);
  return value;
}

bool HasClass(Display* display, Window window, const std::string& className) {
  XClassHint hint{};
  if (XGetClassHint(display, window, &hint) == 0) return false;
  const bool match = hint.res_class != nullptr && className == hint.res_class;
  if (hint.res_name) XFree(hint.res_name);
  if (hint.res_class) XFree(hint.res_class);
  return match;
}

}  // namespace

bool TXSession::DisplayOpens() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return false;
  XCloseDisplay(display);
  return true;
}

TXSession::TXSession() {
  display_ = XOpenDisplay(nullptr);
  if (display_ == nullptr) throw std::runtime_error("the X display cannot be opened");
}

TXSession::~TXSession() {
  XCloseDisplay(display_);
}

TXPoint TXSession::Pointer() const {
  Window root = 0, child = 0;
  int rootX = 0, rootY = 0, winX = 0, winY = 0;
  unsigned int mask = 0;
  XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &rootX, &rootY, &winX, &winY,
                &mask);
  return {rootX, rootY};
}

unsigned int TXSession::PointerState() const {
  Window root = 0, child = 0;
  int rootX = 0, rootY = 0, winX = 0, winY = 0;
  unsigned int mask = 0;
  XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &rootX, &rootY, &winX, &winY,
                &mask);
  return mask;
}

void TXSession::MovePointer(const TXPoint& to) {
  XTestFakeMotionEvent(display_, DefaultScreen(display_), to.x, to.y, CurrentTime);
  XFlush(display_);
}

TXPoint TXSession::ScreenSize() const {
  const int screen = DefaultScreen(display_);
  return {DisplayWidth(display_, screen), DisplayHeight(display_, screen)};
}

std::optional<TWindowId> TXSession::FindWindowOf(pid_t pid, const std::string& className) const {
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count) == 0) {
    return std::nullopt;
  }
  std::optional<TWindowId> found;
  for (unsigned int i = 0; i < count && !found; ++i) {
    const auto windowPid = CardinalProperty(display_, children[i], "_NET_WM_PID");
    if (windowPid && *windowPid == static_cast<unsigned long>(pid) &&
        HasClass(display_, children[i], className)) {
      found = children[i];
    }
  }
  if (children) XFree(children);
  return found;
}

bool TXSession::Viewable(TWindowId window) const {
  XWindowAttributes attributes{};
  return XGetWindowAttributes(display_, window, &attributes) != 0 &&
         attributes.map_state == IsViewable;
}

TXRect TXSession::Geometry(TWindowId window) const {
  XWindowAttributes attributes{};
  if (XGetWindowAttributes(display_, window, &attributes) == 0) return {};
  int x = 0, y = 0;
  Window child = 0;
  XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &x, &y, &child);
  return {x, y, attributes.width, attributes.height};
}

std::vector<uint32_t> TXSession::ReadScreen(const TXRect& area) const {
  XImage* image = XGetImage(display_, DefaultRootWindow(display_), area.x, area.y,
                            static_cast<unsigned>(area.width), static_cast<unsigned>(area.height),
                            AllPlanes, ZPixmap);
  if (image == nullptr) throw std::runtime_error("the screen cannot be read at " + ToString(area));
  std::vector<uint32_t> pixels;
  pixels.reserve(static_cast<size_t>(area.width) * area.height);
  for (int y = 0; y < area.height; ++y) {
    for (int x = 0; x < area.width; ++x) {
      pixels.push_back(static_cast<uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF);
    }
  }
  XDestroyImage(image);
  return pixels;
}

}  // namespace e2e
