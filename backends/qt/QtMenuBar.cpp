#include "backends/qt/QtMenuBar.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

#include "platform/Exception.h"

TQtMenuBar::TQtMenuBar(QMenuBar& bar, std::function<void(const std::exception&)> onError)
    : bar_(bar), onError_(std::move(onError)) {}

TQtMenuBar::~TQtMenuBar() {
  Clear();
}

void TQtMenuBar::Build(TMenuItem& root) {
  Clear();
  for (const auto& item : root.Items()) {
    QAction* action = AddItem(bar_, *item);
    topLevel_.push_back(action->menu() != nullptr ? static_cast<QObject*>(action->menu()) : action);
  }
}

void TQtMenuBar::Clear() {
  for (QObject* object : topLevel_) delete object;  // a menu takes its actions and submenus along
  topLevel_.clear();
}

void TQtMenuBar::AddItems(QWidget& menu, TMenuItem& parent) {
  for (const auto& item : parent.Items()) AddItem(menu, *item);
}

QAction* TQtMenuBar::AddItem(QWidget& menu, TMenuItem& item) {
  const QString caption = QString::fromStdString(item.Caption());
  QAction* action;
  if (item.IsSeparator()) {
    action = new QAction(&menu);
    action->setSeparator(true);
    menu.addAction(action);
    return action;
  }
  if (!item.Items().empty()) {
    auto* submenu = new QMenu(caption, &menu);
    AddItems(*submenu, item);
    action = submenu->menuAction();
  } else {
    action = new QAction(caption, &menu);
    QObject::connect(
        action, &QAction::triggered,
        [this, &item, guarded = QPointer<QAction>(action)] { Clicked(item, guarded); });
  }
  menu.addAction(action);
  ShowState(*action, item);
  item.OnChange = [guarded = QPointer<QAction>(action)](const TMenuItem& changed) {
    if (guarded) ShowState(*guarded, changed);
  };
  return action;
}

void TQtMenuBar::Clicked(TMenuItem& item, QAction* action) {
  QPointer<QAction> guarded(action);
  try {
    item.Click();
  } catch (const std::exception& error) {
    if (onError_) onError_(error);
  } catch (...) {
    if (onError_) onError_(Exception("Unknown error."));
  }
  // Qt may have toggled the mark on its own; the model's state is the one to show.
  if (guarded) ShowState(*guarded, item);
}

void TQtMenuBar::ShowState(QAction& action, const TMenuItem& item) {
  action.setEnabled(item.Enabled());
  if (item.Checked()) {
    action.setCheckable(true);
    action.setChecked(true);
  } else {
    action.setChecked(false);
    action.setCheckable(false);
  }
}
