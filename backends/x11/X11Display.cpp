#include "backends/x11/X11Display.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>

#include <map>
#include <mutex>
#include <type_traits>

#include "platform/Exception.h"

static_assert(std::is_same_v<TXWindow, Window>, "TXWindow must be Xlib's Window");

namespace {

struct TErrorRecord {
  uint64_t count = 0;
  unsigned char errorCode = 0;
  unsigned char requestCode = 0;
  unsigned char minorCode = 0;
};

// The error records of every open connection. Xlib has one error handler per process, so the
// handler files each error under the connection it came from.
class TErrorRegistry {
 public:
  static TErrorRegistry& Instance() {
    static TErrorRegistry registry;
    return registry;
  }

  void Add(Display* display) {
    std::lock_guard lock(mutex_);
    records_[display] = {};
  }
  void Remove(Display* display) {
    std::lock_guard lock(mutex_);
    records_.erase(display);
  }
  TErrorRecord Get(Display* display) const {
    std::lock_guard lock(mutex_);
    auto it = records_.find(display);
    return it == records_.end() ? TErrorRecord{} : it->second;
  }
  void Record(Display* display, const XErrorEvent& error) {
    std::lock_guard lock(mutex_);
    auto it = records_.find(display);
    if (it == records_.end()) return;  // a connection opened elsewhere: nothing to record it in
    it->second.count++;
    it->second.errorCode = error.error_code;
    it->second.requestCode = error.request_code;
    it->second.minorCode = error.minor_code;
  }

 private:
  mutable std::mutex mutex_;
  std::map<Display*, TErrorRecord> records_;
};

// Records the error instead of printing it and exiting, Xlib's default.
int RecordError(Display* display, XErrorEvent* error) {
  TErrorRegistry::Instance().Record(display, *error);
  return 0;
}

void InstallErrorHandler() {
  static std::once_flag installed;
  std::call_once(installed, [] { XSetErrorHandler(&RecordError); });
}

}  // namespace

TX11Display::TX11Display() {
  Open(nullptr);
}

TX11Display::TX11Display(const std::string& name) {
  Open(name.c_str());
}

void TX11Display::Open(const char* name) {
  InstallErrorHandler();
  display_ = XOpenDisplay(name);
  if (!display_) {
    std::string shown = XDisplayName(name);
    if (shown.empty()) shown = "(DISPLAY is not set)";
    throw Exception("Cannot open X display \"" + shown + "\"");
  }
  TErrorRegistry::Instance().Add(display_);
}

TX11Display::~TX11Display() {
  // Forget the record first: once closed, the same address may be handed to a new connection.
  TErrorRegistry::Instance().Remove(display_);
  XCloseDisplay(display_);
}

int TX11Display::Screen() const {
  return DefaultScreen(display_);
}

TXWindow TX11Display::Root() const {
  return RootWindow(display_, Screen());
}

uint64_t TX11Display::ChangeCount() {
  while (XPending(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    if (event.type == MappingNotify) XRefreshKeyboardMapping(&event.xmapping);
    XRRUpdateConfiguration(&event);  // ignores what is not a RandR screen change
    ++changes_;
  }
  return changes_;
}

uint64_t TX11Display::ErrorCount() const {
  return TErrorRegistry::Instance().Get(display_).count;
}

std::string TX11Display::LastErrorText() const {
  TErrorRecord record = TErrorRegistry::Instance().Get(display_);
  if (record.count == 0) return "";
  char text[256] = {};
  XGetErrorText(display_, record.errorCode, text, sizeof text);
  return std::string(text) + " (request " + std::to_string(record.requestCode) + "." +
         std::to_string(record.minorCode) + ")";
}

TX11ErrorTrap::TX11ErrorTrap(TX11Display& display)
    : display_(display), errorsAtStart_(display.ErrorCount()) {
  // Another library of the process may have put its own handler in place since: take it back.
  XSetErrorHandler(&RecordError);
}

bool TX11ErrorTrap::SyncFailed() {
  XSync(display_.Handle(), False);
  return Failed();
}

bool TX11ErrorTrap::Failed() const {
  return display_.ErrorCount() != errorsAtStart_;
}

std::string TX11ErrorTrap::ErrorText() const {
  return display_.LastErrorText();
}
