#include "backends/qt/tests/QtTestSupport.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <thread>

// After every Qt header: Xlib's macros clash with them.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/shape.h>

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    // A short blocking turn of the loop, as the program's own loop makes: Qt sends its buffered
    // requests to the X server only before it blocks.
    QEventLoop loop;
    QTimer::singleShot(2, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return true;
}

TXConnection::TXConnection() : display_(XOpenDisplay(nullptr)) {}

TXConnection::~TXConnection() {
  if (display_ != nullptr) XCloseDisplay(display_);
}

QRect TXConnection::Geometry(XWindowId window) {
  Window root;
  int x, y;
  unsigned width, height, border, depth;
  if (!XGetGeometry(display_, window, &root, &x, &y, &width, &height, &border, &depth)) return {};
  Window child;
  int rootX, rootY;
  XTranslateCoordinates(display_, window, root, 0, 0, &rootX, &rootY, &child);
  return QRect(rootX, rootY, static_cast<int>(width), static_cast<int>(height));
}

bool TXConnection::Viewable(XWindowId window) {
  XWindowAttributes attributes;
  return XGetWindowAttributes(display_, window, &attributes) && attributes.map_state == IsViewable;
}

bool TXConnection::StackedAbove(XWindowId upper, XWindowId lower) {
  Window root, parent, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count)) {
    return false;
  }
  int upperIndex = -1, lowerIndex = -1;
  for (unsigned i = 0; i < count; ++i) {  // bottom to top
    if (children[i] == upper) upperIndex = static_cast<int>(i);
    if (children[i] == lower) lowerIndex = static_cast<int>(i);
  }
  if (children != nullptr) XFree(children);
  return upperIndex >= 0 && lowerIndex >= 0 && upperIndex > lowerIndex;
}

std::vector<QRect> TXConnection::Shape(XWindowId window) {
  int count = 0, ordering = 0;
  XRectangle* rects = XShapeGetRectangles(display_, window, ShapeBounding, &count, &ordering);
  std::vector<QRect> shape;
  for (int i = 0; i < count; ++i)
    shape.emplace_back(rects[i].x, rects[i].y, rects[i].width, rects[i].height);
  if (rects != nullptr) XFree(rects);
  return shape;
}

void TXConnection::MoveResize(XWindowId window, const QRect& geometry) {
  XMoveResizeWindow(display_, window, geometry.x(), geometry.y(),
                    static_cast<unsigned>(geometry.width()),
                    static_cast<unsigned>(geometry.height()));
  XFlush(display_);
}

void TXConnection::MovePointer(int x, int y) {
  XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
  XFlush(display_);
}

void TXConnection::Button(bool down) {
  XTestFakeButtonEvent(display_, 1, down ? True : False, CurrentTime);
  XFlush(display_);
}

void TXConnection::Click(int x, int y) {
  MovePointer(x, y);
  Button(true);
  Button(false);
}

bool InShape(const std::vector<QRect>& shape, QPoint point) {
  for (const QRect& r : shape) {
    if (r.contains(point)) return true;
  }
  return false;
}

TPlainWindow::TPlainWindow(TXConnection& x, const QRect& area) : x_(x) {
  Display* d = x.display();
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.event_mask = ButtonPressMask;
  attributes.background_pixel = WhitePixel(d, DefaultScreen(d));
  window_ = XCreateWindow(d, DefaultRootWindow(d), area.x(), area.y(), area.width(), area.height(),
                          0, CopyFromParent, InputOutput, CopyFromParent,
                          CWOverrideRedirect | CWEventMask | CWBackPixel, &attributes);
  XMapWindow(d, window_);
  XSync(d, False);
}

TPlainWindow::~TPlainWindow() {
  XDestroyWindow(x_.display(), window_);
  XSync(x_.display(), False);
}

std::optional<QPoint> TPlainWindow::NextPress(std::chrono::milliseconds limit) {
  std::optional<QPoint> press;
  WaitUntil([&] { return (press = PollPress()).has_value(); }, limit);
  return press;
}

std::optional<QPoint> TPlainWindow::PollPress() {
  XEvent event;
  if (!XCheckWindowEvent(x_.display(), window_, ButtonPressMask, &event)) return std::nullopt;
  return QPoint(event.xbutton.x_root, event.xbutton.y_root);
}
