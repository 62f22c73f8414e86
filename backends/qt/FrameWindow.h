#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>

class QMenuBar;
class QToolButton;

// The strip at the top of the band: the caption, the status text and a close button. It takes no
// mouse input of its own, so a press on it reaches the frame window, which starts a move.
class TCaptionStrip : public QWidget {
 public:
  explicit TCaptionStrip(QWidget* parent);

  void SetCaption(const QString& caption);
  void SetStatusText(const QString& text);
  const QString& StatusText() const { return status_; }
  QToolButton& CloseButton() { return *closeButton_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QString caption_;
  QString status_;
  QToolButton* closeButton_;
};

// The frame window: a frameless, always-on-top top-level widget that draws its own frame. A band of
// TForm::FrameTop pixels at the top holds the caption strip and the menu bar; borders of
// TForm::FrameSide pixels run along the left, right and bottom. The middle is cut away by the mask
// that the owner sets.
//
// Dragging the caption strip moves the window and dragging a border resizes it: through the window
// manager when there is one, otherwise by hand. A move or resize made by hand is handed to
// OnDragGeometry as the outer rectangle the window should take; the owner applies it.
class TFrameWindow : public QWidget {
 public:
  TFrameWindow();

  TCaptionStrip& CaptionStrip() { return *captionStrip_; }
  QMenuBar& MenuBar() { return *menuBar_; }

  // The outer rectangle after dragging the given edges of start by delta, no smaller than minimum.
  static QRect ResizedGeometry(const QRect& start, Qt::Edges edges, QPoint delta, QSize minimum);

  std::function<void()> OnClose;
  std::function<void(const QRect&)> OnDragGeometry;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  enum class TDrag { None, Move, Resize };

  Qt::Edges EdgesAt(QPoint pos) const;
  void UpdateCursor(Qt::Edges edges);

  TCaptionStrip* captionStrip_;
  QMenuBar* menuBar_;
  TDrag drag_ = TDrag::None;
  Qt::Edges dragEdges_;
  QPoint dragStartGlobal_;
  QRect dragStartGeometry_;
};
