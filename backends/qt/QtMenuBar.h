#pragma once

#include <exception>
#include <functional>
#include <vector>

#include "platform/Menu.h"

class QAction;
class QMenuBar;
class QObject;
class QWidget;

// Shows a TMenuItem tree in a QMenuBar: the root's children are the bar's items. Captions keep
// their "&" accelerator marks (Qt reads them the same way), "-" becomes a separator, items with
// children become submenus. Check marks and enabled states follow the model through each item's
// OnChange; a click runs TMenuItem::Click and then shows the model's state, so the handler, not
// Qt's own toggling, decides the check mark.
class TQtMenuBar {
 public:
  // onError receives an error that left a click handler.
  TQtMenuBar(QMenuBar& bar, std::function<void(const std::exception&)> onError);
  ~TQtMenuBar();

  TQtMenuBar(const TQtMenuBar&) = delete;
  TQtMenuBar& operator=(const TQtMenuBar&) = delete;

  // Replaces whatever the bar showed with the tree under root.
  void Build(TMenuItem& root);

  // Shows an item's check mark and enabled state on its action. An unchecked item has no check
  // indicator at all, as in a classic menu.
  static void ShowState(QAction& action, const TMenuItem& item);

 private:
  void AddItems(QWidget& menu, TMenuItem& parent);
  QAction* AddItem(QWidget& menu, TMenuItem& item);
  void Clicked(TMenuItem& item, QAction* action);
  void Clear();

  QMenuBar& bar_;
  std::function<void(const std::exception&)> onError_;
  std::vector<QObject*> topLevel_;  // what Build created directly on the bar
};
