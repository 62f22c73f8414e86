#include <gtest/gtest.h>

#include "platform/Exception.h"
#include "tools/zem-handheld/DeviceOpener.h"
#include "tools/zem-handheld/PtyLine.h"

namespace handheld {
namespace {

std::string OpenError(const std::string& path) {
  try {
    DeviceOpener::Open(path);
  } catch (const Exception& error) {
    return error.Message();
  }
  return "";
}

// A pseudo-terminal's slave stands in for a serial device; the PtyLine plays the far end.
TEST(DeviceOpenerTest, OpensADeviceExclusivelyAndCarriesBytes) {
  PtyLine far;
  const std::unique_ptr<ILine> device = DeviceOpener::Open(far.SlavePath());

  const uint8_t packet[] = {0xFF, 0x0A, 0x01};
  device->Write(packet, sizeof packet);
  uint8_t buffer[8] = {};
  size_t got = 0;
  while (got < sizeof packet) got += far.Read(buffer + got, sizeof buffer - got);
  EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + got), std::vector<uint8_t>(packet, packet + 3));

  const uint8_t answer[] = {0xFF, 0x01, 0x01};
  far.Write(answer, sizeof answer);
  got = 0;
  while (got < sizeof answer) got += device->Read(buffer + got, sizeof buffer - got);
  EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + got), std::vector<uint8_t>(answer, answer + 3));

  EXPECT_EQ(OpenError(far.SlavePath()),
            "device busy: " + far.SlavePath() + " is in use by another program");
}

TEST(DeviceOpenerTest, MissingAndUnsuitablePathsAreNamed) {
  EXPECT_EQ(
      OpenError("/dev/zem-no-such-device").rfind("no such device: /dev/zem-no-such-device", 0), 0u);
  EXPECT_EQ(OpenError("/etc/hostname"), "/etc/hostname is not a character device");
  EXPECT_EQ(OpenError("/dev/null"),
            "cannot open /dev/null (in use by another program, or not a serial device)");
}

}  // namespace
}  // namespace handheld
