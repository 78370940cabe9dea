// ombrisk-cli synth: a picture in, a wave file out, as "&Make Ombrisk sound" makes it.
#include <cstdio>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "picture/load_picture.h"
#include "synthesis/synthesis_run.h"
#include "toolkit/bitmap.h"

namespace ombrisk::cli {

namespace {

constexpr const char* kSynthUsage =
    "usage: ombrisk-cli synth PICTURE WAVE [--no-invert] [--mirror-x] [--mirror-y] [--log-frequency]\n"
    "                         [--log-amplitude] [--quiet]\n"
    "Turns PICTURE (bmp, jpg, jpeg or png) into the 16-bit mono 44100 Hz wave file WAVE whose\n"
    "spectrogram shows it: columns are time from left to right, rows frequency from the bottom up.\n"
    "  --no-invert       dark pixels are quiet (by default light pixels are quiet)\n"
    "  --mirror-x        flip the picture left-right first (the sound runs backwards)\n"
    "  --mirror-y        flip the picture top-bottom first (high and low frequencies swap)\n"
    "  --log-frequency   rows spread over one decade of frequency instead of evenly\n"
    "  --log-amplitude   grey sets the level in decibels instead of linearly; nothing is silent\n"
    "  --quiet           no progress bar (it is only drawn when stderr is a terminal)\n"
    "Without options: light pixels quiet, no mirrors, linear frequency and amplitude, as the main\n"
    "window starts.\n";

const TOptionSpec kSynthOptions{
    {"--no-invert", "--mirror-x", "--mirror-y", "--log-frequency", "--log-amplitude", "--quiet"}, {}};

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

    RegisterPictureFormats(24);
    TBitmap picture;
    LoadPicture(line.Positionals[0], picture);

    TTerminalProgress progress(stderr, StderrIsTerminal() && !line.Has("--quiet"), "synth");
    RunSynthesis(picture, settings, line.Positionals[1], progress);
    progress.Finish();
    return kExitDone;
  });
}

}  // namespace ombrisk::cli
