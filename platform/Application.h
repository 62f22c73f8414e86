#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "platform/MainThread.h"

constexpr uint32_t MB_OK = 0;

// The application object: the message loop and the services the window needs from it.
class IApplication {
 public:
  virtual ~IApplication() = default;

  virtual void Initialize() = 0;
  virtual void SetTitle(const std::string& title) = 0;
  virtual const std::string& Title() const = 0;
  // Runs the message loop until Terminate.
  virtual void Run() = 0;
  // Ends the message loop; Run returns once the current message has been handled.
  virtual void Terminate() = 0;
  virtual bool Terminated() const = 0;

  // The main thread's hand-over, on which Synchronize and ProcessMessages run.
  virtual IMainThread& MainThread() = 0;

  // A modal message box: text, caption and flags (MB_OK). Returns the button chosen.
  virtual int MessageBox(const std::string& text, const std::string& caption, uint32_t flags) = 0;
  // Main thread, during a long operation: repaint and answer the window system, without running
  // user commands or posted jobs.
  virtual void ProcessWindowEvents() = 0;

  // The standard display of an error that left a handler: its text in a box captioned with the
  // title.
  virtual void ShowException(const std::exception& error) = 0;
};
