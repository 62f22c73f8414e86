#include "backends/qt/FrameWindow.h"

#include <QCloseEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QWindow>

#include "platform/Form.h"

namespace {

// The band: a 2-pixel edge, the caption strip, the menu bar and a 1-pixel line above the hole.
constexpr int kCaptionTop = 2;
constexpr int kCaptionHeight = 18;
constexpr int kMenuBarTop = kCaptionTop + kCaptionHeight;
constexpr int kMenuBarHeight = 22;
static_assert(kMenuBarTop + kMenuBarHeight < TForm::FrameTop, "the band must hold its rows");

constexpr int kCloseButtonWidth = 18;
constexpr int kTextPixelSize = 12;

// Smallest outer size a user drag may give: the frame plus a small hole.
constexpr QSize kMinimumDragSize{2 * TForm::FrameSide + 48,
                                 TForm::FrameTop + TForm::FrameSide + 16};

const QColor kFrameColour{0x2b, 0x5b, 0x84};
const QColor kCaptionTextColour{Qt::white};
const QColor kStatusTextColour{0xdd, 0xe6, 0xee};

QFont BandFont(bool bold) {
  QFont font;
  font.setPixelSize(kTextPixelSize);
  font.setBold(bold);
  return font;
}

}  // namespace

TCaptionStrip::TCaptionStrip(QWidget* parent) : QWidget(parent) {
  closeButton_ = new QToolButton(this);
  closeButton_->setObjectName("closeButton");
  closeButton_->setText(QString(QChar(0x00D7)));  // multiplication sign, drawn as a cross
  closeButton_->setToolTip("Close");
  closeButton_->setAutoRaise(true);
  closeButton_->setFocusPolicy(Qt::NoFocus);
  closeButton_->setFont(BandFont(true));
  QPalette palette = closeButton_->palette();
  palette.setColor(QPalette::ButtonText, kCaptionTextColour);
  closeButton_->setPalette(palette);
}

void TCaptionStrip::SetCaption(const QString& caption) {
  caption_ = caption;
  update();
}

void TCaptionStrip::SetStatusText(const QString& text) {
  status_ = text;
  update();
}

void TCaptionStrip::resizeEvent(QResizeEvent*) {
  closeButton_->setGeometry(width() - kCloseButtonWidth, 0, kCloseButtonWidth, height());
}

void TCaptionStrip::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const int textRight = width() - kCloseButtonWidth - 4;

  const QFont captionFont = BandFont(true);
  painter.setFont(captionFont);
  painter.setPen(kCaptionTextColour);
  const QRect captionRect(2, 0, std::max(0, textRight - 2), height());
  QRect used;
  painter.drawText(captionRect, Qt::AlignLeft | Qt::AlignVCenter, caption_, &used);

  const int statusLeft = caption_.isEmpty() ? 2 : used.right() + 12;
  if (status_.isEmpty() || statusLeft >= textRight) return;
  const QFont statusFont = BandFont(false);
  painter.setFont(statusFont);
  painter.setPen(kStatusTextColour);
  const QRect statusRect(statusLeft, 0, textRight - statusLeft, height());
  const QString shown =
      QFontMetrics(statusFont).elidedText(status_, Qt::ElideRight, statusRect.width());
  painter.drawText(statusRect, Qt::AlignLeft | Qt::AlignVCenter, shown);
}

TFrameWindow::TFrameWindow() {
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  setMouseTracking(true);

  captionStrip_ = new TCaptionStrip(this);
  QObject::connect(&captionStrip_->CloseButton(), &QToolButton::clicked, [this] {
    if (OnClose) OnClose();
  });

  menuBar_ = new QMenuBar(this);
  // A global menu service would take the bar out of the window; it belongs in the band.
  menuBar_->setNativeMenuBar(false);
  menuBar_->setFont(BandFont(false));
}

