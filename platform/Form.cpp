#include "platform/Form.h"

void TForm::SetLeft(int32_t left) {
  left_ = left;
  PushBounds();
}

void TForm::SetTop(int32_t top) {
  top_ = top;
  PushBounds();
}

void TForm::SetClientWidth(int32_t width) {
  if (width == clientWidth_) return;
  clientWidth_ = width;
  PushBounds();
  Resized();
}

void TForm::SetClientHeight(int32_t height) {
  if (height == clientHeight_) return;
  clientHeight_ = height;
  PushBounds();
  Resized();
}

void TForm::SetVisible(bool visible) {
  visible_ = visible;
  surface_.SetVisible(visible);
}

void TForm::SetCaption(const std::string& caption) {
  caption_ = caption;
  surface_.SetCaption(caption);
}

void TForm::SetShape(const TWindowShape& shape) {
  shape_ = shape;
  surface_.SetShape(shape);
}

void TForm::UserMoved(int32_t left, int32_t top) {
  left_ = left;
  top_ = top;
}

void TForm::UserResized(int32_t width, int32_t height) {
  const int32_t clientWidth = width - 2 * FrameSide;
  const int32_t clientHeight = height - FrameTop - FrameSide;
  if (clientWidth == clientWidth_ && clientHeight == clientHeight_) return;
  clientWidth_ = clientWidth;
  clientHeight_ = clientHeight;
  Resized();
}

void TForm::PushBounds() {
  surface_.SetBounds(left_, top_, Width(), Height());
}

void TForm::Resized() {
  if (OnResize) OnResize();
}
