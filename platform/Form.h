#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Types.h"

// The shape of a frame window: the outer rectangle minus the hole, in window coordinates.
struct TWindowShape {
  TRect outer;
  TRect hole;
  friend bool operator==(const TWindowShape&, const TWindowShape&) = default;
};

// The desktop backend's side of the main window: it shows what the form model tells it.
class IWindowSurface {
 public:
  virtual ~IWindowSurface() = default;
  // Outer rectangle of the window, in desktop pixels.
  virtual void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) = 0;
  virtual void SetShape(const TWindowShape& shape) = 0;
  virtual void SetVisible(bool visible) = 0;
  // Keeps the window above all ordinary windows.
  virtual void MakeTopmost() = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  // A line of text about the link, shown in the window's band.
  virtual void SetStatusText(const std::string& text) = 0;
};

// A surface that shows nothing: for tests and for running without a window.
class TNullWindowSurface : public IWindowSurface {
 public:
  void SetBounds(int32_t, int32_t, int32_t, int32_t) override {}
  void SetShape(const TWindowShape&) override {}
  void SetVisible(bool) override {}
  void MakeTopmost() override {}
  void SetCaption(const std::string&) override {}
  void SetStatusText(const std::string&) override {}
};

// The main window's state: position, client size, visibility and shape. The window draws a frame of
// its own, so the outer size is always the client size plus that frame. Every change of size runs
// OnResize before the setter returns.
class TForm {
 public:
  static constexpr int32_t FrameSide = 4;  // left, right and bottom border
  static constexpr int32_t FrameTop = 43;  // band above the client area: caption strip and menu bar

  explicit TForm(IWindowSurface& surface) : surface_(surface) {}

  int32_t Left() const { return left_; }
  int32_t Top() const { return top_; }
  int32_t Width() const { return clientWidth_ + 2 * FrameSide; }
  int32_t Height() const { return clientHeight_ + FrameTop + FrameSide; }
  int32_t ClientWidth() const { return clientWidth_; }
  int32_t ClientHeight() const { return clientHeight_; }
  bool Visible() const { return visible_; }
  const std::string& Caption() const { return caption_; }
  const TWindowShape& Shape() const { return shape_; }

  void SetLeft(int32_t left);
  void SetTop(int32_t top);
  void SetWidth(int32_t width) { SetClientWidth(width - 2 * FrameSide); }
  void SetHeight(int32_t height) { SetClientHeight(height - FrameTop - FrameSide); }
  void SetClientWidth(int32_t width);
  void SetClientHeight(int32_t height);
  void SetVisible(bool visible);
  void SetCaption(const std::string& caption);
  void SetShape(const TWindowShape& shape);
  void SetStatusText(const std::string& text) { surface_.SetStatusText(text); }
  void MakeTopmost() { surface_.MakeTopmost(); }

  // The backend reports a move or resize made by the user (dragging the caption or the borders).
  void UserMoved(int32_t left, int32_t top);
  void UserResized(int32_t width, int32_t height);

  std::function<void()> OnResize;

 private:
  void PushBounds();
  void Resized();

  IWindowSurface& surface_;
  int32_t left_ = 0;
  int32_t top_ = 0;
  int32_t clientWidth_ = 0;
  int32_t clientHeight_ = 0;
  bool visible_ = false;
  std::string caption_;
  TWindowShape shape_;
};
