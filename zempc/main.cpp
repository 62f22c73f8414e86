// zempc: the PC side of the handheld remote. One topmost frame window whose hole is the capture
// area; the handheld's pen and keys drive this desktop over the serial link, and the capture area
// is sent to the handheld on request.

#include <exception>
#include <iostream>
#include <memory>

#include "backends/qt/QtApplication.h"
#include "backends/qt/QtWindowSurface.h"
#include "backends/serial_posix/PosixSerialPortFactory.h"
#include "backends/settings_toml/SettingsPath.h"
#include "backends/settings_toml/TomlSettingsStore.h"
#include "backends/x11/X11Display.h"
#include "backends/x11/X11InputSynth.h"
#include "backends/x11/X11ScreenReader.h"
#include "platform/PressTracker.h"
#include "zem/PortMap.h"
#include "zem/ZemForm.h"

namespace {

// Creates the window, runs the message loop until the program is ended, and destroys the window
// again, which saves the settings and closes the link.
void RunZem(TQtApplication& application) {
  application.Initialize();
  application.SetTitle("ZEM");

  TX11Display display;
  TX11InputSynth x11Input(display);
  // Keys and buttons the handheld pressed and never released are released when ZEM ends.
  TPressTracker input(x11Input);
  TX11ScreenReader screen(display);
  TTomlSettingsStore settings(DefaultSettingsPath());
  TPosixSerialPortFactory ports;
  ports.SetDeviceMapping([&settings](uint32_t port) { return PortDevicePath(settings, port); });

  TQtWindowSurface surface(application);
  surface.OnClose = [&application] { application.Terminate(); };
  {
    TZemForm form(TZemPlatform{application, surface, input, screen, settings, ports});
    surface.Attach(form.Form, form.MainMenu1);
    form.Show();
    application.Run();
  }
  input.ReleaseAll();
}

}  // namespace

int main(int argc, char** argv) {
  std::unique_ptr<TQtApplication> application;
  try {
    application = std::make_unique<TQtApplication>(argc, argv);
  } catch (const std::exception& error) {
    std::cerr << "ZEM: " << error.what() << '\n';
    return 1;
  }
  try {
    RunZem(*application);
  } catch (const std::exception& error) {
    application->ShowException(error);
    return 1;
  }
  return 0;
}
