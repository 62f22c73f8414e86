#include <gtest/gtest.h>

#include <thread>

#include "tools/zem-handheld/PtyLine.h"
#include "tools/zem-handheld/tests/FakePc.h"

namespace handheld {
namespace {

using namespace std::chrono_literals;

std::vector<uint8_t> EveryByteValue() {
  std::vector<uint8_t> bytes(256);
  for (int i = 0; i < 256; ++i) bytes[i] = static_cast<uint8_t>(i);
  return bytes;
}

// Reads from the line until count bytes have come.
std::vector<uint8_t> ReadFromLine(PtyLine& line, size_t count) {
  std::vector<uint8_t> bytes;
  uint8_t buffer[512];
  while (bytes.size() < count) {
    const size_t n = line.Read(buffer, sizeof buffer);
    if (n == 0) break;
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  return bytes;
}

TEST(PtyLineTest, EveryByteValuePassesUnchangedBothWays) {
  PtyLine line;
  EXPECT_EQ(line.SlavePath().rfind("/dev/pts/", 0), 0u);
  FakePc pc(line.SlavePath());
  ASSERT_TRUE(pc.IsOpen());

  // Control characters (^C, ^D, XON/XOFF, CR, LF, DEL) would be eaten or changed in cooked mode.
  const std::vector<uint8_t> bytes = EveryByteValue();
  pc.Write(bytes);
  EXPECT_EQ(ReadFromLine(line, bytes.size()), bytes);

  line.Write(bytes.data(), bytes.size());
  EXPECT_EQ(pc.Read(bytes.size(), 5000ms), bytes);
  // And nothing came back as an echo.
  EXPECT_TRUE(pc.Read(1, 50ms).empty());
}

TEST(PtyLineTest, ThePcMayCloseAndReopenAndInterruptEndsARead) {
  PtyLine line;
  {
    FakePc pc(line.SlavePath());
    pc.Write({0xFF, 0x01, 0x00});
    EXPECT_EQ(ReadFromLine(line, 3), (std::vector<uint8_t>{0xFF, 0x01, 0x00}));
  }
  FakePc again(line.SlavePath());
  again.Write({0x0A, 0x0D});
  EXPECT_EQ(ReadFromLine(line, 2), (std::vector<uint8_t>{0x0A, 0x0D}));

  std::thread interrupter([&] {
    std::this_thread::sleep_for(20ms);
    line.Interrupt();
  });
  uint8_t buffer[8];
  EXPECT_EQ(line.Read(buffer, sizeof buffer), 0u);
  interrupter.join();
}

}  // namespace
}  // namespace handheld
