#pragma once

#include <gtest/gtest.h>

#include <QRect>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Application.h"
#include "platform/MessageQueue.h"

// Xlib's own header defines macros that break Qt's headers; the tests see X only through here.
struct _XDisplay;
using XWindowId = unsigned long;

// Set by the test program's main when a QApplication on an X display exists.
extern bool gHaveDisplay;

// Base of every test here: skips when there is no display to open.
class TDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!gHaveDisplay) GTEST_SKIP() << "no X display";
  }
};

// Runs Qt's events until condition holds; false when limit passed first.
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds limit = std::chrono::seconds(10));

// A connection of the test's own to the X server: how X sees the windows, and XTest input.
class TXConnection {
 public:
  TXConnection();
  ~TXConnection();
  TXConnection(const TXConnection&) = delete;
  TXConnection& operator=(const TXConnection&) = delete;

  _XDisplay* display() const { return display_; }

  // Position on the root window and size, as the X server has them.
  QRect Geometry(XWindowId window);
  bool Viewable(XWindowId window);
  // True when upper lies above lower in the stacking order of the root's children.
  bool StackedAbove(XWindowId upper, XWindowId lower);
  // The rectangles of the window's bounding shape, in window coordinates.
  std::vector<QRect> Shape(XWindowId window);
  // Moves and resizes a window as a window manager would.
  void MoveResize(XWindowId window, const QRect& geometry);

  void MovePointer(int x, int y);
  void Button(bool down);
  void Click(int x, int y);

 private:
  _XDisplay* display_;
};

// True when point lies in one of the rectangles.
bool InShape(const std::vector<QRect>& shape, QPoint point);

// A plain X window that records where it was pressed, in root coordinates.
class TPlainWindow {
 public:
  TPlainWindow(TXConnection& x, const QRect& area);
  ~TPlainWindow();
  XWindowId id() const { return window_; }
  // The next button press on the window, waiting for it while Qt runs; nullopt past the limit.
  std::optional<QPoint> NextPress(std::chrono::milliseconds limit = std::chrono::seconds(5));
  // A press that has arrived already, without waiting or running Qt.
  std::optional<QPoint> PollPress();

 private:
  TXConnection& x_;
  XWindowId window_;
};

// An application object that records instead of showing: for the window's tests.
class TRecordingApplication : public IApplication {
 public:
  void Initialize() override {}
  void SetTitle(const std::string& title) override { title_ = title; }
  const std::string& Title() const override { return title_; }
  void Run() override {}
  void Terminate() override { terminated_ = true; }
  bool Terminated() const override { return terminated_; }
  IMainThread& MainThread() override { return queue_; }
  int MessageBox(const std::string& text, const std::string&, uint32_t) override {
    boxes.push_back(text);
    return 1;
  }
  void ProcessWindowEvents() override {}
  void ShowException(const std::exception& error) override { errors.push_back(error.what()); }

  std::vector<std::string> boxes;
  std::vector<std::string> errors;

 private:
  std::string title_;
  bool terminated_ = false;
  TMessageQueue queue_;
};
