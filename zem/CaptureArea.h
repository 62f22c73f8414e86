#pragma once

#include <cstdint>

#include "platform/Form.h"
#include "platform/Types.h"

// Insets of the window's hole from its outer edges: the frame at the left, right and bottom, and
// the band (caption strip and menu bar) at the top. The capture area in window form starts at the
// same offsets from the window's outer top-left corner.
constexpr int32_t InsetSide = 4;
constexpr int32_t InsetTop = 43;

// Everything the mapping from handheld to desktop coordinates depends on, read from the window and
// the settings at the moment of use.
struct TMappingInputs {
  int32_t Left = 0;  // outer top-left corner of the window
  int32_t Top = 0;
  int32_t ClientWidth = 0;
  int32_t ClientHeight = 0;
  bool Landscape = true;    // check mark of mnuLandscape
  bool FullScreen = false;  // check mark of mnuFull
  TRect Screen;             // the primary screen, in desktop coordinates (read in full screen)
};

// The desktop point that stands for the handheld point (x, y), given in the handheld's own
// landscape frame. Portrait turns the point a quarter turn clockwise; the point is then spread over
// the capture area (the client area, or the whole primary screen in full-screen form) and truncated
// toward zero. No range is enforced: points beyond the handheld's screen map beyond the capture
// area.
TPoint MapToDesktop(const TMappingInputs& inputs, int32_t x, int32_t y);

// The window's shape for an outer size: the whole window minus the hole over the capture area.
TWindowShape FormShape(int32_t width, int32_t height);
