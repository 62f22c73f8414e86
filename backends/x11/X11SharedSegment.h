#pragma once

// Internal to the X11 backend: pulls in Xlib and MIT-SHM.
#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <cstddef>

#include "backends/x11/X11Display.h"

// A System V shared-memory segment attached to the X server, into which XShmGetImage writes the
// pixels directly instead of sending them through the socket. The first read into a new segment is
// slow (~15 ms), so one segment is kept and reused while it is big enough.
class TX11SharedSegment {
 public:
  // Creates the segment and has the server attach it. Raises Exception when either fails, as it
  // does for a server on another machine.
  TX11SharedSegment(TX11Display& display, std::size_t bytes);
  ~TX11SharedSegment();

  TX11SharedSegment(const TX11SharedSegment&) = delete;
  TX11SharedSegment& operator=(const TX11SharedSegment&) = delete;

  std::size_t Size() const { return size_; }
  char* Address() const { return info_.shmaddr; }
  XShmSegmentInfo* Info() { return &info_; }

 private:
  TX11Display& display_;
  std::size_t size_;
  XShmSegmentInfo info_{};
};
