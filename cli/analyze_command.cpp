// ombrisk-cli analyze: a wave file in, its spectrogram out, as the preview window shows it and
// "Save Spectram" (or our PNG encoder) writes it.
#include <array>
#include <cstdio>
#include <string>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/image_output.h"
#include "figure/spectrogram_figure.h"
#include "signal/wave_header.h"
#include "spectrogram/recording_analysis.h"
#include "spectrogram/spectrogram_analysis.h"
#include "spectrogram/spectrogram_geometry.h"
#include "spectrogram/window_functions.h"
#include "toolkit/exception.h"

namespace ombrisk::cli {

namespace {

constexpr const char* kAnalyzeUsage =
    "usage: ombrisk-cli analyze WAVE IMAGE [--size N] [--window NAME] [--log-frequency] [--log-voltage]\n"
    "                           [--brightness 0..100] [--invert] [--decode] [--channel N]\n"
    "                           [--axes] [--colours NAME] [--quiet]\n"
    "       ombrisk-cli analyze SOUND IMAGE.png --decode --editable [--size N] [--hop H] [--range DB]\n"
    "                           [--channel N]\n"
    "Draws the spectrogram of WAVE into IMAGE (.bmp: 32 bits per pixel, as \"Save Spectram\" writes it;\n"
    ".png: 8-bit greyscale). One column for every N samples, N/2 rows with the lowest frequency at\n"
    "the bottom, loud bins dark on white.\n"
    "  --size N          samples per column: 128, 256, 512, 1024 (default), 2048, 4096 or 8192\n"
    "  --window NAME     hanning, hamming, blackman, rectangler (default; rectangular too) or gaussian\n"
    "  --log-frequency   rows on a logarithmic frequency scale\n"
    "  --log-voltage     grey from decibels instead of the linear magnitude\n"
    "  --brightness B    0 to 100, default 50\n"
    "  --invert          light on black\n"
    "  --decode          read WAVE as a sound file of any common format (WAV, AIFF, FLAC, Ogg, Opus,\n"
    "                    MP3) at its own rate, channels mixed; without it WAVE is read as 16-bit mono\n"
    "                    44.1 kHz samples after a 44-byte header\n"
    "  --channel N       with --decode: only channel N (1, 2, ...) instead of the mix\n"
    "  --axes            frame the spectrogram with time, frequency, a level legend and the file's name\n"
    "  --colours NAME    grey (default) or heat (black to yellow, brighter where louder); .png then\n"
    "                    holds colour\n"
    "  --quiet           no progress bar (it is only drawn when stderr is a terminal)\n"
    "With --decode --editable, IMAGE (.png) is a 16-bit grey spectrogram to edit and turn back into\n"
    "sound with 'resynth': Hann frames of N samples (default 2048 at 44.1 and 48 kHz, the same\n"
    "duration at other rates) every H samples, N/2 + 1 rows from half the rate down to 0 Hz, black\n"
    "for 0 dBFS, white for -DB or quieter; the parameters go into the PNG's \"Comment\" text.\n"
    "  --size N          a power of two, 64 … 16384\n"
    "  --hop H           1 … N samples, default N/4\n"
    "  --range DB        1 … 400, default 120\n";

const TOptionSpec kAnalyzeOptions{
    {"--log-frequency", "--log-voltage", "--invert", "--quiet", "--decode", "--axes", "--editable"},
    {"--size", "--window", "--brightness", "--channel", "--colours", "--hop", "--range"}};

std::int32_t ParseSampleSize(const std::string& text) {
  for (int index = 0; index < kSampleSizeCount; ++index) {
    const std::int32_t n = SampleSizeForIndex(index);
    if (text == std::to_string(n)) return n;
  }
  throw TUsageError("option '--size' takes 128, 256, 512, 1024, 2048, 4096 or 8192, not '" + text + "'");
}

int ParseWindow(const std::string& text) {
  const std::string name = Lower(text);
  // The list's own spelling first; the dictionary spelling is what people type.
  if (name == "rectangular") return 3;
  for (int index = 0; index < kWindowFunctionCount; ++index) {
    if (name == Lower(std::string(kWindowFunctionNames[static_cast<std::size_t>(index)]))) return index;
  }
  throw TUsageError("option '--window' takes hanning, hamming, blackman, rectangler or gaussian, not '" + text + "'");
}

TColourMap ParseColours(const std::string& text) {
  try {
    return ColourMapByName(text);
  } catch (const EFigureError&) {
    throw TUsageError("option '--colours' takes grey or heat, not '" + text + "'");
  }
}

}  // namespace

int RunAnalyze(const std::vector<std::string>& args) {
  return RunCommand("analyze", kAnalyzeUsage, args, [&] {
    const TCommandLine line = ParseCommandLine(args, kAnalyzeOptions);
    if (line.Has("--editable")) return RunEditableAnalysis(line);
    for (const char* option : {"--hop", "--range"}) {
      if (line.Value(option)) throw TUsageError(std::string("option '") + option + "' needs '--editable'");
    }
    RequirePositionals(line, {"WAVE", "IMAGE"});
    const std::string& wavePath = line.Positionals[0];
    const std::string& imagePath = line.Positionals[1];
    const TImageKind kind = ImageKindOf(imagePath, "IMAGE");

    TSpectrogramSettings settings;  // the preview window's defaults
    if (const auto size = line.Value("--size")) settings.SampleSize = ParseSampleSize(*size);
    if (const auto window = line.Value("--window")) settings.WindowIndex = ParseWindow(*window);
    if (const auto brightness = line.Value("--brightness")) {
      settings.BrightnessPosition = ParseIntOption("--brightness", *brightness, 0, settings.BrightnessMax);
    }
    settings.LogFrequency = line.Has("--log-frequency");
    settings.LogVoltage = line.Has("--log-voltage");
    settings.InvertBrightness = line.Has("--invert");
    const auto colours = line.Value("--colours");
    const TColourMap map = colours ? ParseColours(*colours) : TColourMap::Grey;

    const bool decode = line.Has("--decode");
    std::int32_t channel = 0;  // the mix
    if (const auto text = line.Value("--channel")) {
      if (!decode) throw TUsageError("option '--channel' needs '--decode'");
      // More than any file holds; the file itself decides which are there.
      channel = ParseIntOption("--channel", *text, 1, 65535);
    }

    TTerminalProgress progress(stderr, StderrIsTerminal() && !line.Has("--quiet"), "analyze");
    // The rate the rows stand for: the literal reading's, or the decoded file's own.
    TRecordingInfo recording{.SampleRateHz = 44100, .Channels = 1};
    std::unique_ptr<TPixelBitmap> picture;
    try {
      picture = decode ? AnalyzeRecording(wavePath, channel, settings, progress, &recording)
                       : AnalyzeWave(wavePath, settings, progress);
    } catch (const ERecordingChannelError& e) {
      throw TUsageError(e.Message());
    }
    progress.Finish();
    // A header announcing no samples gives a picture 0 columns wide: the bitmap writer would leave
    // an empty file and a PNG of width 0 is no PNG, so say so instead of reporting success.
    if (picture->Width() == 0) {
      throw Exception("'" + wavePath + "' announces no samples: its spectrogram is 0 pixels wide, nothing written");
    }
    if (line.Has("--axes")) {
      const std::unique_ptr<TPixelBitmap> figure =
          DrawFigure(*picture, FigureAxesFor(settings, recording.SampleRateHz, wavePath), map);
      SaveImage(*figure, imagePath, kind);
      return kExitDone;
    }
    ApplyColourMap(*picture, map);
    SaveImage(*picture, imagePath, kind);
    return kExitDone;
  });
}

}  // namespace ombrisk::cli
