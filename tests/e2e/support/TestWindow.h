#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/e2e/support/XSession.h"

namespace e2e {

// A plain X window of the test's own, placed exactly (override-redirect) and kept at the bottom of
// the stack, so that it lies under ZEM's frame and shows through its hole. It records the button
// presses and the typed characters that reach it, and can show a picture as its background, which
// the server repaints by itself.
class TTestWindow {
 public:
  struct TPress {
    unsigned int button = 0;
    TXPoint at;  // window coordinates
    friend bool operator==(const TPress&, const TPress&) = default;
  };

  TTestWindow(TXSession& x, const TXRect& bounds);
  ~TTestWindow();

  TTestWindow(const TTestWindow&) = delete;
  TTestWindow& operator=(const TTestWindow&) = delete;

  // The picture, 0xRRGGBB pixels row by row, exactly width × height of the window.
  void SetPicture(const std::vector<uint32_t>& pixels);

  // Maps the window below all others and waits until it is on screen.
  void Show();
  // Gives it the keyboard focus.
  void Focus();

  // Takes the events that have arrived.
  void Pump();
  const std::vector<TPress>& Presses() const { return presses_; }
  const std::string& Text() const { return text_; }

 private:
  TXSession& x_;
  TXRect bounds_;
  TWindowId window_ = 0;
  unsigned long pixmap_ = 0;
  std::vector<TPress> presses_;
  std::string text_;
};

}  // namespace e2e