QRect TFrameWindow::ResizedGeometry(const QRect& start, Qt::Edges edges, QPoint delta,
                                    QSize minimum) {
  QRect r = start;
  if (edges & Qt::LeftEdge) {
    r.setLeft(std::min(start.left() + delta.x(), start.right() + 1 - minimum.width()));
  }
  if (edges & Qt::RightEdge) {
    r.setRight(std::max(start.right() + delta.x(), start.left() - 1 + minimum.width()));
  }
  if (edges & Qt::TopEdge) {
    r.setTop(std::min(start.top() + delta.y(), start.bottom() + 1 - minimum.height()));
  }
  if (edges & Qt::BottomEdge) {
    r.setBottom(std::max(start.bottom() + delta.y(), start.top() - 1 + minimum.height()));
  }
  return r;
}

void TFrameWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), kFrameColour);
}

void TFrameWindow::resizeEvent(QResizeEvent*) {
  const int bandWidth = std::max(0, width() - 2 * TForm::FrameSide);
  captionStrip_->setGeometry(TForm::FrameSide, kCaptionTop, bandWidth, kCaptionHeight);
  menuBar_->setGeometry(TForm::FrameSide, kMenuBarTop, bandWidth, kMenuBarHeight);
}

Qt::Edges TFrameWindow::EdgesAt(QPoint pos) const {
  Qt::Edges edges;
  if (pos.x() < TForm::FrameSide) edges |= Qt::LeftEdge;
  if (pos.x() >= width() - TForm::FrameSide) edges |= Qt::RightEdge;
  if (pos.y() < kCaptionTop) edges |= Qt::TopEdge;
  if (pos.y() >= height() - TForm::FrameSide) edges |= Qt::BottomEdge;
  return edges;
}

void TFrameWindow::UpdateCursor(Qt::Edges edges) {
  const bool horizontal = edges & (Qt::LeftEdge | Qt::RightEdge);
  const bool vertical = edges & (Qt::TopEdge | Qt::BottomEdge);
  if (horizontal && vertical) {
    const bool falling = ((edges & Qt::LeftEdge) && (edges & Qt::TopEdge)) ||
                         ((edges & Qt::RightEdge) && (edges & Qt::BottomEdge));
    setCursor(falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor);
  } else if (horizontal) {
    setCursor(Qt::SizeHorCursor);
  } else if (vertical) {
    setCursor(Qt::SizeVerCursor);
  } else {
    unsetCursor();
  }
}

void TFrameWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint pos = event->position().toPoint();
  const Qt::Edges edges = EdgesAt(pos);
  QWindow* window = windowHandle();
  if (edges) {
    if (window != nullptr && window->startSystemResize(edges)) return;
    drag_ = TDrag::Resize;
    dragEdges_ = edges;
  } else if (captionStrip_->geometry().contains(pos)) {
    if (window != nullptr && window->startSystemMove()) return;
    drag_ = TDrag::Move;
  } else {
    return;
  }
  // No window manager: the window follows the pointer by hand.
  dragStartGlobal_ = event->globalPosition().toPoint();
  dragStartGeometry_ = geometry();
}

void TFrameWindow::mouseMoveEvent(QMouseEvent* event) {
  if (drag_ == TDrag::None) {
    UpdateCursor(EdgesAt(event->position().toPoint()));
    return;
  }
  const QPoint delta = event->globalPosition().toPoint() - dragStartGlobal_;
  const QRect target = drag_ == TDrag::Move ? dragStartGeometry_.translated(delta)
                                            : ResizedGeometry(dragStartGeometry_, dragEdges_, delta,
                                                              kMinimumDragSize);
  if (target != geometry() && OnDragGeometry) OnDragGeometry(target);
}

void TFrameWindow::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) drag_ = TDrag::None;
}

void TFrameWindow::closeEvent(QCloseEvent* event) {
  // Closing the window ends the program the program's way; the window itself stays until then.
  event->ignore();
  if (OnClose) OnClose();
}
