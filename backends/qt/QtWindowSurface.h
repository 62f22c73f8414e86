#pragma once

#include <QMetaObject>
#include <QRect>
#include <functional>
#include <memory>
#include <vector>

#include "platform/Application.h"
#include "platform/Form.h"
#include "platform/Menu.h"

class QMenuBar;
class QWidget;
class TFrameWindow;
class TQtMenuBar;

// The main window on Qt 6: a frameless, always-on-top frame window whose middle is cut away by the
// shape the form model sets. It shows what the model tells it (bounds, shape, caption, status text,
// menu) and reports what the user does to it: moves and resizes go back to the model as
// TForm::UserMoved and TForm::UserResized, menu clicks run the items' handlers.
//
// Lifetime: create it after the application object and let it go before that; the form and the
// menu tree given to Attach must stay alive while the window can still handle events.
class TQtWindowSurface : public IWindowSurface {
 public:
  // Errors that leave a menu handler are shown with application's standard exception display.
  explicit TQtWindowSurface(IApplication& application);
  ~TQtWindowSurface() override;

  TQtWindowSurface(const TQtWindowSurface&) = delete;
  TQtWindowSurface& operator=(const TQtWindowSurface&) = delete;

  // Binds the window to the program's form and builds the menu bar from menuRoot's children.
  void Attach(TForm& form, TMenuItem& menuRoot);

  void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;
  void SetShape(const TWindowShape& shape) override;
  void SetVisible(bool visible) override;
  void MakeTopmost() override;
  void SetCaption(const std::string& caption) override;
  void SetStatusText(const std::string& text) override;

  // Called when the user closes the window (its close button or the window manager); the program
  // binds it to the application's Terminate.
  std::function<void()> OnClose;

  QWidget& Widget();
  QMenuBar& MenuBar();
  const QString& StatusText() const;

 private:
  void ReportGeometry(const QRect& geometry);
  // Runs a call into the program's code from a Qt event; an error goes to the standard display
  // instead of through Qt.
  void Guarded(const std::function<void()>& call);

  IApplication& application_;
  std::unique_ptr<TFrameWindow> window_;
  std::unique_ptr<TQtMenuBar> menu_;  // after window_: it goes first
  TForm* form_ = nullptr;
  std::vector<QMetaObject::Connection> geometryConnections_;
};
