#include "backends/qt/QtWindowSurface.h"

#include <QMenuBar>
#include <QRegion>
#include <QWindow>
#include <algorithm>

#include "backends/qt/FrameWindow.h"
#include "backends/qt/QtMenuBar.h"

namespace {

// X11 keeps window positions in 16 bits; sizes are kept to the same range and to at least one
// pixel, so that any bounds the model holds give a window the server accepts.
constexpr int64_t kCoordinateLimit = 32000;

int ClampPosition(int64_t value) {
  return static_cast<int>(std::clamp(value, -kCoordinateLimit, kCoordinateLimit));
}

int ClampSize(int64_t value) {
  return static_cast<int>(std::clamp<int64_t>(value, 1, kCoordinateLimit));
}

// A rectangle of the model as a Qt rectangle; an inverted or empty one gives an empty rectangle.
QRect ToQRect(const TRect& r) {
  const int64_t width = int64_t{r.right} - r.left;
  const int64_t height = int64_t{r.bottom} - r.top;
  if (width <= 0 || height <= 0) return {};
  return QRect(ClampPosition(r.left), ClampPosition(r.top), ClampSize(width), ClampSize(height));
}

// How long after our own geometry request the window system's confirmations count as echoes.
constexpr std::chrono::milliseconds kSettleTime{400};

}  // namespace

TQtWindowSurface::TQtWindowSurface(IApplication& application)
    : application_(application), window_(std::make_unique<TFrameWindow>()) {
  menu_ = std::make_unique<TQtMenuBar>(window_->MenuBar(), [this](const std::exception& error) {
    application_.ShowException(error);
  });

  window_->OnClose = [this] {
    if (OnClose) OnClose();
  };
  window_->OnDragGeometry = [this](const QRect& geometry) {
    ApplyGeometry(geometry);
    ReportGeometry(geometry);
  };

  // The native window exists from now on, so that geometry and shape apply before it is shown and
  // its geometry changes can be followed.
  window_->winId();
  QWindow* handle = window_->windowHandle();
  for (auto signal :
       {&QWindow::xChanged, &QWindow::yChanged, &QWindow::widthChanged, &QWindow::heightChanged}) {
    QObject::connect(handle, signal, [this] { WindowGeometryChanged(); });
  }

  settleTimer_.setSingleShot(true);
  settleTimer_.setInterval(kSettleTime);
  QObject::connect(&settleTimer_, &QTimer::timeout, [this] { Settled(); });
}

TQtWindowSurface::~TQtWindowSurface() = default;

void TQtWindowSurface::Attach(TForm& form, TMenuItem& menuRoot) {
  form_ = &form;
  menu_->Build(menuRoot);
}

void TQtWindowSurface::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  ApplyGeometry(
      QRect(ClampPosition(left), ClampPosition(top), ClampSize(width), ClampSize(height)));
}

void TQtWindowSurface::SetShape(const TWindowShape& shape) {
  const QRegion outer(ToQRect(shape.outer));
  window_->setMask(outer.subtracted(QRegion(ToQRect(shape.hole))));
}

void TQtWindowSurface::SetVisible(bool visible) {
  window_->setVisible(visible);
}

void TQtWindowSurface::MakeTopmost() {
  window_->raise();
}

void TQtWindowSurface::SetCaption(const std::string& caption) {
  const QString text = QString::fromStdString(caption);
  window_->CaptionStrip().SetCaption(text);
  window_->setWindowTitle(text);
}

void TQtWindowSurface::SetStatusText(const std::string& text) {
  window_->CaptionStrip().SetStatusText(QString::fromStdString(text));
}

QWidget& TQtWindowSurface::Widget() {
  return *window_;
}

QMenuBar& TQtWindowSurface::MenuBar() {
  return window_->MenuBar();
}

const QString& TQtWindowSurface::StatusText() const {
  return window_->CaptionStrip().StatusText();
}

void TQtWindowSurface::ApplyGeometry(const QRect& geometry) {
  // A request that changes nothing is never confirmed, unless an earlier one is still awaited.
  if (echo_.Awaiting() || geometry != window_->windowHandle()->geometry()) echo_.Expect(geometry);
  settleTimer_.start();
  window_->setGeometry(geometry);
}

// The native window's geometry changed: an echo of our own request, or the user's or the window
// manager's doing (a move or resize through the window manager).
void TQtWindowSurface::WindowGeometryChanged() {
  const QRect geometry = window_->windowHandle()->geometry();
  if (echo_.IsEcho(geometry)) return;
  ReportGeometry(geometry);
}

// Our last request has had time to be confirmed. If the window is not where we asked (the window
// manager placed it otherwise, or the user moved it meanwhile), the model learns where it is.
void TQtWindowSurface::Settled() {
  const QRect requested = echo_.Expected();
  echo_.Settle();
  const QRect geometry = window_->windowHandle()->geometry();
  if (window_->isVisible() && geometry != requested) ReportGeometry(geometry);
}

void TQtWindowSurface::ReportGeometry(const QRect& geometry) {
  if (form_ == nullptr) return;
  if (geometry.x() != form_->Left() || geometry.y() != form_->Top()) {
    form_->UserMoved(geometry.x(), geometry.y());
  }
  if (geometry.width() != form_->Width() || geometry.height() != form_->Height()) {
    form_->UserResized(geometry.width(), geometry.height());
  }
}
