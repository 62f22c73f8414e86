#pragma once

#include <QRect>

// Tells the window system's echoes of our own geometry requests from changes made by the user or
// the window manager. The X server confirms each request later, in order: after two quick requests
// (an orientation switch sets the width, then the height) the first confirmation arrives when the
// second request is already made. Reporting that stale step to the model would undo the second
// request there. So after a request every change is an echo until the requested geometry itself
// has been seen, or until the owner settles the guard after a while (a request that changed
// nothing, or that the window manager adjusted, is never confirmed as such).
class TGeometryEchoGuard {
 public:
  void Expect(const QRect& requested) {
    expected_ = requested;
    awaiting_ = true;
  }

  // True when observed is an echo of our own requests, and so not the user's change.
  bool IsEcho(const QRect& observed) {
    if (!awaiting_) return false;
    if (observed == expected_) awaiting_ = false;
    return true;
  }

  void Settle() { awaiting_ = false; }
  bool Awaiting() const { return awaiting_; }
  const QRect& Expected() const { return expected_; }

 private:
  QRect expected_;
  bool awaiting_ = false;
};
