#include <gmock/gmock.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "backends/qt/QtWindowSurface.h"
#include "backends/qt/tests/QtTestSupport.h"
#include "platform/Exception.h"

namespace {

using testing::ElementsAre;

// A menu shaped like the program's: top items with submenus, a separator, nested submenus, a
// disabled item, and handlers that decide the check marks.
class QtMenuBarTest : public TDisplayTest {
 protected:
  void SetUp() override {
    TDisplayTest::SetUp();
    if (IsSkipped()) return;
    auto& file = menuRoot.Add(std::make_unique<TMenuItem>("File1", "&File"));
    file.Add(std::make_unique<TMenuItem>("Exit1", "E&xit", [this] { ++exits; }));
    auto& settings = menuRoot.Add(std::make_unique<TMenuItem>("View1", "&Settings"));
    mouseDown = &settings.Add(std::make_unique<TMenuItem>("mnuMDown", "&Always Mouse Down", [this] {
      mouseDown->SetChecked(!mouseDown->Checked());
    }));
    settings.Add(std::make_unique<TMenuItem>("N1", "-"));
    auto& orientation = settings.Add(std::make_unique<TMenuItem>("SwitchXY1", "Orientation"));
    landscape = &orientation.Add(
        std::make_unique<TMenuItem>("mnuLandscape", "&Landscape", [] { /* already landscape */ }));
    orientation.Add(std::make_unique<TMenuItem>("mnuPortrait", "&Portrait"));
    auto& remote = menuRoot.Add(std::make_unique<TMenuItem>("Remote1", "&Remote"));
    remote.Add(std::make_unique<TMenuItem>("GetfromPsion1", "Get from Psion",
                                           [] { throw Exception("Send Error: 31"); }));
    mapFn = &remote.Add(std::make_unique<TMenuItem>("mnuMapFn", "Map Fn to Alt"));
    landscape->SetChecked(true);
    mapFn->SetEnabled(false);

    surface = std::make_unique<TQtWindowSurface>(app);
    surface->Attach(form, menuRoot);
  }

  // The action shown for a path of captions from the bar down.
  QAction* Action(std::initializer_list<const char*> path) {
    QList<QAction*> actions = surface->MenuBar().actions();
    QAction* found = nullptr;
    for (const char* caption : path) {
      found = nullptr;
      for (QAction* action : actions) {
        if (action->text() == caption) found = action;
      }
      if (found == nullptr) return nullptr;
      if (found->menu() != nullptr) actions = found->menu()->actions();
    }
    return found;
  }

  static std::vector<std::string> Texts(const QList<QAction*>& actions) {
    std::vector<std::string> texts;
    for (QAction* a : actions) texts.push_back(a->isSeparator() ? "-" : a->text().toStdString());
    return texts;
  }

  TRecordingApplication app;
  TNullWindowSurface nullSurface;
  TForm form{nullSurface};
  TMenuItem menuRoot{"MainMenu1", ""};
  TMenuItem* mouseDown = nullptr;
  TMenuItem* landscape = nullptr;
  TMenuItem* mapFn = nullptr;
  int exits = 0;
  std::unique_ptr<TQtWindowSurface> surface;
};

TEST_F(QtMenuBarTest, TheBarShowsTheTreeWithItsMarksAndStates) {
  EXPECT_THAT(Texts(surface->MenuBar().actions()), ElementsAre("&File", "&Settings", "&Remote"));
  EXPECT_THAT(Texts(Action({"&Settings"})->menu()->actions()),
              ElementsAre("&Always Mouse Down", "-", "Orientation"));
  EXPECT_THAT(Texts(Action({"&Settings", "Orientation"})->menu()->actions()),
              ElementsAre("&Landscape", "&Portrait"));

  QAction* landscapeAction = Action({"&Settings", "Orientation", "&Landscape"});
  EXPECT_TRUE(landscapeAction->isChecked());
  EXPECT_FALSE(Action({"&Settings", "Orientation", "&Portrait"})->isChecked());
  EXPECT_FALSE(Action({"&Remote", "Map Fn to Alt"})->isEnabled());
  EXPECT_TRUE(Action({"&Remote", "Get from Psion"})->isEnabled());
}

TEST_F(QtMenuBarTest, ChangesOfTheModelReachTheActions) {
  QAction* mapFnAction = Action({"&Remote", "Map Fn to Alt"});
  mapFn->SetEnabled(true);
  mapFn->SetChecked(true);
  EXPECT_TRUE(mapFnAction->isEnabled());
  EXPECT_TRUE(mapFnAction->isChecked());

  mapFn->SetEnabled(false);  // the mark stays while the item is disabled
  EXPECT_FALSE(mapFnAction->isEnabled());
  EXPECT_TRUE(mapFnAction->isChecked());

  mapFn->SetChecked(false);
  EXPECT_FALSE(mapFnAction->isChecked());
  EXPECT_FALSE(mapFnAction->isCheckable()) << "an unchecked item shows no check box";
}

TEST_F(QtMenuBarTest, TriggeringAnActionRunsTheHandlerAndShowsTheModelsMark) {
  Action({"&File", "E&xit"})->trigger();
  EXPECT_EQ(exits, 1);

  QAction* mouseDownAction = Action({"&Settings", "&Always Mouse Down"});
  mouseDownAction->trigger();
  EXPECT_TRUE(mouseDown->Checked());
  EXPECT_TRUE(mouseDownAction->isChecked());
  mouseDownAction->trigger();
  EXPECT_FALSE(mouseDown->Checked());
  EXPECT_FALSE(mouseDownAction->isChecked());

  // The handler leaves landscape checked; Qt's own toggling must not clear the mark.
  QAction* landscapeAction = Action({"&Settings", "Orientation", "&Landscape"});
  landscapeAction->trigger();
  EXPECT_TRUE(landscape->Checked());
  EXPECT_TRUE(landscapeAction->isChecked());
}

TEST_F(QtMenuBarTest, AnErrorLeavingAHandlerGoesToTheStandardDisplay) {
  Action({"&Remote", "Get from Psion"})->trigger();
  EXPECT_THAT(app.errors, ElementsAre("Send Error: 31"));
}

}  // namespace
