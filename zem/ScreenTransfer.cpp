#include "zem/ScreenTransfer.h"

#include <algorithm>
#include <array>
#include <limits>
#include <vector>

#include "protocol/Packets.h"

namespace {

// In either orientation the desktop X of a pixel depends on one handheld coordinate only and the
// desktop Y on the other: landscape takes X from the column and Y from the row, portrait X from the
// row and Y from the column. So the mapped points of each column (at row 0) and of each row (at
// column 0) give the point of every pixel, exactly as MapToDesktop gives it.
struct TSampleTables {
  bool landscape = true;
  std::array<TPoint, HandheldWidth> column;  // MapToDesktop(x, 0)
  std::array<TPoint, HandheldHeight> row;    // MapToDesktop(0, y)

  // The desktop coordinate that follows the column, and the one that follows the row.
  int32_t ColumnCoordinate(int x) const { return landscape ? column[x].x : column[x].y; }
  int32_t RowCoordinate(int y) const { return landscape ? row[y].y : row[y].x; }
};

TSampleTables MakeSampleTables(const TMappingInputs& inputs) {
  TSampleTables tables;
  tables.landscape = inputs.Landscape;
  for (int x = 0; x < HandheldWidth; ++x) tables.column[x] = MapToDesktop(inputs, x, 0);
  for (int y = 0; y < HandheldHeight; ++y) tables.row[y] = MapToDesktop(inputs, 0, y);
  return tables;
}

// The range of values seen, as a half-open span held within 32 bits.
struct TSpan {
  int32_t low = std::numeric_limits<int32_t>::max();
  int32_t high = std::numeric_limits<int32_t>::min();
  void Add(int32_t value) {
    low = std::min(low, value);
    high = std::max(high, value);
  }
  int32_t End() const { return high == std::numeric_limits<int32_t>::max() ? high : high + 1; }
};

TRect Intersection(const TRect& a, const TRect& b) {
  const TRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
  if (r.right <= r.left || r.bottom <= r.top) return TRect{};
  return r;
}

// Offsets into a snapshot's pixels of a desktop column and of a desktop row; Outside when the
// column or row lies outside the snapshot. A pixel's index is its column offset plus its row
// offset.
constexpr int64_t Outside = -1;

int64_t ColumnOffset(const TRect& area, int32_t desktopX) {
  if (desktopX < area.left || desktopX >= area.right) return Outside;
  return static_cast<int64_t>(desktopX) - area.left;
}

int64_t RowOffset(const TRect& area, int32_t desktopY) {
  if (desktopY < area.top || desktopY >= area.bottom) return Outside;
  return (static_cast<int64_t>(desktopY) - area.top) * area.Width();
}

// A snapshot whose pixel count does not match its area is not trusted: every point reads as
// outside.
TRect UsableArea(const TScreenSnapshot& snapshot) {
  const TRect& a = snapshot.area;
  if (a.Width() <= 0 || a.Height() <= 0) return TRect{};
  const auto count = static_cast<uint64_t>(a.Width()) * static_cast<uint64_t>(a.Height());
  return snapshot.pixels.size() == count ? a : TRect{};
}

uint8_t PackPair(uint32_t first, uint32_t second) {
  // The second pixel is OR-ed in unmasked: CLR_INVALID there turns the whole byte to 0xFF.
  return static_cast<uint8_t>(((first >> 20) << 4) | (second >> 20));
}

}  // namespace

TRect SampledArea(const TMappingInputs& inputs) {
  const TSampleTables tables = MakeSampleTables(inputs);
  TSpan columnSpan, rowSpan;
  for (int x = 0; x < HandheldWidth; ++x) columnSpan.Add(tables.ColumnCoordinate(x));
  for (int y = 0; y < HandheldHeight; ++y) rowSpan.Add(tables.RowCoordinate(y));
  const TSpan& xs = inputs.Landscape ? columnSpan : rowSpan;
  const TSpan& ys = inputs.Landscape ? rowSpan : columnSpan;
  return TRect{xs.low, ys.low, xs.End(), ys.End()};
}

void PackScreenImage(const TMappingInputs& inputs, const TScreenSnapshot& snapshot,
                     uint8_t* image) {
  const TSampleTables tables = MakeSampleTables(inputs);
  const TRect area = UsableArea(snapshot);
  const bool landscape = inputs.Landscape;

  std::array<int64_t, HandheldWidth> columnOffset;
  for (int x = 0; x < HandheldWidth; ++x) {
    const int32_t c = tables.ColumnCoordinate(x);
    columnOffset[x] = landscape ? ColumnOffset(area, c) : RowOffset(area, c);
  }

  const uint32_t* pixels = snapshot.pixels.data();
  auto colour = [&](int x, int64_t rowOffset) -> uint32_t {
    if (rowOffset == Outside || columnOffset[x] == Outside) return CLR_INVALID;
    return pixels[rowOffset + columnOffset[x]];
  };

  uint8_t* out = image;
  for (int y = 0; y < HandheldHeight; ++y) {
    const int32_t r = tables.RowCoordinate(y);
    const int64_t rowOffset = landscape ? RowOffset(area, r) : ColumnOffset(area, r);
    for (int x = 0; x < HandheldWidth; x += 2) {
      *out++ = PackPair(colour(x, rowOffset), colour(x + 1, rowOffset));
    }
  }
}

void SendScreenImage(const TMappingInputs& inputs, IScreenReader& screen, ISerialLink& link,
                     const std::function<void(int blocksDone)>& progress) {
  // The header's error is the caller's: it ends the transfer before any image byte.
  const uint8_t header[ScreenHeaderSize] = {0xFF, 0xFF, 0xFF};
  link.Write(header, ScreenHeaderSize);

  // Every point beyond the desktop counts as CLR_INVALID anyway, so the snapshot never grows past
  // the desktop however large the capture area is.
  const TRect area = Intersection(SampledArea(inputs), screen.Desktop());
  TScreenSnapshot snapshot;
  if (area.Width() > 0) {
    snapshot = screen.Snapshot(area);
  }

  std::vector<uint8_t> image(ScreenImageSize);
  PackScreenImage(inputs, snapshot, image.data());

  for (int block = 0; block < ScreenBlockCount; ++block) {
    try {
      link.Write(image.data() + block * ScreenBlockSize, ScreenBlockSize);
    } catch (...) {
      // A lost block: the handheld receives fewer bytes, and the transfer goes on.
    }
    if (progress) progress(block + 1);
  }
}
