#include "backends/x11/X11ScreenReader.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <bit>
#include <string>
#include <vector>

#include "backends/x11/PrimaryMonitor.h"
#include "backends/x11/X11SharedSegment.h"
#include "platform/Exception.h"

namespace {

Visual* ScreenVisual(TX11Display& display) {
  return DefaultVisual(display.Handle(), display.Screen());
}

TPixelFormat FormatOfScreen(TX11Display& display) {
  Visual* visual = ScreenVisual(display);
  if (visual->c_class != TrueColor && visual->c_class != DirectColor) {
    throw Exception("Cannot read the screen: its visual is not true colour");
  }
  return TPixelFormat(static_cast<uint32_t>(visual->red_mask),
                      static_cast<uint32_t>(visual->green_mask),
                      static_cast<uint32_t>(visual->blue_mask));
}

// A snapshot of the area with every point CLR_INVALID. A reversed or empty area gives an empty
// snapshot at the area's corner.
TScreenSnapshot BlankSnapshot(const TRect& area) {
  int64_t width = int64_t{area.right} - area.left;
  int64_t height = int64_t{area.bottom} - area.top;
  TScreenSnapshot snapshot;
  if (width <= 0 || height <= 0) {
    snapshot.area = {area.left, area.top, area.left, area.top};
    return snapshot;
  }
  if (static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > TX11ScreenReader::MaxPixels) {
    throw Exception("Cannot read a screen area of " + std::to_string(width) + " x " +
                    std::to_string(height) + " pixels: it is too large");
  }
  snapshot.area = area;
  snapshot.pixels.assign(static_cast<std::size_t>(width * height), CLR_INVALID);
  return snapshot;
}

TRect Intersect(const TRect& a, const TRect& b) {
  TRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
  if (r.right <= r.left || r.bottom <= r.top) return {};
  return r;
}

bool IsNativeByteOrder(const XImage& image) {
  int native = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
  return image.byte_order == native;
}

// Converts the image, which holds the clip rectangle, into the snapshot's colour values.
void CopyPixels(XImage& image, const TPixelFormat& format, const TRect& clip,
                TScreenSnapshot& snapshot) {
  const bool fast = format.IsRgb888() && image.bits_per_pixel == 32 && IsNativeByteOrder(image);
  const std::size_t snapshotWidth = static_cast<std::size_t>(snapshot.area.Width());
  for (int32_t row = 0; row < clip.Height(); ++row) {
    uint32_t* out = snapshot.pixels.data() +
                    static_cast<std::size_t>(clip.top - snapshot.area.top + row) * snapshotWidth +
                    static_cast<std::size_t>(clip.left - snapshot.area.left);
    if (fast) {
      const auto* in = reinterpret_cast<const uint32_t*>(
          image.data + static_cast<std::size_t>(row) * image.bytes_per_line);
      for (int32_t column = 0; column < clip.Width(); ++column) {
        out[column] = TPixelFormat::Rgb888ToColorValue(in[column]);
      }
    } else {
      for (int32_t column = 0; column < clip.Width(); ++column) {
        out[column] = format.ToColorValue(static_cast<uint32_t>(XGetPixel(&image, column, row)));
      }
    }
  }
}

}  // namespace

