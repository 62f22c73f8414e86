#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "backends/serial_posix/LineSettings.h"
#include "backends/serial_posix/PosixSerialDevice.h"
#include "backends/serial_posix/PosixSerialPortFactory.h"
#include "backends/serial_posix/tests/PtyPair.h"

using namespace std::chrono_literals;

namespace {

// The read timeouts of a link with Timeout 0: 1 ms between bytes, 1 ms a byte, no constant.
constexpr TCommTimeouts ShortestTimeouts{1, 1, 0, 0, 0};

std::string AsString(const uint8_t* bytes, const TIoResult& result) {
  return std::string(reinterpret_cast<const char*>(bytes), result.ok ? result.count : 0);
}

class PosixSerialDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    device = TPosixSerialDevice::Open(pty.SlavePath());
    ASSERT_NE(device, nullptr);
    ASSERT_TRUE(device->SetCommTimeouts(ShortestTimeouts));
  }

  // Starts a read of count bytes on a thread of its own.
  std::future<TIoResult> ReadAsync(uint32_t count) {
    return std::async(std::launch::async,
                      [this, count] { return device->Read(buffer.data(), count); });
  }

  TPtyPair pty;
  std::unique_ptr<TPosixSerialDevice> device;
  std::vector<uint8_t> buffer = std::vector<uint8_t>(4096);
};

TEST(PosixSerialPortFactoryTest, PortNumbersNameDevicesThroughTheMapping) {
  TPosixSerialPortFactory ports;
  EXPECT_EQ(ports.DeviceName(1), "/dev/ttyS0");
  EXPECT_EQ(ports.DeviceName(4), "/dev/ttyS3");
  EXPECT_EQ(ports.DeviceName(0), "");
  EXPECT_EQ(ports.Open(0), nullptr);

  ports.SetDeviceMapping([](uint32_t port) -> std::string {
    if (port == 2) return "/dev/serial/by-id/usb-handheld";
    if (port == 3) throw std::runtime_error("bad settings");
    return "";
  });
  EXPECT_EQ(ports.DeviceName(2), "/dev/serial/by-id/usb-handheld");
  EXPECT_EQ(ports.DeviceName(3), "");
  EXPECT_EQ(ports.Open(2), nullptr);  // no such device
  EXPECT_EQ(ports.Open(3), nullptr);
  EXPECT_EQ(ports.Open(1), nullptr);

  ports.SetDeviceMapping({});
  EXPECT_EQ(ports.DeviceName(2), "/dev/ttyS1");
}

TEST(PosixSerialPortFactoryTest, OnlyTerminalsOpen) {
  char path[] = "/tmp/serial_posix_test_XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  EXPECT_EQ(TPosixSerialDevice::Open(path), nullptr);
  EXPECT_EQ(TPosixSerialDevice::Open("/dev/null"), nullptr);
  unlink(path);
}

TEST_F(PosixSerialDeviceTest, OpenIsExclusive) {
  EXPECT_EQ(TPosixSerialDevice::Open(pty.SlavePath()), nullptr);
  device.reset();
  EXPECT_NE(TPosixSerialDevice::Open(pty.SlavePath()), nullptr);
}

TEST(LineSettingsTest, CharacterFormatsEncodeAndDecode) {
  constexpr uint32_t RtsCtsAndLocal = 0x80000800;  // CRTSCTS | CLOCAL: must be kept
  for (uint8_t dataBits = 4; dataBits <= 9; ++dataBits) {
    for (uint8_t parity = 0; parity <= 5; ++parity) {
      for (uint8_t stopBits = 0; stopBits <= 3; ++stopBits) {
        const TCommState wanted{9600, dataBits, parity, stopBits};
        const bool valid =
            dataBits >= 5 && dataBits <= 8 && parity <= 4 &&
            (stopBits == 0 || (stopBits == 1 && dataBits == 5) || (stopBits == 2 && dataBits > 5));
        SCOPED_TRACE(testing::Message()
                     << int(dataBits) << "/" << int(parity) << "/" << int(stopBits));
        uint32_t cflag = RtsCtsAndLocal;
        ASSERT_EQ(EncodeCharacterFormat(wanted, cflag), valid);
        if (!valid) {
          EXPECT_EQ(cflag, RtsCtsAndLocal);
          continue;
        }
        EXPECT_EQ(cflag & RtsCtsAndLocal, RtsCtsAndLocal);
        TCommState decoded;
        DecodeCharacterFormat(cflag, decoded);
        EXPECT_EQ(decoded.ByteSize, dataBits);
        EXPECT_EQ(decoded.Parity, parity);
        EXPECT_EQ(decoded.StopBits, stopBits);
      }
    }
  }
}

