#pragma once

#include <cstddef>
#include <memory>
#include <optional>

#include "backends/x11/PixelFormat.h"
#include "backends/x11/X11Display.h"
#include "platform/ScreenReader.h"

class TX11SharedSegment;

// Reads the root window's pixels: with MIT-SHM (XShmGetImage) when the server shares memory with
// this process, with XGetImage otherwise (a server on another machine).
class TX11ScreenReader : public IScreenReader {
 public:
  // Raises Exception when the screen's visual is not true colour. With useSharedMemory false it
  // always reads with XGetImage, as it does for a remote server.
  explicit TX11ScreenReader(TX11Display& display, bool useSharedMemory = true);
  ~TX11ScreenReader() override;

  // The primary monitor as RandR reports it, in root coordinates; the whole root window when RandR
  // names none. Asked of the server again only after it has reported a change of the screens.
  TRect PrimaryScreen() override;
  // The root window: every monitor.
  TRect Desktop() override;
  // Raises Exception when the server refuses to give the pixels, or for an area too large to hold.
  TScreenSnapshot Snapshot(const TRect& area) override;

  // False once shared memory has turned out to be unavailable.
  bool UsesSharedMemory() const { return sharedMemory_; }

  // The largest area Snapshot holds, in pixels (256 MB of colour values).
  static constexpr std::size_t MaxPixels = std::size_t{1} << 26;

 private:
  TRect RootBounds();
  TRect QueryPrimaryScreen();
  // Read the clipped part of the snapshot's area into it; ReadShared answers false when shared
  // memory could not deliver it.
  bool ReadShared(const TRect& clip, TScreenSnapshot& snapshot);
  void ReadPlain(const TRect& clip, TScreenSnapshot& snapshot);
  bool EnsureSegment(std::size_t bytes);

  TX11Display& display_;
  TPixelFormat format_;
  bool sharedMemory_ = false;
  std::unique_ptr<TX11SharedSegment> segment_;
  std::optional<TRect> primary_;
  uint64_t primarySeenChanges_ = 0;  // the display's change count when primary_ was read
};
