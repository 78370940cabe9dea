// How long the viewer window takes for one zoom or pan step at a 1200 × 600 plot, from the key to
// the repainted window, drawn from what it already holds (the exact render goes on behind it on
// the worker). Offscreen unless QT_QPA_PLATFORM says otherwise.
//
//   build/bench/app/view_step_bench SOUND [STEPS]     prints the median, fastest and slowest step
//
// Both the wall-clock time and the window thread's own processor time are given: on a shared,
// loaded machine the first also counts the time the thread waited for a processor.
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "app/error_display.h"
#include "app/file_dialog.h"
#include "app/sound_view_window.h"
#include "playback/audio_sink.h"

namespace {

using namespace ombrisk;

class TPrintedErrors : public TErrorDisplay {
public:
  void ShowError(const std::string& text) override {
    std::fprintf(stderr, "view_step_bench: %s\n", text.c_str());
    Failed = true;
  }
  bool Failed = false;
};

class TNoDialogs : public TDialogRunner {
public:
  bool Run(TFileDialog&, QWidget*) override { return false; }
};

// No sound device: nothing here plays.
class TSilentSink : public TAudioSink {
public:
  bool Available() const override { return false; }
  bool Supports(std::int32_t) const override { return false; }
  void OnDevicesChanged(std::function<void()>) override {}
  void Start(TSampleSource&) override {}
  void Stop() override {}
  std::int64_t HeardSamples() const override { return 0; }
  bool Drained() const override { return true; }
  std::string Failure() const override { return {}; }
};

void Pump(int milliseconds) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < milliseconds) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

double ThreadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

bool WaitExact(const TSoundViewWindow& viewer) {
  QElapsedTimer clock;
  clock.start();
  while (!viewer.Exact() && clock.elapsed() < 600000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return viewer.Exact();
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  if (argc < 2 || argc > 3) {
    std::fputs("usage: view_step_bench SOUND [STEPS]\n", stderr);
    return 2;
  }
  const int steps = argc == 3 ? std::max(4, std::atoi(argv[2])) : 40;
  TPrintedErrors errors;
  TNoDialogs dialogs;
  TSoundViewWindow viewer(TUiServices{errors, dialogs}, std::make_unique<TSilentSink>());
  viewer.resize(1300, 760);
  viewer.show();
  Pump(100);
  if (!viewer.OpenFile(argv[1])) return 1;
  // The window grows or shrinks until its plot is 1200 × 600.
  for (int round = 0; round < 8 && (viewer.View().Width != 1200 || viewer.View().Height != 600); ++round) {
    viewer.resize(viewer.width() + 1200 - viewer.View().Width, viewer.height() + 600 - viewer.View().Height);
    Pump(50);
  }
  std::printf("plot %d x %d; first sight rendering...\n", viewer.View().Width, viewer.View().Height);
  QElapsedTimer firstSight;
  firstSight.start();
  if (!WaitExact(viewer)) return 1;
  std::printf("first sight exact after %.0f ms more\n", static_cast<double>(firstSight.elapsed()));

  // Zoom in, pan, pan, zoom out, and round again: every step a new view.
  const Qt::Key cycle[] = {Qt::Key_Plus, Qt::Key_Right, Qt::Key_Right, Qt::Key_Plus, Qt::Key_Left, Qt::Key_Minus};
  std::vector<double> milliseconds;
  std::vector<double> cpuMilliseconds;
  for (int step = 0; step < steps; ++step) {
    const Qt::Key key = cycle[static_cast<std::size_t>(step) % std::size(cycle)];
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = ThreadCpuMs();
    QCoreApplication::sendEvent(&viewer, &press);
    viewer.repaint();
    cpuMilliseconds.push_back(ThreadCpuMs() - cpuStart);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    milliseconds.push_back(took.count());
    Pump(60);  // the worker's columns arrive meanwhile, as they would between a user's steps
  }
  std::sort(milliseconds.begin(), milliseconds.end());
  std::printf("%d zoom and pan steps at %d x %d: median %.1f ms, fastest %.1f ms, slowest %.1f ms; the window "
              "thread's processor time: median %.1f ms\n",
              steps, viewer.View().Width, viewer.View().Height, milliseconds[milliseconds.size() / 2],
              milliseconds.front(), milliseconds.back(), Median(cpuMilliseconds));
  return errors.Failed ? 1 : 0;
}