TEST_F(PosixSerialDeviceTest, AnyBaudRateIsSetAndReadBack) {
  // A pseudo-terminal takes any rate and the stop bits, but always runs 8 data bits, no parity.
  const std::vector<TCommState> accepted = {
      {115000, 8, 0, 0}, {300, 8, 0, 2}, {2000000, 8, 0, 0}, {19200, 8, 0, 0}};
  for (const TCommState& wanted : accepted) {
    SCOPED_TRACE(wanted.BaudRate);
    ASSERT_TRUE(device->SetCommState(wanted));
    TCommState state;
    ASSERT_TRUE(device->GetCommState(state));
    EXPECT_EQ(state.BaudRate, wanted.BaudRate);
    EXPECT_EQ(state.ByteSize, wanted.ByteSize);
    EXPECT_EQ(state.Parity, wanted.Parity);
    EXPECT_EQ(state.StopBits, wanted.StopBits);
  }
}

TEST_F(PosixSerialDeviceTest, RefusedSettingsLeaveTheLineAsItWas) {
  ASSERT_TRUE(device->SetCommState({115000, 8, 0, 0}));
  const std::vector<TCommState> refused = {
      {0, 8, 0, 0},    {9600, 4, 0, 0}, {9600, 9, 0, 0},
      {9600, 8, 5, 0}, {9600, 8, 0, 3}, {9600, 8, 0, 1},  // 1.5 stop bits need 5 data bits
      {9600, 7, 2, 0},  // valid, but not taken by a pseudo-terminal
      {9600, 8, 3, 0},
  };
  for (const TCommState& bad : refused) {
    EXPECT_FALSE(device->SetCommState(bad)) << bad.BaudRate << " " << int(bad.ByteSize);
    TCommState state;
    ASSERT_TRUE(device->GetCommState(state));
    EXPECT_EQ(state.BaudRate, 115000u);
    EXPECT_EQ(state.ByteSize, 8);
    EXPECT_EQ(state.Parity, 0);
    EXPECT_EQ(state.StopBits, 0);
  }
}

TEST_F(PosixSerialDeviceTest, TimeoutsAndQueueSizesAreAccepted) {
  TCommTimeouts timeouts;
  ASSERT_TRUE(device->GetCommTimeouts(timeouts));
  EXPECT_EQ(timeouts.ReadIntervalTimeout, 1u);
  EXPECT_TRUE(device->SetupComm(76800, 76800));
}

TEST_F(PosixSerialDeviceTest, EveryByteValuePassesUnchangedBothWays) {
  std::string all;
  for (int value = 0; value < 256; ++value) all.push_back(static_cast<char>(value));

  const TIoResult written = device->Write(reinterpret_cast<const uint8_t*>(all.data()), 256);
  ASSERT_TRUE(written.ok);
  EXPECT_EQ(written.count, 256u);
  EXPECT_EQ(pty.Receive(256), all);

  // Three bytes at a time, as the link reads; nothing is echoed back to the other end.
  pty.Send(all);
  std::string received;
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (received.size() < all.size() && std::chrono::steady_clock::now() < deadline) {
    const TIoResult result = device->Read(buffer.data(), 3);
    ASSERT_TRUE(result.ok);
    received += AsString(buffer.data(), result);
  }
  EXPECT_EQ(received, all);
  EXPECT_EQ(pty.Receive(1, 50ms), "");
}

