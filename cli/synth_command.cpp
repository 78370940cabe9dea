// ombrisk-cli synth: a picture in, a wave file out, as "&Make Ombrisk sound" makes it.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "picture/load_picture.h"
#include "synthesis/shaped_sound.h"
#include "synthesis/synthesis_run.h"
#include "toolkit/bitmap.h"

namespace ombrisk::cli {

namespace {

constexpr const char* kSynthUsage =
    "usage: ombrisk-cli synth PICTURE WAVE [--no-invert] [--mirror-x] [--mirror-y] [--log-frequency]\n"
    "                         [--log-amplitude] [--smooth] [--seconds S] [--low-hz F] [--high-hz F]\n"
    "                         [--rate R] [--stereo] [--noise] [--seed N] [--quiet]\n"
    "Turns PICTURE (bmp, jpg, jpeg or png) into the 16-bit mono 44100 Hz wave file WAVE whose\n"
    "spectrogram shows it: columns are time from left to right, rows frequency from the bottom up.\n"
    "  --no-invert       dark pixels are quiet (by default light pixels are quiet)\n"
    "  --mirror-x        flip the picture left-right first (the sound runs backwards)\n"
    "  --mirror-y        flip the picture top-bottom first (high and low frequencies swap)\n"
    "  --log-frequency   rows spread over one decade of frequency instead of evenly\n"
    "  --log-amplitude   grey sets the level in decibels instead of linearly; nothing is silent\n"
    "  --smooth          the smooth synthesis: every row a steady tone whose phase runs on and whose\n"
    "                    level glides from column to column, scaled just below full scale\n"
    "  --seconds S       the sound lasts S seconds, shared evenly by the columns (implies --smooth)\n"
    "  --low-hz F        the bottom row sounds at F Hz (implies --smooth)\n"
    "  --high-hz F       the top row sounds at F Hz, at most half the rate (implies --smooth)\n"
    "  --rate R          44100, 48000 or 96000 samples per second (implies --smooth)\n"
    "  --stereo          two channels from the picture's colours: red sets the left level, green the\n"
    "                    right, blue is not used; light is loud (--no-invert is implied) (implies --smooth)\n"
    "  --noise           every row a band of noise as wide as the row spacing instead of a tone\n"
    "                    (implies --smooth)\n"
    "  --seed N          the noise's seed, a whole number 0 ... 18446744073709551615 (default 1;\n"
    "                    needs --noise)\n"
    "  --quiet           no progress bar (it is only drawn when stderr is a terminal)\n"
    "Without options: light pixels quiet, no mirrors, linear frequency and amplitude, as the main\n"
    "window starts. --smooth alone keeps the length (W x N / 44100 s) and the band of the default:\n"
    "0 Hz up to the top row's bin, or with --log-frequency the decade from 2205 Hz; a band given on\n"
    "one side only keeps the other side's default.\n";

const TOptionSpec kSynthOptions{
    {"--no-invert", "--mirror-x", "--mirror-y", "--log-frequency", "--log-amplitude", "--smooth", "--stereo",
     "--noise", "--quiet"},
    {"--seconds", "--low-hz", "--high-hz", "--rate", "--seed"}};

const char* const kShapeOptions[] = {"--seconds", "--low-hz", "--high-hz", "--rate"};

std::uint64_t ParseSeed(const std::string& text) {
  std::uint64_t value = 0;
  const char* const end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc{} || stop != end) {
    throw TUsageError("option '--seed' takes a whole number 0 ... 18446744073709551615, not '" + text + "'");
  }
  return value;
}

// The shape the options ask for, or nothing when they ask for the default synthesis.
std::optional<TShapedSound> ShapeFromLine(const TCommandLine& line) {
  if (line.Value("--seed") && !line.Has("--noise")) throw TUsageError("option '--seed' needs '--noise'");
  bool smooth = line.Has("--smooth") || line.Has("--stereo") || line.Has("--noise");
  for (const char* option : kShapeOptions) smooth = smooth || line.Value(option).has_value();
  if (!smooth) return std::nullopt;
  TShapedSound shape;
  if (const auto text = line.Value("--seconds")) {
    shape.Seconds = ParseNumberOption("--seconds", *text);
    if (shape.Seconds <= 0) throw TUsageError("option '--seconds' takes a length above 0, not '" + *text + "'");
  }
  for (const auto& [option, field] : {std::pair{"--low-hz", &shape.LowHz}, std::pair{"--high-hz", &shape.HighHz}}) {
    if (const auto text = line.Value(option)) {
      *field = ParseNumberOption(option, *text);
      if (*field < 0) throw TUsageError(std::string("option '") + option + "' takes a frequency of 0 or more, not '" + *text + "'");
    }
  }
  if (const auto text = line.Value("--rate")) {
    shape.RateHz = ParseIntOption("--rate", *text, 1, 1000000);
  }
  shape.Stereo = line.Has("--stereo");
  shape.Noise = line.Has("--noise");
  if (const auto text = line.Value("--seed")) shape.NoiseSeed = ParseSeed(*text);
  return shape;
}

}  // namespace

int RunSynth(const std::vector<std::string>& args) {
  return RunCommand("synth", kSynthUsage, args, [&] {
    const TCommandLine line = ParseCommandLine(args, kSynthOptions);
    RequirePositionals(line, {"PICTURE", "WAVE"});

    TSynthesisSettings settings;
    settings.Invert = !line.Has("--no-invert");
    settings.MirrorX = line.Has("--mirror-x");
    settings.MirrorY = line.Has("--mirror-y");
    settings.LogFrequency = line.Has("--log-frequency");
    settings.LogAmplitude = line.Has("--log-amplitude");

    const std::optional<TShapedSound> shape = ShapeFromLine(line);

    RegisterPictureFormats(24);
    TBitmap picture;
    if (shape && shape->Stereo) {
      LoadColourPicture(line.Positionals[0], picture);
    } else {
      LoadPicture(line.Positionals[0], picture);
    }
    if (shape) {
      try {
        CheckShapedSound(picture, settings, *shape);
      } catch (const EShapedSoundError& error) {
        throw TUsageError(error.Message());
      }
    }

    TTerminalProgress progress(stderr, StderrIsTerminal() && !line.Has("--quiet"), "synth");
    if (shape) {
      RunSmoothSynthesis(picture, settings, *shape, line.Positionals[1], progress);
    } else {
      RunSynthesis(picture, settings, line.Positionals[1], progress);
    }
    progress.Finish();
    return kExitDone;
  });
}

}  // namespace ombrisk::cli
