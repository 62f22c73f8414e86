// zem-demo-pad: a plain window to lay under ZEM's capture area during the demo. It shows what the
// handheld does through ZEM (pointer stops as small squares, clicks as crosses, drags as lines,
// typed text at the bottom) and prints each of them as a line on standard output, so that the demo
// can be both watched and checked. SIGTERM or SIGINT ends it; it then prints the text typed.
//
//   zem-demo-pad [LEFT TOP WIDTH HEIGHT]     (default: 206 220 640 240, the capture area)

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

int signalPipe[2] = {-1, -1};

void OnSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t ignored = write(signalPipe[1], &byte, 1);
}

struct TPoint {
  int x = 0;
  int y = 0;
};

std::string Text(const TPoint& p) {
  return "(" + std::to_string(p.x) + ", " + std::to_string(p.y) + ")";
}

// The window and everything it has been shown, redrawn whole on every exposure.
class TDemoPad {
 public:
  TDemoPad(Display* display, int left, int top, int width, int height);
  ~TDemoPad();

  void Handle(XEvent& event);
  void Redraw();
  const std::string& Typed() const { return typed_; }

 private:
  void OnPress(const XButtonEvent& event);
  void OnRelease(const XButtonEvent& event);
  void OnMotion(const XMotionEvent& event);
  void OnKey(XKeyEvent& event);
  void Say(const std::string& line) { std::printf("pad: %s\n", line.c_str()); }

  Display* display_;
  Window window_;
  GC gc_;
  XFontStruct* font_;
  int height_;
  std::vector<TPoint> stops_;                       // pointer stops with no button held
  std::vector<TPoint> clicks_;                      // button presses
  std::vector<std::pair<TPoint, TPoint>> strokes_;  // segments drawn with button 1 held
  bool dragging_ = false;
  bool dragged_ = false;
  TPoint dragStart_;
  TPoint last_;
  std::string typed_;
};

TDemoPad::TDemoPad(Display* display, int left, int top, int width, int height)
    : display_(display), height_(height) {
  const int screen = DefaultScreen(display);
  XSetWindowAttributes attributes{};
  // Placed exactly where asked, whatever window manager runs.
  attributes.override_redirect = True;
  attributes.background_pixel = WhitePixel(display, screen);
  attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                          KeyPressMask | EnterWindowMask;
  window_ =
      XCreateWindow(display, RootWindow(display, screen), left, top, static_cast<unsigned>(width),
                    static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                    CWOverrideRedirect | CWBackPixel | CWEventMask, &attributes);
  XStoreName(display, window_, "ZEM demo pad");
  gc_ = XCreateGC(display, window_, 0, nullptr);
  XSetLineAttributes(display, gc_, 3, LineSolid, CapRound, JoinRound);
  font_ = XLoadQueryFont(display, "-misc-fixed-bold-r-normal--18-*-*-*-*-*-iso8859-1");
  if (font_ == nullptr) font_ = XLoadQueryFont(display, "fixed");
  if (font_ != nullptr) XSetFont(display, gc_, font_->fid);
  XMapWindow(display, window_);
  XFlush(display);
  Say("shown at " + Text({left, top}) + ", " + std::to_string(width) + " x " +
      std::to_string(height));
}

TDemoPad::~TDemoPad() {
  if (font_ != nullptr) XFreeFont(display_, font_);
  XFreeGC(display_, gc_);
  XDestroyWindow(display_, window_);
}

void TDemoPad::Redraw() {
  XClearWindow(display_, window_);
  const unsigned long black = BlackPixel(display_, DefaultScreen(display_));
  XSetForeground(display_, gc_, black);
  if (font_ != nullptr) {
    const std::string title = "ZEM demo pad: what the handheld does shows here";
    XDrawString(display_, window_, gc_, 12, 24, title.c_str(), static_cast<int>(title.size()));
    const std::string text = "typed: " + typed_;
    XDrawString(display_, window_, gc_, 12, height_ - 14, text.c_str(),
                static_cast<int>(text.size()));
  }
  for (const auto& p : stops_) XFillRectangle(display_, window_, gc_, p.x - 3, p.y - 3, 7, 7);
  for (const auto& [from, to] : strokes_)
    XDrawLine(display_, window_, gc_, from.x, from.y, to.x, to.y);
  for (const auto& p : clicks_) {
    XDrawLine(display_, window_, gc_, p.x - 8, p.y - 8, p.x + 8, p.y + 8);
    XDrawLine(display_, window_, gc_, p.x - 8, p.y + 8, p.x + 8, p.y - 8);
  }
  XFlush(display_);
}