TEST_F(PosixSerialDeviceTest, AReadWaitsForItsFirstByteWithoutTimeLimit) {
  auto read = ReadAsync(3);
  // With the timeouts counted from the start, this read would have ended after 3 ms.
  EXPECT_EQ(read.wait_for(100ms), std::future_status::timeout);
  pty.Send("abc");
  const TIoResult result = read.get();
  EXPECT_EQ(AsString(buffer.data(), result), "abc");
}

TEST_F(PosixSerialDeviceTest, ABlockEndsShortWhenTheIntervalPasses) {
  pty.Send("a");
  TIoResult result = device->Read(buffer.data(), 3);
  EXPECT_EQ(AsString(buffer.data(), result), "a");

  // The total limit counts from the first byte as well: a long interval does not hold the read.
  ASSERT_TRUE(device->SetCommTimeouts({10000, 0, 20, 0, 0}));
  auto read = ReadAsync(3);
  pty.Send("xy");
  ASSERT_EQ(read.wait_for(5s), std::future_status::ready);
  EXPECT_EQ(AsString(buffer.data(), read.get()), "xy");
}

TEST_F(PosixSerialDeviceTest, TheReadEventEndsThePendingReadAndEveryLaterOne) {
  auto read = ReadAsync(3);
  device->SignalReadEvent();
  TIoResult result = read.get();
  EXPECT_TRUE(result.ok);
  EXPECT_EQ(result.count, 0u);

  // A read that starts after the signal ends at once, even with data waiting.
  pty.Send("abc");
  result = device->Read(buffer.data(), 3);
  EXPECT_TRUE(result.ok);
  EXPECT_EQ(result.count, 0u);
}

TEST_F(PosixSerialDeviceTest, PurgeEndsOnlyThePendingRead) {
  auto read = ReadAsync(3);
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  // The purge counts only once the read waits: repeat it until the read has ended.
  while (read.wait_for(1ms) != std::future_status::ready &&
         std::chrono::steady_clock::now() < deadline) {
    device->Purge();
  }
  ASSERT_EQ(read.wait_for(0s), std::future_status::ready);
  EXPECT_EQ(read.get().count, 0u);

  auto next = ReadAsync(3);
  EXPECT_EQ(next.wait_for(50ms), std::future_status::timeout);
  pty.Send("abc");
  EXPECT_EQ(AsString(buffer.data(), next.get()), "abc");
}

TEST_F(PosixSerialDeviceTest, AReadOfNoBytesWaitsForTheReadEvent) {
  auto read = ReadAsync(0);
  pty.Send("abc");
  EXPECT_EQ(read.wait_for(100ms), std::future_status::timeout);
  device->SignalReadEvent();
  const TIoResult result = read.get();
  EXPECT_TRUE(result.ok);
  EXPECT_EQ(result.count, 0u);
}

TEST_F(PosixSerialDeviceTest, AHangUpIsAReadErrorEveryTime) {
  auto pending = ReadAsync(3);
  EXPECT_EQ(pending.wait_for(20ms), std::future_status::timeout);
  pty.CloseMaster();
  TIoResult result = pending.get();
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.errorCode, EIO);

  for (uint32_t count : {3u, 0u}) {
    result = device->Read(buffer.data(), count);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorCode, EIO);
  }
  const uint8_t bytes[] = {1, 2, 3};
  result = device->Write(bytes, 3);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.errorCode, EIO);
}

TEST_F(PosixSerialDeviceTest, AWriteReturnsOnceTheDriverHasTakenEveryByte) {
  std::string image(76800, '\0');
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>(i * 7);
  auto received = std::async(std::launch::async, [&] { return pty.Receive(image.size()); });
  const TIoResult result =
      device->Write(reinterpret_cast<const uint8_t*>(image.data()), image.size());
  EXPECT_TRUE(result.ok);
  EXPECT_EQ(result.count, image.size());
  EXPECT_TRUE(received.get() == image);
}

}  // namespace
