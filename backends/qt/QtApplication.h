#pragma once

#include <chrono>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "platform/Application.h"

class QApplication;
class QEventLoop;
class QMessageBox;
class TQtMainThread;
class TTerminationSignals;

// The application object on Qt 6 Widgets: the event loop, the main thread's hand-over, message
// boxes and the standard display of errors. All geometry is in physical pixels: the constructor
// switches Qt's high-DPI scaling off before the QApplication exists.
//
// Everything here runs on the main thread. SIGINT and SIGTERM end the program as "E&xit" does:
// they call Terminate through the event loop, so the program's shutdown still runs.
class TQtApplication : public IApplication {
 public:
  // Creates the QApplication unless one exists already (a test program may hold one of its own).
  // Raises Exception when there is no display to open.
  TQtApplication(int argc, char** argv);
  ~TQtApplication() override;

  TQtApplication(const TQtApplication&) = delete;
  TQtApplication& operator=(const TQtApplication&) = delete;

  // Sets the environment so that Qt works in physical pixels. Call before a QApplication exists.
  static void ConfigureEnvironment();
  // False when Qt would use X11 and the X display cannot be opened.
  static bool DisplayAvailable();

  void Initialize() override;
  void SetTitle(const std::string& title) override;
  const std::string& Title() const override;
  void Run() override;
  void Terminate() override;
  bool Terminated() const override;
  IMainThread& MainThread() override;
  int MessageBox(const std::string& text, const std::string& caption, uint32_t flags) override;
  void ProcessWindowEvents() override;
  void ShowException(const std::exception& error) override;

 private:
  bool HasDisplay() const;
  void ShowJobError(std::exception_ptr error);

  int argc_;
  std::unique_ptr<QApplication> ownApplication_;  // declared first: it goes last
  std::string title_;
  bool terminated_ = false;
  QEventLoop* runningLoop_ = nullptr;
  std::vector<QMessageBox*> openBoxes_;
  std::unique_ptr<TQtMainThread> mainThread_;
  std::unique_ptr<TTerminationSignals> signals_;
  std::chrono::steady_clock::time_point lastWindowEvents_{};
};
