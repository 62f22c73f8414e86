#include <gmock/gmock.h>

#include <QToolButton>
#include <QWidget>
#include <QWindow>

#include "backends/qt/QtWindowSurface.h"
#include "backends/qt/tests/QtTestSupport.h"

namespace {

using testing::ElementsAre;
using testing::Pair;

// The frame window as the program builds it: a form model at the design geometry whose resize
// handler cuts the hole, shown on the display.
class QtWindowSurfaceTest : public TDisplayTest {
 protected:
  void SetUp() override {
    TDisplayTest::SetUp();
    if (IsSkipped()) return;
    surface = std::make_unique<TQtWindowSurface>(app);
    form = std::make_unique<TForm>(*surface);
    form->OnResize = [this] {
      const int w = form->Width(), h = form->Height();
      form->SetShape({{0, 0, w, h}, {4, 43, w - 4, h - 4}});
      clientSizes.emplace_back(form->ClientWidth(), form->ClientHeight());
    };
    form->SetLeft(202);
    form->SetTop(177);
    form->SetClientWidth(640);
    form->SetClientHeight(240);
    form->SetCaption("Zem");
    surface->Attach(*form, menuRoot);
    form->SetVisible(true);
    window = surface->Widget().winId();
    ASSERT_TRUE(WaitUntil([&] { return x.Viewable(window); }));
    ASSERT_TRUE(WaitForXGeometry(QRect(202, 177, 648, 287)));
    clientSizes.clear();
  }

  bool WaitForXGeometry(const QRect& expected) {
    return WaitUntil([&] { return x.Geometry(window) == expected; });
  }

  // The frame's shape as X has it: the hole from (4, 43) to (w - 4, h - 4) is out, its
  // surroundings are in.
  void ExpectFrameShape(int w, int h) {
    const struct {
      QPoint point;
      bool inFrame;
    } cases[] = {
        {{0, 0}, true},         {{3, 43}, true},         {{4, 42}, true},
        {{4, 43}, false},       {{w - 5, 43}, false},    {{w - 4, 43}, true},
        {{4, h - 5}, false},    {{4, h - 4}, true},      {{w - 5, h - 5}, false},
        {{w - 1, h - 1}, true}, {{w / 2, h / 2}, false},
    };
    // Qt sends the new shape a moment after the new geometry.
    std::vector<QRect> shape;
    WaitUntil([&] {
      shape = x.Shape(window);
      for (const auto& c : cases) {
        if (InShape(shape, c.point) != c.inFrame) return false;
      }
      return true;
    });
    for (const auto& c : cases) {
      EXPECT_EQ(InShape(shape, c.point), c.inFrame) << c.point.x() << "," << c.point.y();
    }
  }