void TDemoPad::Handle(XEvent& event) {
  switch (event.type) {
    case Expose:
      if (event.xexpose.count == 0) Redraw();
      break;
    case EnterNotify:
      // Typed text goes to the window under the pen.
      XSetInputFocus(display_, window_, RevertToPointerRoot, CurrentTime);
      break;
    case ButtonPress:
      OnPress(event.xbutton);
      break;
    case ButtonRelease:
      OnRelease(event.xbutton);
      break;
    case MotionNotify:
      OnMotion(event.xmotion);
      break;
    case KeyPress:
      OnKey(event.xkey);
      break;
    default:
      break;
  }
}

void TDemoPad::OnPress(const XButtonEvent& event) {
  XSetInputFocus(display_, window_, RevertToPointerRoot, CurrentTime);
  const TPoint at{event.x, event.y};
  if (event.button == Button1) {
    dragging_ = true;
    dragged_ = false;
    dragStart_ = at;
    last_ = at;
  }
  clicks_.push_back(at);
  Redraw();
}

void TDemoPad::OnRelease(const XButtonEvent& event) {
  const TPoint at{event.x, event.y};
  if (event.button == Button1 && dragging_ && dragged_) {
    Say("drag with button 1 from " + Text(dragStart_) + " to " + Text(at));
  } else {
    Say("click of button " + std::to_string(event.button) + " at " + Text(at));
  }
  if (event.button == Button1) dragging_ = false;
}

void TDemoPad::OnMotion(const XMotionEvent& event) {
  const TPoint at{event.x, event.y};
  if (dragging_ && (event.state & Button1Mask)) {
    strokes_.push_back({last_, at});
    dragged_ = true;
  } else {
    stops_.push_back(at);
    Say("pointer to " + Text(at));
  }
  last_ = at;
  Redraw();
}

void TDemoPad::OnKey(XKeyEvent& event) {
  char text[16] = {};
  KeySym keysym = 0;
  const int length = XLookupString(&event, text, sizeof text, &keysym, nullptr);
  for (int i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\b' && !typed_.empty()) {
      typed_.pop_back();
    } else if (c >= 0x20) {
      typed_ += static_cast<char>(c);
    }
  }
  Redraw();
}

}  // namespace

int main(int argc, char** argv) {
  int bounds[4] = {206, 220, 640, 240};
  if (argc == 5) {
    for (int i = 0; i < 4; ++i) bounds[i] = std::atoi(argv[i + 1]);
  } else if (argc != 1) {
    std::fprintf(stderr, "usage: zem-demo-pad [LEFT TOP WIDTH HEIGHT]\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "zem-demo-pad: the X display cannot be opened\n");
    return 1;
  }
  setvbuf(stdout, nullptr, _IOLBF, 0);
  if (pipe(signalPipe) != 0) return 1;
  signal(SIGTERM, OnSignal);
  signal(SIGINT, OnSignal);

  int code = 0;
  {
    TDemoPad pad(display, bounds[0], bounds[1], bounds[2], bounds[3]);
    pollfd waits[2] = {{ConnectionNumber(display), POLLIN, 0}, {signalPipe[0], POLLIN, 0}};
    while (true) {
      while (XPending(display) > 0) {
        XEvent event{};
        XNextEvent(display, &event);
        pad.Handle(event);
      }
      if (poll(waits, 2, -1) < 0) continue;
      if (waits[1].revents != 0) break;
      if (waits[0].revents & (POLLHUP | POLLERR)) {
        code = 1;
        break;
      }
    }
    std::printf("pad: text typed: \"%s\"\n", pad.Typed().c_str());
  }
  XCloseDisplay(display);
  return code;
}
