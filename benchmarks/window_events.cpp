// Measures the Qt backend's main-thread costs that the link depends on:
// - ProcessWindowEvents is called after every 4-byte write of a screen transfer (19 200 calls in
//   about 6.7 s); most calls return at once, and one in ~15 ms processes the window's events. The
//   figures are the mean cost of a call in a tight loop (nearly all return at once) and the
//   median cost of a pass that does the work, with the frame window shown and its status text
//   changing each time.
// - A block read by the serial reader reaches its handler through TThread::Synchronize; the figure
//   is the median round trip of one Synchronize while the Qt event loop runs.
// Needs an X display; without one it says so. The last line is
// `window_events skip_ns=<n> pass_us=<n> sync_us=<n>`.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "backends/qt/QtApplication.h"
#include "backends/qt/QtWindowSurface.h"
#include "platform/Exception.h"
#include "platform/Thread.h"

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Times Synchronize calls from a background thread; the last one ends the event loop.
class TSyncTimer : public TThread {
 public:
  TSyncTimer(IApplication& app, int runs)
      : TThread(app.MainThread(), true), app_(app), runs_(runs) {}
  ~TSyncTimer() override {
    Terminate();
    WaitFor();
  }
  std::vector<double> micros;

 protected:
  void Execute() override {
    for (int i = 0; i < runs_; ++i) {
      const auto start = Clock::now();
      Synchronize([] {});
      micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    Synchronize([this] { app_.Terminate(); });
  }

 private:
  IApplication& app_;
  int runs_;
};

}  // namespace

int main(int argc, char** argv) {
  try {
    TQtApplication app(argc, argv);
    TQtWindowSurface surface(app);
    TForm form(surface);
    form.OnResize = [&] {
      const int w = form.Width(), h = form.Height();
      form.SetShape({{0, 0, w, h}, {4, 43, w - 4, h - 4}});
    };
    form.SetLeft(202);
    form.SetTop(177);
    form.SetClientWidth(640);
    form.SetClientHeight(240);
    form.SetCaption("Zem");
    form.SetVisible(true);

    // Calls as a transfer makes them, one after every write, after a first pass that shows the
    // window: nearly all of them return at once.
    app.ProcessWindowEvents();
    constexpr int kCalls = 19200;
    const auto loopStart = Clock::now();
    for (int i = 0; i < kCalls; ++i) app.ProcessWindowEvents();
    const double skipNs =
        std::chrono::duration<double, std::nano>(Clock::now() - loopStart).count() / kCalls;

    // Passes that do the work: the throttle interval has passed each time.
    std::vector<double> passes;
    for (int i = 0; i < 60; ++i) {
      form.SetStatusText("COM2 /dev/ttyS1 open - screen " + std::to_string(i) + "%");
      std::this_thread::sleep_for(std::chrono::milliseconds(16));
      const auto start = Clock::now();
      app.ProcessWindowEvents();
      passes.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    const double passUs = Median(passes);

    TSyncTimer timer(app, 2000);
    timer.Resume();
    app.Run();
    timer.WaitFor();
    const double syncUs = Median(timer.micros);

    std::printf("ProcessWindowEvents: %.0f ns a call over %d calls in a tight loop\n", skipNs,
                kCalls);
    std::printf("ProcessWindowEvents: %.0f us for a pass that processes events (median)\n", passUs);
    std::printf("Synchronize through the Qt event loop: %.0f us round trip (median of %zu)\n",
                syncUs, timer.micros.size());
    std::printf("window_events skip_ns=%.0f pass_us=%.0f sync_us=%.0f\n", skipNs, passUs, syncUs);
    return 0;
  } catch (const Exception& error) {
    std::printf("window_events: no measurement, no display here: %s\n", error.what());
    return 0;
  }
}
