#include <gmock/gmock.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <csignal>
#include <thread>

#include "backends/qt/QtApplication.h"
#include "backends/qt/tests/QtTestSupport.h"
#include "platform/Exception.h"
#include "platform/Thread.h"

namespace {

using testing::ElementsAre;
using testing::HasSubstr;

// A thread whose body is a function, run with the thread's own Synchronize at hand.
class TBodyThread : public TThread {
 public:
  using TBody = std::function<void(TBodyThread&)>;
  TBodyThread(IMainThread& mainThread, TBody body)
      : TThread(mainThread, true), body_(std::move(body)) {}
  ~TBodyThread() override {
    Terminate();
    WaitFor();
  }
  void Sync(const std::function<void()>& method) { Synchronize(method); }

 protected:
  void Execute() override { body_(*this); }

 private:
  TBody body_;
};

// What a message box showed before it was answered.
struct TShownBox {
  QString title;
  QString text;
  QMessageBox::Icon icon;
  QList<QAbstractButton*> buttons;
};

// Answers every message box that opens with OK, recording what it showed.
class TBoxAnswerer {
 public:
  TBoxAnswerer() {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr || !box->isVisible()) return;
      shown.push_back({box->windowTitle(), box->text(), box->icon(), box->buttons()});
      box->button(QMessageBox::Ok)->click();
    });
    timer_.start();
  }
  std::vector<TShownBox> shown;

 private:
  QTimer timer_;
};

class QtApplicationTest : public TDisplayTest {
 protected:
  // Ends Run after a long time, so that a fault shows as a failure rather than a hang.
  void RunWithSafetyLimit(TQtApplication& app) {
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, [&] {
      ranIntoLimit = true;
      app.Terminate();
    });
    safety.start(20000);
    app.Run();
  }
  bool ranIntoLimit = false;
};

TEST_F(QtApplicationTest, SynchronizedCallsRunOnTheMainThreadInTheEventLoop) {
  TQtApplication app(0, nullptr);
  const auto mainId = std::this_thread::get_id();
  std::thread::id ranOn;
  std::string errorSeenByThread;
  TBodyThread thread(app.MainThread(), [&](TBodyThread& self) {
    self.Sync([&] { ranOn = std::this_thread::get_id(); });
    try {
      self.Sync([] { throw Exception("Send Error: 5"); });
    } catch (const Exception& error) {
      errorSeenByThread = error.Message();
    }
    self.Sync([&] { app.Terminate(); });
  });
  thread.Resume();
  RunWithSafetyLimit(app);

  EXPECT_FALSE(ranIntoLimit);
  EXPECT_EQ(ranOn, mainId);
  EXPECT_EQ(errorSeenByThread, "Send Error: 5");
  EXPECT_TRUE(app.Terminated());
}

TEST_F(QtApplicationTest, WaitForRunsSynchronizedCallsThroughProcessMessages) {
  TQtApplication app(0, nullptr);
  int calls = 0;
  TBodyThread thread(app.MainThread(), [&](TBodyThread& self) {
    for (int i = 0; i < 20; ++i) self.Sync([&] { ++calls; });
  });
  thread.Resume();
  thread.WaitFor();  // no event loop: only ProcessMessages and WaitForMessages
  EXPECT_EQ(calls, 20);
}

TEST_F(QtApplicationTest, ProcessWindowEventsHoldsPostedJobsUntilMessagesAreProcessed) {
  TQtApplication app(0, nullptr);
  bool ran = false;
  std::thread poster([&] { app.MainThread().Post([&] { ran = true; }); });
  poster.join();

  app.ProcessWindowEvents();
  EXPECT_FALSE(ran) << "a delivery ran in the middle of a long operation";

  app.MainThread().ProcessMessages();
  EXPECT_TRUE(ran);
}

TEST_F(QtApplicationTest, JobsHeldDuringALongOperationRunInTheLoopAfterwards) {
  TQtApplication app(0, nullptr);
  std::vector<int> order;
  app.MainThread().Post([&] { order.push_back(1); });
  app.ProcessWindowEvents();
  app.MainThread().Post([&] {
    order.push_back(2);
    app.Terminate();
  });
  RunWithSafetyLimit(app);
  EXPECT_FALSE(ranIntoLimit);
  EXPECT_THAT(order, ElementsAre(1, 2));
}

TEST_F(QtApplicationTest, AnErrorLeavingAJobIsShownAndLaterJobsStillRun) {
  TQtApplication app(0, nullptr);
  app.SetTitle("ZEM");
  TBoxAnswerer answerer;
  bool laterRan = false;
  app.MainThread().Post([] { throw Exception("Read Error: 6"); });
  app.MainThread().Post([&] { laterRan = true; });
  testing::internal::CaptureStderr();
  EXPECT_TRUE(WaitUntil([&] { return laterRan && !answerer.shown.empty(); }));
  const std::string err = testing::internal::GetCapturedStderr();

  ASSERT_EQ(answerer.shown.size(), 1u);
  EXPECT_EQ(answerer.shown[0].title, "ZEM");
  EXPECT_EQ(answerer.shown[0].text, "Read Error: 6");
  EXPECT_THAT(err, HasSubstr("Read Error: 6"));
}

