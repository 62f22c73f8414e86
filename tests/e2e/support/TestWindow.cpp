#include "tests/e2e/support/TestWindow.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <stdexcept>

#include "tests/e2e/support/Wait.h"

namespace e2e {

TTestWindow::TTestWindow(TXSession& x, const TXRect& bounds) : x_(x), bounds_(bounds) {
  Display* display = x_.Handle();
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.background_pixel = BlackPixel(display, DefaultScreen(display));
  attributes.event_mask = ButtonPressMask | KeyPressMask | StructureNotifyMask;
  window_ = XCreateWindow(display, DefaultRootWindow(display), bounds.x, bounds.y,
                          static_cast<unsigned>(bounds.width), static_cast<unsigned>(bounds.height),
                          0, CopyFromParent, InputOutput, CopyFromParent,
                          CWOverrideRedirect | CWBackPixel | CWEventMask, &attributes);
}

TTestWindow::~TTestWindow() {
  Display* display = x_.Handle();
  XDestroyWindow(display, window_);
  if (pixmap_) XFreePixmap(display, pixmap_);
  XSync(display, False);
}

void TTestWindow::SetPicture(const std::vector<uint32_t>& pixels) {
  if (pixels.size() != static_cast<size_t>(bounds_.width) * bounds_.height) {
    throw std::invalid_argument("the picture does not fit the window");
  }
  Display* display = x_.Handle();
  const int screen = DefaultScreen(display);
  const unsigned width = static_cast<unsigned>(bounds_.width);
  const unsigned height = static_cast<unsigned>(bounds_.height);
  const unsigned depth = static_cast<unsigned>(DefaultDepth(display, screen));
  if (pixmap_) XFreePixmap(display, pixmap_);
  pixmap_ = XCreatePixmap(display, window_, width, height, depth);

  // The image owns a copy of the pixels; XDestroyImage frees it.
  XImage* image = XCreateImage(display, DefaultVisual(display, screen), depth, ZPixmap, 0, nullptr,
                               width, height, 32, 0);
  image->data =
      static_cast<char*>(std::malloc(static_cast<size_t>(image->bytes_per_line) * height));
  for (unsigned y = 0; y < height; ++y) {
    for (unsigned x = 0; x < width; ++x) XPutPixel(image, x, y, pixels[y * width + x]);
  }
  GC gc = XCreateGC(display, pixmap_, 0, nullptr);
  XPutImage(display, pixmap_, gc, image, 0, 0, 0, 0, width, height);
  XFreeGC(display, gc);
  XDestroyImage(image);

  XSetWindowBackgroundPixmap(display, window_, pixmap_);
  XClearWindow(display, window_);
  XSync(display, False);
}

void TTestWindow::Show() {
  Display* display = x_.Handle();
  XMapWindow(display, window_);
  XLowerWindow(display, window_);
  XSync(display, False);
  if (!WaitUntil([&] { return x_.Viewable(window_); })) {
    throw std::runtime_error("the test window did not appear");
  }
}

void TTestWindow::Focus() {
  XSetInputFocus(x_.Handle(), window_, RevertToPointerRoot, CurrentTime);
  XSync(x_.Handle(), False);
}

void TTestWindow::Pump() {
  Display* display = x_.Handle();
  while (XPending(display) > 0) {
    XEvent event{};
    XNextEvent(display, &event);
    if (event.type == ButtonPress && event.xbutton.window == window_) {
      presses_.push_back({event.xbutton.button, {event.xbutton.x, event.xbutton.y}});
    } else if (event.type == KeyPress && event.xkey.window == window_) {
      char text[16] = {};
      KeySym keysym = 0;
      const int length = XLookupString(&event.xkey, text, sizeof text, &keysym, nullptr);
      text_.append(text, static_cast<size_t>(length));
    }
  }
}

}  // namespace e2e