TX11ScreenReader::TX11ScreenReader(TX11Display& display, bool useSharedMemory)
    : display_(display),
      format_(FormatOfScreen(display)),
      sharedMemory_(useSharedMemory && XShmQueryExtension(display.Handle())) {
  // Have the server tell of changes of the screens, so that what was read of them can be kept.
  Display* handle = display_.Handle();
  XSelectInput(handle, display_.Root(), StructureNotifyMask);
  int eventBase = 0, errorBase = 0;
  if (XRRQueryExtension(handle, &eventBase, &errorBase)) {
    XRRSelectInput(handle, display_.Root(),
                   RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
  }
}

TRect TX11ScreenReader::Desktop() {
  return RootBounds();
}

TX11ScreenReader::~TX11ScreenReader() = default;

TRect TX11ScreenReader::RootBounds() {
  Window root = 0;
  int x = 0, y = 0;
  unsigned int width = 0, height = 0, border = 0, depth = 0;
  if (!XGetGeometry(display_.Handle(), display_.Root(), &root, &x, &y, &width, &height, &border,
                    &depth)) {
    throw Exception("Cannot read the screen: the root window's size is unknown");
  }
  return {0, 0, static_cast<int32_t>(width), static_cast<int32_t>(height)};
}

TScreenSnapshot TX11ScreenReader::Snapshot(const TRect& area) {
  TScreenSnapshot snapshot = BlankSnapshot(area);
  if (snapshot.pixels.empty()) return snapshot;
  // A request reaching outside the root fails as a whole (BadMatch): read only the part on it.
  TRect clip = Intersect(snapshot.area, RootBounds());
  if (clip.Width() == 0) return snapshot;
  if (!(sharedMemory_ && ReadShared(clip, snapshot))) ReadPlain(clip, snapshot);
  return snapshot;
}

bool TX11ScreenReader::ReadShared(const TRect& clip, TScreenSnapshot& snapshot) {
  Display* display = display_.Handle();
  XImage* image = XShmCreateImage(
      display, ScreenVisual(display_), DefaultDepth(display, display_.Screen()), ZPixmap, nullptr,
      nullptr, static_cast<unsigned int>(clip.Width()), static_cast<unsigned int>(clip.Height()));
  if (!image) return false;
  bool read = false;
  std::size_t bytes = static_cast<std::size_t>(image->bytes_per_line) * image->height;
  if (EnsureSegment(bytes)) {
    image->data = segment_->Address();
    image->obdata = reinterpret_cast<char*>(segment_->Info());
    TX11ErrorTrap trap(display_);
    read = XShmGetImage(display, display_.Root(), image, clip.left, clip.top, AllPlanes) &&
           !trap.Failed();
    if (read) CopyPixels(*image, format_, clip, snapshot);
  }
  // The pixels and the segment record belong to the segment, not to the image.
  image->data = nullptr;
  image->obdata = nullptr;
  XDestroyImage(image);
  return read;
}

bool TX11ScreenReader::EnsureSegment(std::size_t bytes) {
  if (segment_ && segment_->Size() >= bytes) return true;
  segment_.reset();
  try {
    segment_ = std::make_unique<TX11SharedSegment>(display_, bytes);
    return true;
  } catch (const Exception&) {
    sharedMemory_ = false;  // a server that cannot attach now will not later: use XGetImage
    return false;
  }
}

void TX11ScreenReader::ReadPlain(const TRect& clip, TScreenSnapshot& snapshot) {
  TX11ErrorTrap trap(display_);
  XImage* image = XGetImage(display_.Handle(), display_.Root(), clip.left, clip.top,
                            static_cast<unsigned int>(clip.Width()),
                            static_cast<unsigned int>(clip.Height()), AllPlanes, ZPixmap);
  if (!image) throw Exception("Cannot read the screen: " + trap.ErrorText());
  CopyPixels(*image, format_, clip, snapshot);
  XDestroyImage(image);
}

TRect TX11ScreenReader::PrimaryScreen() {
  // A pen packet in full-screen mode asks for the screen each time: answer from what was read
  // until the server reports a change of the screens.
  const uint64_t changes = display_.ChangeCount();
  if (!primary_ || changes != primarySeenChanges_) {
    primary_ = QueryPrimaryScreen();
    primarySeenChanges_ = display_.ChangeCount();
  }
  return *primary_;
}

TRect TX11ScreenReader::QueryPrimaryScreen() {
  TRect root = RootBounds();
  Display* display = display_.Handle();
  int eventBase = 0, errorBase = 0, major = 0, minor = 0;
  if (!XRRQueryExtension(display, &eventBase, &errorBase) ||
      !XRRQueryVersion(display, &major, &minor) || major < 1 || (major == 1 && minor < 5)) {
    return root;  // monitors arrived with RandR 1.5
  }
  TX11ErrorTrap trap(display_);
  int count = 0;
  XRRMonitorInfo* info = XRRGetMonitors(display, display_.Root(), True, &count);
  RROutput primaryOutput = XRRGetOutputPrimary(display, display_.Root());
  std::vector<TMonitor> monitors;
  for (int i = 0; info && i < count; ++i) {
    TMonitor monitor;
    monitor.bounds = {info[i].x, info[i].y, info[i].x + info[i].width, info[i].y + info[i].height};
    monitor.primary = info[i].primary;
    monitor.outputs.assign(info[i].outputs, info[i].outputs + info[i].noutput);
    monitors.push_back(monitor);
  }
  if (info) XRRFreeMonitors(info);
  if (trap.Failed()) return root;
  return ChoosePrimaryScreen(monitors, primaryOutput, root);
}
