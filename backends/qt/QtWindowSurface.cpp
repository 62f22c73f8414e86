#include "backends/qt/QtWindowSurface.h"

#include <QMenuBar>
#include <QRegion>
#include <QWindow>
#include <algorithm>

#include "backends/qt/FrameWindow.h"
#include "backends/qt/QtMenuBar.h"
#include "platform/Exception.h"

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

}  // namespace

TQtWindowSurface::TQtWindowSurface(IApplication& application)
    : application_(application), window_(std::make_unique<TFrameWindow>()) {
  menu_ = std::make_unique<TQtMenuBar>(window_->MenuBar(), [this](const std::exception& error) {
    application_.ShowException(error);
  });

  window_->OnClose = [this] {
    if (OnClose) Guarded(OnClose);
  };
  // A move or resize by hand, without a window manager: the window follows and the model learns.
  window_->OnDragGeometry = [this](const QRect& geometry) {
    window_->setGeometry(geometry);
    Guarded([&] { ReportGeometry(geometry); });
  };

  // The native window exists from now on, so that geometry and shape apply before it is shown and
  // its geometry can be followed. Qt changes the native window's geometry when the window system
  // reports a change that it did not request itself: a move or resize through the window manager.
  window_->winId();
  QWindow* handle = window_->windowHandle();
  for (auto signal :
       {&QWindow::xChanged, &QWindow::yChanged, &QWindow::widthChanged, &QWindow::heightChanged}) {
    geometryConnections_.push_back(QObject::connect(handle, signal, [this, handle] {
      Guarded([this, handle] { ReportGeometry(handle->geometry()); });
    }));
  }
}

TQtWindowSurface::~TQtWindowSurface() {
  // The window may still report changes while it is taken down; nobody listens any more.
  for (const auto& connection : geometryConnections_) QObject::disconnect(connection);
}

void TQtWindowSurface::Attach(TForm& form, TMenuItem& menuRoot) {
  form_ = &form;
  menu_->Build(menuRoot);
}

void TQtWindowSurface::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  window_->setGeometry(
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

void TQtWindowSurface::Guarded(const std::function<void()>& call) {
  try {
    call();
  } catch (const std::exception& error) {
    application_.ShowException(error);
  } catch (...) {
    application_.ShowException(Exception("Unknown error."));
  }
}

// Tells the model where the window is, if that is news to it. TForm takes a report that changes
// nothing as no change, so the model's own requests coming back do no harm.
void TQtWindowSurface::ReportGeometry(const QRect& geometry) {
  if (form_ == nullptr) return;
  if (geometry.x() != form_->Left() || geometry.y() != form_->Top()) {
    form_->UserMoved(geometry.x(), geometry.y());
  }
  if (geometry.width() != form_->Width() || geometry.height() != form_->Height()) {
    form_->UserResized(geometry.width(), geometry.height());
  }
}