  TRecordingApplication app;
  TMenuItem menuRoot{"MainMenu1", ""};
  std::unique_ptr<TQtWindowSurface> surface;
  std::unique_ptr<TForm> form;
  std::vector<std::pair<int, int>> clientSizes;
  TXConnection x;
  XWindowId window = 0;
};

TEST_F(QtWindowSurfaceTest, XWindowAndShapeFollowTheModel) {
  EXPECT_EQ(x.Geometry(window), QRect(202, 177, 648, 287));
  ExpectFrameShape(648, 287);

  form->SetClientWidth(320);
  form->SetClientHeight(120);
  ASSERT_TRUE(WaitForXGeometry(QRect(202, 177, 328, 167)));
  ExpectFrameShape(328, 167);

  form->SetLeft(10);
  form->SetTop(-20);
  ASSERT_TRUE(WaitForXGeometry(QRect(10, -20, 328, 167)));
}

TEST_F(QtWindowSurfaceTest, ClicksInTheHoleReachTheWindowBelowAndClicksOnTheFrameDoNot) {
  TPlainWindow below(x, QRect(0, 0, 1280, 1024));
  form->MakeTopmost();
  ASSERT_TRUE(WaitUntil([&] { return x.StackedAbove(window, below.id()); }));

  // Hole edge pixels, in desktop coordinates: window (202, 177), hole (206, 220)-(845, 459).
  for (QPoint point : {QPoint(206, 220), QPoint(845, 220), QPoint(206, 459), QPoint(845, 459)}) {
    x.Click(point.x(), point.y());
    EXPECT_EQ(below.NextPress(), point);
  }
  // One pixel further out is the frame. A click there reaches nothing below: the next press
  // that arrives below is the one in the middle of the hole that follows it.
  const QPoint middle(526, 340);
  for (QPoint point : {QPoint(205, 220), QPoint(206, 219), QPoint(846, 459), QPoint(845, 460)}) {
    x.Click(point.x(), point.y());
    x.Click(middle.x(), middle.y());
    EXPECT_EQ(below.NextPress(), middle) << point.x() << "," << point.y();
  }
}

TEST_F(QtWindowSurfaceTest, DraggingTheCaptionOrABorderMovesOrResizesAndTellsTheModel) {
  const struct {
    const char* name;
    QPoint press;  // in window coordinates
    QPoint delta;
    QRect expected;  // outer rectangle afterwards
  } cases[] = {
      {"caption strip", {100, 10}, {30, 20}, {232, 197, 648, 287}},
      {"right border", {646, 100}, {40, 0}, {202, 177, 688, 287}},
      {"bottom border", {300, 285}, {0, -50}, {202, 177, 648, 237}},
      {"bottom-left corner", {1, 285}, {-20, 30}, {182, 177, 668, 317}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    form->SetLeft(202);
    form->SetTop(177);
    form->SetClientWidth(640);
    form->SetClientHeight(240);
    ASSERT_TRUE(WaitForXGeometry(QRect(202, 177, 648, 287)));
    ExpectFrameShape(648, 287);  // the press must land on the frame

    const QPoint start = QPoint(202, 177) + c.press;
    x.MovePointer(start.x(), start.y());
    x.Button(true);
    for (int step = 1; step <= 4; ++step) {
      const QPoint p = start + c.delta * step / 4;
      x.MovePointer(p.x(), p.y());
      WaitUntil([] { return false; }, std::chrono::milliseconds(10));
    }
    x.Button(false);

    EXPECT_TRUE(WaitForXGeometry(c.expected))
        << "X has the window at " << x.Geometry(window).x() << "," << x.Geometry(window).y();
    EXPECT_TRUE(WaitUntil([&] {
      return QRect(form->Left(), form->Top(), form->Width(), form->Height()) == c.expected;
    }));
    ExpectFrameShape(c.expected.width(), c.expected.height());
  }
}

TEST_F(QtWindowSurfaceTest, QuickProgrammaticResizesAreNotReportedBackAsUserResizes) {
  // An orientation switch: the client width, then the height, one right after the other.
  form->SetClientWidth(240);
  form->SetClientHeight(640);
  ASSERT_TRUE(WaitForXGeometry(QRect(202, 177, 248, 687)));
  // Once Qt has taken in the final geometry, every earlier confirmation has been handled.
  ASSERT_TRUE(WaitUntil(
      [&] { return surface->Widget().windowHandle()->geometry() == QRect(202, 177, 248, 687); }));

  EXPECT_THAT(clientSizes, ElementsAre(Pair(240, 240), Pair(240, 640)));
  EXPECT_EQ(form->ClientWidth(), 240);
  EXPECT_EQ(form->ClientHeight(), 640);
}

TEST_F(QtWindowSurfaceTest, AMoveOrResizeByAnotherClientReachesTheModel) {
  // What a window manager does when the user drags the window through it.
  x.MoveResize(window, QRect(300, 250, 500, 300));

  EXPECT_TRUE(WaitUntil([&] {
    return form->Left() == 300 && form->Top() == 250 && form->Width() == 500 &&
           form->Height() == 300;
  }));
  EXPECT_THAT(clientSizes, ElementsAre(Pair(492, 253)));
  ExpectFrameShape(500, 300);
}

TEST_F(QtWindowSurfaceTest, BoundsAndShapesOutsideAnyUsefulRangeAreTakenSafely) {
  surface->SetBounds(-100000, 5, 0, -3);
  const QRect geometry = surface->Widget().geometry();
  EXPECT_GE(geometry.width(), 1);
  EXPECT_GE(geometry.height(), 1);
  EXPECT_EQ(geometry.x(), -32000);

  // A hole turned inside out leaves the whole outer rectangle.
  surface->SetBounds(202, 177, 648, 287);
  surface->SetShape({{0, 0, 648, 287}, {644, 283, 4, 43}});
  ASSERT_TRUE(WaitForXGeometry(QRect(202, 177, 648, 287)));
  ASSERT_TRUE(WaitUntil([&] { return InShape(x.Shape(window), QPoint(324, 143)); }));
  surface->SetShape({{0, 0, 648, 287}, {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}});
  surface->SetShape({{INT32_MIN, 0, INT32_MAX, 1}, {0, 0, 0, 0}});
}

TEST_F(QtWindowSurfaceTest, ClosingTheWindowCallsOnCloseAndLeavesTheWindowToTheProgram) {
  int closes = 0;
  surface->OnClose = [&] { ++closes; };
  surface->Widget().findChild<QToolButton*>("closeButton")->click();
  surface->Widget().close();  // as the window manager's close does
  EXPECT_EQ(closes, 2);
  EXPECT_TRUE(surface->Widget().isVisible());
}

}  // namespace