TEST_F(QtApplicationTest, ShowExceptionShowsTheTextCaptionedWithTheTitle) {
  TQtApplication app(0, nullptr);
  app.SetTitle("ZEM");
  TBoxAnswerer answerer;
  testing::internal::CaptureStderr();
  app.ShowException(Exception("Send Error: 31"));
  const std::string err = testing::internal::GetCapturedStderr();

  ASSERT_EQ(answerer.shown.size(), 1u);
  const TShownBox& box = answerer.shown[0];
  EXPECT_EQ(box.title, "ZEM");
  EXPECT_EQ(box.text, "Send Error: 31");
  EXPECT_EQ(box.icon, QMessageBox::NoIcon);
  EXPECT_EQ(box.buttons.size(), 1);
  EXPECT_EQ(err, "Send Error: 31\n");
}

TEST_F(QtApplicationTest, MessageBoxHasOneOkButtonAndNoIcon) {
  TQtApplication app(0, nullptr);
  TBoxAnswerer answerer;
  const int chosen = app.MessageBox("See the help file on the Psion for futher information.",
                                    "Help on ZEM", MB_OK);

  EXPECT_EQ(chosen, 1);  // IDOK
  ASSERT_EQ(answerer.shown.size(), 1u);
  EXPECT_EQ(answerer.shown[0].title, "Help on ZEM");
  EXPECT_EQ(answerer.shown[0].text, "See the help file on the Psion for futher information.");
  EXPECT_EQ(answerer.shown[0].icon, QMessageBox::NoIcon);
  EXPECT_EQ(answerer.shown[0].buttons.size(), 1);
}

TEST_F(QtApplicationTest, TerminateClosesAnOpenMessageBox) {
  TQtApplication app(0, nullptr);
  QTimer::singleShot(50, [&] { app.Terminate(); });
  app.MessageBox("text", "caption", MB_OK);  // returns instead of waiting for the user
  EXPECT_TRUE(app.Terminated());
}

TEST_F(QtApplicationTest, TerminateBeforeRunMakesRunReturnAtOnce) {
  TQtApplication app(0, nullptr);
  app.Terminate();
  RunWithSafetyLimit(app);
  EXPECT_FALSE(ranIntoLimit);
}

TEST_F(QtApplicationTest, TerminationSignalsEndRun) {
  for (int signal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(signal);
    TQtApplication app(0, nullptr);
    QTimer::singleShot(0, [signal] { raise(signal); });
    RunWithSafetyLimit(app);
    EXPECT_FALSE(ranIntoLimit);
    EXPECT_TRUE(app.Terminated());
  }
}

TEST_F(QtApplicationTest, NoClickRunsDuringALongOperationOrOnceTheProgramIsEnding) {
  const struct {
    const char* name;
    bool terminated;  // processed after Terminate
    void (*process)(TQtApplication&);
  } cases[] = {
      {"ProcessWindowEvents", false, [](TQtApplication& app) { app.ProcessWindowEvents(); }},
      {"ProcessMessages after Terminate", true,
       [](TQtApplication& app) { app.MainThread().ProcessMessages(); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TQtApplication app(0, nullptr);
    if (c.terminated) app.Terminate();
    QPushButton button("Send Screen");
    button.setWindowFlags(Qt::FramelessWindowHint);
    button.setGeometry(300, 300, 120, 40);
    button.show();
    TXConnection x;
    ASSERT_TRUE(WaitUntil([&] { return x.Viewable(button.winId()); }));
    bool clicked = false;
    QObject::connect(&button, &QPushButton::clicked, [&] { clicked = true; });
    // A plain window beside it: when its press has arrived, the button's click has arrived too.
    TPlainWindow sentinel(x, QRect(600, 600, 50, 50));

    x.Click(360, 320);
    x.Click(625, 625);
    std::optional<QPoint> press;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!press && std::chrono::steady_clock::now() < deadline) {
      c.process(app);
      press = sentinel.PollPress();
      std::this_thread::sleep_for(std::chrono::milliseconds(16));
    }
    ASSERT_TRUE(press);
    for (int i = 0; i < 5; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(16));
      c.process(app);
    }
    EXPECT_FALSE(clicked);

    // The click is held back, not lost: the event loop delivers it afterwards.
    if (!c.terminated) {
      EXPECT_TRUE(WaitUntil([&] { return clicked; }));
    }
  }
}

TEST_F(QtApplicationTest, NoDisplayIsReportedInsteadOfEndingTheProcess) {
  const QByteArray display = qgetenv("DISPLAY");
  qputenv("DISPLAY", ":4999");  // no server there
  const bool available = TQtApplication::DisplayAvailable();
  qputenv("DISPLAY", display);
  EXPECT_FALSE(available);
  EXPECT_TRUE(TQtApplication::DisplayAvailable());
}

}  // namespace
