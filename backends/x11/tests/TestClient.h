#pragma once

// Included after gtest: Xlib's macros (None, Bool, Status) would otherwise clash with it.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "backends/x11/tests/Printers.h"
#include "platform/Types.h"

// A connection of the test's own, to watch what the code under test does to the server: pointer
// position, events delivered to a window, keyboard mapping.
//
// It speaks the core keyboard protocol, without XKB: then every keymap change arrives as a
// MappingNotify in order with the key events, and XLookupString reads the mapping anew after it.
// Xlib's XKB code in a client often misses such a change altogether, which would make the tests of
// temporary bindings depend on Xlib's internals rather than on the code under test.
class TTestClient {
 public:
  TTestClient() {
    XkbIgnoreExtension(True);
    display_ = XOpenDisplay(nullptr);
    XkbIgnoreExtension(False);
  }
  ~TTestClient() {
    if (!display_) return;
    if (window_) XDestroyWindow(display_, window_);
    XCloseDisplay(display_);
  }
  TTestClient(const TTestClient&) = delete;
  TTestClient& operator=(const TTestClient&) = delete;

  bool Connected() const { return display_ != nullptr; }
  Display* Handle() const { return display_; }
  Window TestWindow() const { return window_; }

  TSize ScreenSize() const {
    return {DisplayWidth(display_, DefaultScreen(display_)),
            DisplayHeight(display_, DefaultScreen(display_))};
  }

  // Maps a window at the rectangle, placed exactly (no window manager gets a say), filled with the
  // colour, selecting the events of the mask; returns once it is on screen and has the keyboard
  // focus.
  void ShowWindow(const TRect& bounds, unsigned long pixel, long eventMask) {
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = pixel;
    attributes.event_mask = eventMask | StructureNotifyMask;
    window_ =
        XCreateWindow(display_, DefaultRootWindow(display_), bounds.left, bounds.top,
                      static_cast<unsigned>(bounds.Width()), static_cast<unsigned>(bounds.Height()),
                      0, CopyFromParent, InputOutput, CopyFromParent,
                      CWOverrideRedirect | CWBackPixel | CWEventMask, &attributes);
    XMapRaised(display_, window_);
    if (!WaitFor(MapNotify)) throw std::runtime_error("the test window did not appear");
    XSetInputFocus(display_, window_, RevertToPointerRoot, CurrentTime);
    XSync(display_, False);
  }

  // Fills a rectangle of the window (window coordinates) with a pixel value.
  void Fill(const TRect& area, unsigned long pixel) {
    GC gc = XCreateGC(display_, window_, 0, nullptr);
    XSetForeground(display_, gc, pixel);
    XFillRectangle(display_, window_, gc, area.left, area.top, static_cast<unsigned>(area.Width()),
                   static_cast<unsigned>(area.Height()));
    XFreeGC(display_, gc);
    XSync(display_, False);
  }

  TPoint Pointer() const {
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
    unsigned int mask = 0;
    XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &rootX, &rootY, &winX,
                  &winY, &mask);
    return {rootX, rootY};
  }

  // Polls the pointer until it is at the point or the limit passes; returns where it is.
  TPoint WaitForPointer(TPoint expected,
                        std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    TPoint at = Pointer();
    while (!(at == expected) && std::chrono::steady_clock::now() < deadline) {
      poll(nullptr, 0, 1);
      at = Pointer();
    }
    return at;
  }

  // The next event of the type, or nothing when none arrives within the limit. Keeps the
  // client's keymap current along the way, as every X client must.
  std::optional<XEvent> WaitFor(int type,
                                std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
      while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == MappingNotify) XRefreshKeyboardMapping(&event.xmapping);
        if (event.type == type) return event;
      }
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return std::nullopt;
      pollfd socket{ConnectionNumber(display_), POLLIN, 0};
      poll(&socket, 1, static_cast<int>(left.count()));
    }
  }

  // The keysym and text of the next key press that types something (modifier presses skipped).
  struct TTyped {
    KeySym keysym = NoSymbol;
    std::string text;
  };
  std::optional<TTyped> NextTyped(std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      std::optional<XEvent> press = WaitFor(KeyPress, left);
      if (!press) return std::nullopt;
      TTyped typed;
      char text[16] = {};
      int length = XLookupString(&press->xkey, text, sizeof text, &typed.keysym, nullptr);
      typed.text.assign(text, static_cast<std::size_t>(length));
      if (!IsModifierKey(typed.keysym)) return typed;
    }
  }

  // Replaces the keysyms of one keycode, as a layout switch does.
  void SetKeysyms(int keycode, std::vector<KeySym> keysyms) {
    XChangeKeyboardMapping(display_, keycode, static_cast<int>(keysyms.size()), keysyms.data(), 1);
    XSync(display_, False);
  }

  // The keysyms of one keycode as the server has them.
  std::vector<KeySym> Keysyms(int keycode) const {
    int perKeycode = 0;
    KeySym* keysyms = XGetKeyboardMapping(display_, static_cast<KeyCode>(keycode), 1, &perKeycode);
    std::vector<KeySym> row(keysyms, keysyms + perKeycode);
    XFree(keysyms);
    return row;
  }

  // The server's keyboard mapping as it stands.
  std::vector<KeySym> KeyboardMapping() const {
    int minKeycode = 0, maxKeycode = 0, perKeycode = 0;
    XDisplayKeycodes(display_, &minKeycode, &maxKeycode);
    int count = maxKeycode - minKeycode + 1;
    KeySym* keysyms =
        XGetKeyboardMapping(display_, static_cast<KeyCode>(minKeycode), count, &perKeycode);
    std::vector<KeySym> mapping(keysyms, keysyms + count * perKeycode);
    XFree(keysyms);
    return mapping;
  }

 private:
  Display* display_ = nullptr;
  Window window_ = 0;
};
