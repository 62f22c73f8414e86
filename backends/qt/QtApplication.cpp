#include "backends/qt/QtApplication.h"

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <algorithm>
#include <iostream>

#include "backends/qt/QtMainThread.h"
#include "backends/qt/TerminationSignals.h"
#include "backends/qt/XDisplayProbe.h"
#include "platform/Exception.h"

namespace {

constexpr int IDOK = 1;

// ProcessWindowEvents is called after every few bytes of a long transfer; it does real work at
// most this often, which is plenty for repainting and for answering the window manager's ping.
constexpr std::chrono::milliseconds kWindowEventsInterval{15};

// Restores the hold of the job queue when a scope ends, however it ends.
class TQueueHold {
 public:
  explicit TQueueHold(TMessageQueue& queue) : queue_(queue), wasHeld_(queue.Held()) {
    queue_.SetHeld(true);
  }
  ~TQueueHold() { queue_.SetHeld(wasHeld_); }
  TQueueHold(const TQueueHold&) = delete;
  TQueueHold& operator=(const TQueueHold&) = delete;

 private:
  TMessageQueue& queue_;
  bool wasHeld_;
};

}  // namespace

TQtApplication::TQtApplication(int argc, char** argv) : argc_(argc) {
  if (QCoreApplication::instance() == nullptr) {
    ConfigureEnvironment();
    // Qt ends the process when it cannot connect; report it as an error instead.
    if (!DisplayAvailable()) throw Exception("Cannot open the display.");
    ownApplication_ = std::make_unique<QApplication>(argc_, argv);
  }
  // The program ends through Terminate only, never because its last window closed.
  QApplication::setQuitOnLastWindowClosed(false);
  mainThread_ =
      std::make_unique<TQtMainThread>([this](std::exception_ptr error) { ShowJobError(error); });
  signals_ = std::make_unique<TTerminationSignals>([this] { Terminate(); });
}

TQtApplication::~TQtApplication() = default;

void TQtApplication::ConfigureEnvironment() {
  // Measured: with a scale factor Qt places the window at a multiple of its coordinates and the
  // window's hole a pixel off; the capture area must be in the desktop's own pixels.
  qunsetenv("QT_SCALE_FACTOR");
  qunsetenv("QT_SCREEN_SCALE_FACTORS");
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  // The window, its shape and the synthesised input all live on the X server: in a Wayland
  // session the window must be an X window too (through XWayland), or it could neither place
  // itself nor line up with the pointer. An explicit choice of the user stands.
  if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "xcb");
}

bool TQtApplication::DisplayAvailable() {
  const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  if (!platform.isEmpty() && !platform.startsWith("xcb")) return true;
  return XDisplayOpens();
}

void TQtApplication::Initialize() {}

void TQtApplication::SetTitle(const std::string& title) {
  title_ = title;
}

const std::string& TQtApplication::Title() const {
  return title_;
}

void TQtApplication::Run() {
  if (terminated_) return;
  QEventLoop loop;
  runningLoop_ = &loop;
  loop.exec();
  runningLoop_ = nullptr;
}

void TQtApplication::Terminate() {
  terminated_ = true;
  mainThread_->SetUserInputEnabled(false);
  // A modal box would keep its own loop running: close it so that the program ends now.
  for (QMessageBox* box : openBoxes_) box->reject();
  if (runningLoop_ != nullptr) runningLoop_->quit();
}

bool TQtApplication::Terminated() const {
  return terminated_;
}

IMainThread& TQtApplication::MainThread() {
  return *mainThread_;
}

int TQtApplication::MessageBox(const std::string& text, const std::string& caption,
                               uint32_t /*flags: MB_OK, the only style in use*/) {
  if (!HasDisplay()) {
    std::cerr << caption << ": " << text << std::endl;
    return IDOK;
  }
  QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption),
                  QString::fromStdString(text), QMessageBox::Ok);
  // The main window stays on top of everything; the box must not open underneath it.
  box.setWindowFlag(Qt::WindowStaysOnTopHint);
  openBoxes_.push_back(&box);
  box.exec();
  openBoxes_.erase(std::find(openBoxes_.begin(), openBoxes_.end(), &box));
  return IDOK;
}

void TQtApplication::ProcessWindowEvents() {
  const auto now = std::chrono::steady_clock::now();
  if (now - lastWindowEvents_ < kWindowEventsInterval) return;
  {
    // Held jobs: no delivery from the serial reader runs in the middle of the long operation.
    // Excluded input: no menu command starts either. Painting and the window manager are served.
    TQueueHold hold(mainThread_->Queue());
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
  lastWindowEvents_ = std::chrono::steady_clock::now();
}

void TQtApplication::ShowException(const std::exception& error) {
  const std::string text = error.what();
  std::cerr << text << std::endl;
  if (HasDisplay()) MessageBox(text, title_, MB_OK);
}

bool TQtApplication::HasDisplay() const {
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return false;
  const QString platform = QGuiApplication::platformName();
  if (platform == "offscreen" || platform == "minimal") return false;
  return QGuiApplication::primaryScreen() != nullptr;
}

void TQtApplication::ShowJobError(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    ShowException(e);
  } catch (...) {
    ShowException(Exception("Unknown error."));
  }
}
