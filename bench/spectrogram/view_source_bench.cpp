// The viewer on a long file: the whole-file view (a fresh source each run), a 30 s zoom (fresh
// source, so nothing held helps), and zoom and pan steps drawn from what a source holds after the
// whole view (QuickRender, as the window draws each step before refining it). Medians in ms.
//
//   view_source_bench FILE [runs]        (bench/spectrogram/view_long_file.sh makes FILE)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "spectrogram/sound_view.h"
#include "spectrogram/sound_view_source.h"

namespace {

using TClock = std::chrono::steady_clock;

double Milliseconds(TClock::time_point since) {
  return std::chrono::duration<double, std::milli>(TClock::now() - since).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: view_source_bench FILE [runs]\n");
    return 2;
  }
  using namespace ombrisk;
  const std::string path = argv[1];
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  std::vector<double> whole, zoom;
  for (int run = 0; run < runs; ++run) {
    TSoundViewSource source(path);
    const TSoundView view = WholeSoundView(source.Info(), 1200, 600);
    const auto started = TClock::now();
    source.Render(view);
    whole.push_back(Milliseconds(started));
  }
  for (int run = 0; run < runs; ++run) {
    TSoundViewSource source(path);
    TSoundView view = WholeSoundView(source.Info(), 1200, 600);
    view.FromSeconds = view.ToSeconds / 2;
    view.ToSeconds = view.FromSeconds + 30;
    const auto started = TClock::now();
    source.Render(view);
    zoom.push_back(Milliseconds(started));
  }
  TSoundViewSource source(path);
  const TRecordingInfo& info = source.Info();
  TSoundView view = WholeSoundView(info, 1200, 600);
  source.Render(view);
  std::vector<double> steps;
  std::srand(27);
  for (int step = 0; step < 40; ++step) {
    const double x = std::rand() % 1200;
    switch (step % 4) {
      case 0: view = ZoomTime(view, 1.25, x, info); break;
      case 1: view = PanView(view, step % 8 == 1 ? 120 : -120, 0, info); break;
      case 2: view = ZoomFrequency(view, 1.25, std::rand() % 600, info); break;
      default: view = ZoomTime(view, step < 20 ? 1.5 : 0.6, x, info); break;
    }
    const auto started = TClock::now();
    const auto quick = source.QuickRender(view);
    steps.push_back(Milliseconds(started));
    if (!quick) std::printf("step %d: nothing held (views of under about 200 s at 1200 px are decoded, not summarised)\n", step);
  }
  std::printf("whole view 1200x600: median %.0f ms of %d\n", Median(whole), runs);
  std::printf("30 s zoom:          median %.0f ms of %d\n", Median(zoom), runs);
  std::printf("zoom/pan step from what is held: median %.1f ms, slowest %.1f ms of %zu\n", Median(steps),
              *std::max_element(steps.begin(), steps.end()), steps.size());
  return 0;
}
