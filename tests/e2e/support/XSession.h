#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Xlib's own types, declared here so that its macros stay out of the tests' headers.
struct _XDisplay;

namespace e2e {

using TWindowId = unsigned long;

struct TXPoint {
  int x = 0;
  int y = 0;
  friend bool operator==(const TXPoint&, const TXPoint&) = default;
};

struct TXRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const TXRect&, const TXRect&) = default;
};

std::string ToString(const TXPoint& p);
std::string ToString(const TXRect& r);

// A connection of the test's own to the X server, to watch what ZEM does to the desktop.
class TXSession {
 public:
  // True when the display named by DISPLAY can be opened.
  static bool DisplayOpens();

  // Raises std::runtime_error when the display cannot be opened.
  TXSession();
  ~TXSession();

  TXSession(const TXSession&) = delete;
  TXSession& operator=(const TXSession&) = delete;

  _XDisplay* Handle() const { return display_; }

  TXPoint Pointer() const;
  // The modifier and button state the server holds now (ShiftMask, ControlMask, Button1Mask, ...).
  unsigned int PointerState() const;
  // Moves the pointer through XTest, as zempc does, and sends the request at once.
  void MovePointer(const TXPoint& to);
  TXPoint ScreenSize() const;

  // The top-level window that process pid shows with the class name className, if it has one.
  std::optional<TWindowId> FindWindowOf(pid_t pid, const std::string& className) const;
  bool Viewable(TWindowId window) const;
  // Position on the root window and size.
  TXRect Geometry(TWindowId window) const;

  // The root window's pixels in the rectangle, each 0xRRGGBB, row by row.
  std::vector<uint32_t> ReadScreen(const TXRect& area) const;

 private:
  _XDisplay* display_ = nullptr;
};

}  // namespace e2e
