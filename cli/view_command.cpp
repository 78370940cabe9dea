// ombrisk-cli view: any sound file drawn as the viewer window shows it — a view of it in dBFS,
// in colour, with axes — through the same Qt-free code the window draws with.
#include <cstdio>
#include <map>
#include <string>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/image_output.h"
#include "figure/view_figure.h"
#include "spectrogram/sound_view.h"
#include "spectrogram/sound_view_source.h"
#include "spectrogram/window_functions.h"

namespace ombrisk::cli {

namespace {

constexpr const char* kViewUsage =
    "usage: ombrisk-cli view SOUND IMAGE [--width W] [--height H] [--from S] [--to S] [--low-hz F]\n"
    "                        [--high-hz F] [--log-frequency] [--range DB] [--colours heat|grey]\n"
    "                        [--channel N] [--size N] [--window NAME] [--no-axes] [--quiet]\n"
    "Draws SOUND (any sound file: WAV, AIFF, FLAC, Ogg, Opus, MP3) into IMAGE (.png or .bmp) as the\n"
    "viewer shows it: level in dBFS (a full-scale sine reads 0), time across, frequency upwards,\n"
    "framed with axes, a level legend and the file's name.\n"
    "  --width W, --height H  the plot area in pixels (default 1200 x 600)\n"
    "  --from S, --to S       the span in seconds (default the whole file)\n"
    "  --low-hz F, --high-hz F  the band (default 0 Hz to half the rate)\n"
    "  --log-frequency        a logarithmic frequency axis (from 20 Hz unless --low-hz says)\n"
    "  --range DB             the levels shown, 0 down to -DB dBFS (default 120)\n"
    "  --colours NAME         heat (default: black to pale yellow as the level rises) or grey\n"
    "                         (0 dBFS black, -DB and below white)\n"
    "  --channel N            only channel N (1, 2, ...) instead of the mix\n"
    "  --size N               samples per frame, a power of two from 64 to 65536 (default: chosen\n"
    "                         for the view)\n"
    "  --window NAME          hanning (default), hamming, blackman, rectangular or gaussian\n"
    "  --no-axes              the plot alone: IMAGE is exactly W x H, column 0 the start, row 0 the\n"
    "                         highest frequency\n"
    "  --quiet                no progress bar (it is only drawn when stderr is a terminal)\n";

const TOptionSpec kViewOptions{{"--log-frequency", "--no-axes", "--quiet"},
                               {"--width", "--height", "--from", "--to", "--low-hz", "--high-hz", "--range",
                                "--colours", "--channel", "--size", "--window"}};

int ParseWindowName(const std::string& text) {
  const std::string name = Lower(text);
  if (name == "rectangular") return 3;
  for (int index = 0; index < kWindowFunctionCount; ++index) {
    if (name == Lower(std::string(kWindowFunctionNames[static_cast<std::size_t>(index)]))) return index;
  }
  throw TUsageError("option '--window' takes hanning, hamming, blackman, rectangular or gaussian, not '" + text + "'");
}

TColourMap ParseColourName(const std::string& text) {
  try {
    return ColourMapByName(text);
  } catch (const EFigureError&) {
    throw TUsageError("option '--colours' takes heat or grey, not '" + text + "'");
  }
}

// The option a view's member comes from.
std::string OptionFor(const std::string& field) {
  static const std::map<std::string, std::string> kOptions = {
      {"FromSeconds", "--from"},  {"ToSeconds", "--to"},       {"LowHz", "--low-hz"},
      {"HighHz", "--high-hz"},    {"LogFrequency", "--log-frequency"}, {"RangeDb", "--range"},
      {"Channel", "--channel"},   {"Width", "--width"},        {"Height", "--height"},
      {"FrameSamples", "--size"}, {"WindowIndex", "--window"}};
  const auto found = kOptions.find(field);
  return found == kOptions.end() ? field : found->second;
}

}  // namespace

int RunView(const std::vector<std::string>& args) {
  return RunCommand("view", kViewUsage, args, [&] {
    const TCommandLine line = ParseCommandLine(args, kViewOptions);
    RequirePositionals(line, {"SOUND", "IMAGE"});
    const std::string& soundPath = line.Positionals[0];
    const std::string& imagePath = line.Positionals[1];
    const TImageKind kind = ImageKindOf(imagePath, "IMAGE");

    // Everything the command line alone can tell is checked before the file is opened.
    const int width = line.Value("--width") ? ParseIntOption("--width", *line.Value("--width"), 1, kLargestViewSide) : 1200;
    const int height =
        line.Value("--height") ? ParseIntOption("--height", *line.Value("--height"), 1, kLargestViewSide) : 600;
    const auto number = [&](const char* option) -> std::optional<double> {
      const auto text = line.Value(option);
      if (!text) return std::nullopt;
      return ParseNumberOption(option, *text);
    };
    const std::optional<double> from = number("--from");
    const std::optional<double> to = number("--to");
    const std::optional<double> lowHz = number("--low-hz");
    const std::optional<double> highHz = number("--high-hz");
    const std::optional<double> range = number("--range");
    const auto colours = line.Value("--colours");
    const TColourMap map = colours ? ParseColourName(*colours) : TColourMap::Heat;
    const int channel = line.Value("--channel") ? ParseIntOption("--channel", *line.Value("--channel"), 1, 65535) : 0;
    const int frameSamples =
        line.Value("--size") ? ParseIntOption("--size", *line.Value("--size"), kSmallestViewFrame, kLargestViewFrame) : 0;
    const int window = line.Value("--window") ? ParseWindowName(*line.Value("--window")) : 0;
    const bool logFrequency = line.Has("--log-frequency");
    if (logFrequency && lowHz && !(*lowHz > 0)) {
      throw TUsageError("option '--log-frequency' needs '--low-hz' above 0, not '" + *line.Value("--low-hz") + "'");
    }
    if (lowHz && highHz && !(*lowHz < *highHz)) {
      throw TUsageError("option '--low-hz' must be below '--high-hz'");
    }
    if (from && to && !(*from < *to)) throw TUsageError("option '--from' must be before '--to'");

    TSoundViewSource source(soundPath);
    const TRecordingInfo& info = source.Info();
    if (info.Frames <= 0) throw Exception("'" + soundPath + "' holds no samples: nothing to draw, nothing written");
    TSoundView view = WholeSoundView(info, width, height);
    if (from) view.FromSeconds = *from;
    if (to) view.ToSeconds = *to;
    if (highHz) view.HighHz = *highHz;
    if (lowHz) view.LowHz = *lowHz;
    view = WithLogFrequency(view, logFrequency, info);
    if (range) view.RangeDb = *range;
    view.Channel = channel;
    view.FrameSamples = frameSamples;
    view.WindowIndex = window;
    try {
      ValidateSoundView(view, info);
    } catch (const EViewError& e) {
      throw TUsageError("option '" + OptionFor(e.Field()) + "': " + e.Message());
    }

    TTerminalProgress progress(stderr, StderrIsTerminal() && !line.Has("--quiet"), "view");
    progress.SetMax(view.Width);
    const TViewLevels levels = source.Render(view, [&](const TViewLevels& done, int, int) {
      progress.SetPosition(done.ColumnsDone);
      return true;
    });
    progress.Finish();
    if (line.Has("--no-axes")) {
      const std::unique_ptr<TPixelBitmap> plot = DrawViewPlot(levels, view, map);
      SaveImage(*plot, imagePath, kind);
    } else {
      const std::unique_ptr<TPixelBitmap> figure = DrawViewFigure(levels, view, map, soundPath, info);
      SaveImage(*figure, imagePath, kind);
    }
    return kExitDone;
  });
}

}  // namespace ombrisk::cli
