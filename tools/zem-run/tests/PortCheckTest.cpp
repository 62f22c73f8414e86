#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "testsupport/MemorySettingsStore.h"
#include "tools/zem-run/PortCheck.h"

namespace {

const TKeyPath ZemKey{"Software", "ZEM"};
const TKeyPath PortsKey{"Software", "ZEM", "Ports"};

// A pseudo-terminal: the slave stands for a serial device someone set up on purpose.
class TPty {
 public:
  TPty() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0) slave_ = ptsname(master_);
  }
  ~TPty() {
    if (master_ >= 0) close(master_);
  }
  const std::string& SlavePath() const { return slave_; }

 private:
  int master_ = -1;
  std::string slave_;
};

TEST(PortCheckTest, TheSavedPortIsJudgedByItsDevice) {
  const auto file = std::filesystem::temp_directory_path() / "zem-port-check-test-file";
  std::ofstream(file) << "not a device";
  TPty pty;
  ASSERT_FALSE(pty.SlavePath().empty());

  const struct {
    const char* what;
    std::optional<TSettingsValue> com;
    std::string device;  // the port map's entry for the saved port; empty: none
    TPortVerdict expected;
  } cases[] = {
      {"no port saved", std::nullopt, "", TPortVerdict::NoPortSaved},
      {"port out of range", int64_t{5}, "", TPortVerdict::NoPortSaved},
      {"port saved as a string", std::string("1"), "", TPortVerdict::NoPortSaved},
      {"missing device", int64_t{2}, "/dev/zem-no-such-port", TPortVerdict::Missing},
      {"plain file", int64_t{3}, file.string(), TPortVerdict::NotSerial},
      {"character device that is no terminal", int64_t{4}, "/dev/null", TPortVerdict::NotSerial},
      {"pseudo-terminal", int64_t{1}, pty.SlavePath(), TPortVerdict::Usable},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TMemorySettingsStore settings;
    if (c.com) settings.WriteValue(ZemKey, "COM", *c.com);
    if (c.com && std::holds_alternative<int64_t>(*c.com) && !c.device.empty()) {
      const auto port = std::get<int64_t>(*c.com);
      settings.WriteValue(PortsKey, "COM" + std::to_string(port), c.device);
    }
    const TPortCheck check = CheckSavedPort(settings);
    EXPECT_EQ(check.verdict, c.expected) << check.Describe();
    EXPECT_EQ(check.device, c.device);
  }
  std::filesystem::remove(file);
}

TEST(PortCheckTest, APortWithoutAnEntryInThePortMapIsTheSerialPortOfItsNumber) {
  TMemorySettingsStore settings;
  settings.WriteValue(ZemKey, "COM", int64_t{3});
  EXPECT_EQ(CheckSavedPort(settings).device, "/dev/ttyS2");
}

}  // namespace
