#include "tests/e2e/support/ZemUnderTest.h"

#include <sys/stat.h>

#include <stdexcept>

#include "backends/settings_toml/TomlSettingsStore.h"
#include "tests/e2e/support/Wait.h"

namespace e2e {

const TKeyPath ZemKey{"Software", "ZEM"};
const TKeyPath PortsKey{"Software", "ZEM", "Ports"};

namespace {

constexpr size_t SettingsReportSize = 21;
constexpr auto StartLimit = std::chrono::seconds(30);

}  // namespace

TBytes Packet(uint8_t b0, uint8_t b1, uint8_t b2) {
  return {b0, b1, b2};
}

TBytes PenPacket(int x, int y) {
  return {static_cast<uint8_t>(x >> 8), static_cast<uint8_t>(x & 0xFF),
          static_cast<uint8_t>(y & 0xFF)};
}

TZemUnderTest::TZemUnderTest(TXSession& x, const TZemValues& values)
    : x_(x), port_(std::make_unique<TPtyPort>()) {
  Launch(port_->SlavePath(), values);
  WaitForWindow();
  WaitForLink();
}

TZemUnderTest::TZemUnderTest(TXSession& x, const std::string& device) : x_(x) {
  Launch(device, {});
  WaitForWindow();
}

void TZemUnderTest::Launch(const std::string& device, const TZemValues& values) {
  const auto config = folder_.Path() / "config";
  const auto runtime = folder_.Path() / "runtime";
  std::filesystem::create_directories(runtime);
  chmod(runtime.c_str(), 0700);
  settingsFile_ = config / "zem" / "settings.toml";
  std::filesystem::create_directories(settingsFile_.parent_path());

  TTomlSettingsStore store(settingsFile_);
  store.WriteValue(ZemKey, "COM", int64_t{1});
  store.WriteValue(PortsKey, "COM1", device);
  for (const auto& [name, value] : values) store.WriteValue(ZemKey, name, value);

  TChildOptions options;
  options.program = ZEMPC_PROGRAM;
  options.environment = {{"XDG_CONFIG_HOME", config.string()},
                         {"XDG_RUNTIME_DIR", runtime.string()}};
  options.logFile = folder_.Path() / "zempc.log";
  process_ = std::make_unique<TChildProcess>(options);
}

TZemUnderTest::~TZemUnderTest() {
  // SIGTERM rather than SIGKILL: zempc then releases any key or button it still holds down.
  if (process_ && process_->Running()) process_->Stop(std::chrono::seconds(10));
}

void TZemUnderTest::WaitForWindow() {
  const bool shown = WaitUntil(
      [this] {
        if (!process_->Running()) return false;
        if (auto window = x_.FindWindowOf(process_->Pid(), "zempc")) window_ = *window;
        return window_ != 0 && x_.Viewable(window_);
      },
      StartLimit);
  if (!shown) throw std::runtime_error("zempc's window did not appear. Log:\n" + Log());
}

void TZemUnderTest::WaitForLink() {
  // Bytes wait in the pseudo-terminal until zempc reads them, so one request is enough.
  firstReport_ = RequestSettings(StartLimit);
  if (firstReport_.size() != SettingsReportSize) {
    throw std::runtime_error("zempc's link did not answer a settings request. Log:\n" + Log());
  }
}

TBytes TZemUnderTest::RequestSettings(std::chrono::milliseconds limit) {
  port_->Write(Packet(0xFF, 0xA0, 0x00));
  return port_->Read(SettingsReportSize, limit);
}

int TZemUnderTest::Terminate(std::chrono::milliseconds limit) {
  return process_->Stop(limit);
}

std::optional<TSettingsValue> TZemUnderTest::SavedValue(const std::string& name) {
  TTomlSettingsStore store(settingsFile_);
  return store.ReadValue(ZemKey, name);
}

std::string TZemUnderTest::Log() const {
  return process_ ? process_->Log() : std::string();
}

}  // namespace e2e
