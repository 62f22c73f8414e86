// Measures the serial link over a pseudo-terminal pair: the latency from the write of a 3-byte
// packet at the far end to the handler call on the main thread, whether packets arrive split across
// blocks, and how often an idle open link wakes its reader.
//
// Last line: link_latency p50_us=<n> p99_us=<n> split_packets=<n> idle_wakeups_per_s=<n>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "backends/serial_posix/PosixSerialPortFactory.h"
#include "comthread/ComThread.h"
#include "platform/MessageQueue.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int PacketCount = 10000;
constexpr auto MaxGap = std::chrono::microseconds(5000);
constexpr auto IdlePeriod = std::chrono::seconds(5);

int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
      .count();
}

// The far end of the cable: the master side of a pseudo-terminal.
struct TFarEnd {
  int master = -1;
  std::string slavePath;

  bool Open() {
    master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return false;
    char name[128];
    if (ptsname_r(master, name, sizeof name) != 0) return false;
    slavePath = name;
    return true;
  }

  void Send(const uint8_t* bytes, size_t count) {
    size_t done = 0;
    while (done < count) {
      const ssize_t n = write(master, bytes + done, count - done);
      if (n > 0) done += static_cast<size_t>(n);
    }
  }
};

// Voluntary context switches of every thread of this process but the main one: how often the
// reader went to sleep and was woken again.
long long BackgroundWakeups() {
  long long total = 0;
  const std::string mainTid = std::to_string(getpid());
  std::error_code error;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
    if (task.path().filename() == mainTid) continue;
    std::ifstream status(task.path() / "status");
    std::string key;
    while (status >> key) {
      if (key == "voluntary_ctxt_switches:") {
        long long value = 0;
        status >> value;
        total += value;
      }
    }
  }
  return total;
}

int64_t Percentile(std::vector<int64_t> values, double fraction) {
  if (values.empty()) return -1;
  std::sort(values.begin(), values.end());
  const auto index = static_cast<size_t>(fraction * static_cast<double>(values.size() - 1));
  return values[index];
}

}  // namespace

int main() {
  TFarEnd farEnd;
  if (!farEnd.Open()) {
    std::fprintf(stderr, "no pseudo-terminal\n");
    return 1;
  }

  TMessageQueue mainThread;
  TPosixSerialPortFactory ports;
  ports.SetDeviceMapping([&](uint32_t port) { return port == 1 ? farEnd.slavePath : ""; });
  TComThread comm(nullptr, mainThread, ports);
  comm.SetBaud(115000);
  comm.SetPacketSize(3);
  comm.SetTimeout(0);
  comm.SetPort(1);

  std::vector<std::atomic<int64_t>> sentAt(PacketCount);
  std::vector<int64_t> latenciesNs;
  latenciesNs.reserve(PacketCount);
  int intact = 0;
  int blocks = 0;
  comm.OnPacketReceived = [&](TComport*, AnsiString& buffer) {
    const int64_t now = NowNs();
    ++blocks;
    if (buffer.size() != 3) return;
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(buffer[i]); };
    const int index = byte(0) << 16 | byte(1) << 8 | byte(2);
    if (index >= PacketCount) return;
    ++intact;
    latenciesNs.push_back(now - sentAt[index].load(std::memory_order_acquire));
  };
  comm.ComInit();
  if (!comm.PortOpen()) {
    std::fprintf(stderr, "link not open: %s\n", comm.ErrorText().c_str());
    return 1;
  }

  std::atomic<bool> allSent{false};
  std::thread writer([&] {
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> gapUs(0, static_cast<int>(MaxGap.count()));
    for (int i = 0; i < PacketCount; ++i) {
      std::this_thread::sleep_for(std::chrono::microseconds(gapUs(random)));
      const uint8_t packet[3] = {static_cast<uint8_t>(i >> 16), static_cast<uint8_t>(i >> 8),
                                 static_cast<uint8_t>(i)};
      sentAt[i].store(NowNs(), std::memory_order_release);
      farEnd.Send(packet, 3);
    }
    allSent = true;
  });

  // The main thread runs the deliveries until every packet is in, or the line has stayed quiet for
  // a while after the last write.
  auto lastProgress = Clock::now();
  int seenBlocks = 0;
  while (intact < PacketCount && Clock::now() - lastProgress < std::chrono::seconds(2)) {
    mainThread.WaitForMessages(std::chrono::milliseconds(100));
    mainThread.ProcessMessages();
    if (blocks != seenBlocks || !allSent) {
      seenBlocks = blocks;
      lastProgress = Clock::now();
    }
  }
  writer.join();

  // Idle: the link stays open with nothing on the line.
  const long long wakeupsBefore = BackgroundWakeups();
  std::this_thread::sleep_for(IdlePeriod);
  const long long wakeupsAfter = BackgroundWakeups();
  const double idleWakeupsPerS = static_cast<double>(wakeupsAfter - wakeupsBefore) /
                                 std::chrono::duration<double>(IdlePeriod).count();

  comm.ComClose();
  close(farEnd.master);

  const int64_t p50Us = Percentile(latenciesNs, 0.50) / 1000;
  const int64_t p99Us = Percentile(latenciesNs, 0.99) / 1000;
  const int64_t maxUs =
      latenciesNs.empty() ? -1 : *std::max_element(latenciesNs.begin(), latenciesNs.end()) / 1000;
  const int split = PacketCount - intact;
  std::printf("packets sent %d, blocks delivered %d, intact %d\n", PacketCount, blocks, intact);
  std::printf("latency write -> handler: p50 %lld us, p99 %lld us, max %lld us\n",
              static_cast<long long>(p50Us), static_cast<long long>(p99Us),
              static_cast<long long>(maxUs));
  std::printf("idle reader: %lld wake-ups in %lld s\n", wakeupsAfter - wakeupsBefore,
              static_cast<long long>(IdlePeriod.count()));
  std::printf("link_latency p50_us=%lld p99_us=%lld split_packets=%d idle_wakeups_per_s=%.2f\n",
              static_cast<long long>(p50Us), static_cast<long long>(p99Us), split, idleWakeupsPerS);
  return 0;
}
