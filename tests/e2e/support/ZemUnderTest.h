#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "platform/SettingsStore.h"
#include "tests/e2e/support/ChildProcess.h"
#include "tests/e2e/support/PtyPort.h"
#include "tests/e2e/support/TempFolder.h"
#include "tests/e2e/support/XSession.h"

namespace e2e {

// Values of the key Software\ZEM, by name.
using TZemValues = std::map<std::string, TSettingsValue>;

// The settings key and the port table that zempc reads.
extern const TKeyPath ZemKey;
extern const TKeyPath PortsKey;

// The bytes of a 3-byte packet.
TBytes Packet(uint8_t b0, uint8_t b1, uint8_t b2);
// An absolute pen packet: x big-endian in bytes 0 and 1, y in byte 2.
TBytes PenPacket(int x, int y);

// zempc running on the current X display with a settings file of its own, in a temporary folder,
// whose COM1 is a pseudo-terminal played by the test. The start-up waits until zempc's window is
// on screen and its link answers; each step raises std::runtime_error with zempc's log when it
// does not happen in time.
class TZemUnderTest {
 public:
  // Starts zempc with COM = 1, COM1 = the pseudo-terminal, and the given further values.
  explicit TZemUnderTest(TXSession& x, const TZemValues& values = {});
  // Starts zempc with COM1 = device, a line played by someone else (zem-handheld); waits only
  // for the window. Port() and the settings requests are not available then.
  TZemUnderTest(TXSession& x, const std::string& device);
  ~TZemUnderTest();

  TZemUnderTest(const TZemUnderTest&) = delete;
  TZemUnderTest& operator=(const TZemUnderTest&) = delete;

  TPtyPort& Port() { return *port_; }
  TChildProcess& Process() { return *process_; }
  TWindowId Window() const { return window_; }
  const std::filesystem::path& SettingsFile() const { return settingsFile_; }

  // The settings report that the link answered at start-up: 21 bytes.
  const TBytes& FirstReport() const { return firstReport_; }

  // Asks for the settings report (FF A0 00) and returns what came back within the time.
  TBytes RequestSettings(std::chrono::milliseconds limit = std::chrono::seconds(10));

  // Ends zempc with SIGTERM; returns its wait status.
  int Terminate(std::chrono::milliseconds limit = std::chrono::seconds(15));

  // What the settings file holds under Software\ZEM.
  std::optional<TSettingsValue> SavedValue(const std::string& name);

  // zempc's standard output and error so far.
  std::string Log() const;

 private:
  void Launch(const std::string& device, const TZemValues& values);
  void WaitForWindow();
  void WaitForLink();

  TXSession& x_;
  TTempFolder folder_;
  std::unique_ptr<TPtyPort> port_;  // none when the line is played by someone else
  std::filesystem::path settingsFile_;
  std::unique_ptr<TChildProcess> process_;
  TWindowId window_ = 0;
  TBytes firstReport_;
};

}  // namespace e2e
