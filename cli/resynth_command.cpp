// ombrisk-cli resynth: an editable spectrogram (as "analyze --editable" writes it, perhaps
// edited since) back into a 16-bit mono wave file.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/editable_options.h"
#include "signal/editable_parameters.h"
#include "synthesis/editable_resynthesis.h"

namespace ombrisk::cli {

namespace {

constexpr const char* kResynthUsage =
    "usage: ombrisk-cli resynth IMAGE.png SOUND.wav [--iterations K] [--rate R] [--size N] [--hop H]\n"
    "                           [--range DB] [--quiet]\n"
    "Makes SOUND.wav (16-bit mono) from the editable spectrogram IMAGE.png that 'analyze --decode\n"
    "--editable' wrote, edited or not: the rate, frame size, hop, range and length come from the\n"
    "picture's \"Comment\" text; white areas are silent.\n"
    "  --iterations K    0 … 1000 refining steps after the first phases, default 32 (more: slower,\n"
    "                    a little closer to the picture)\n"
    "  --rate R          samples per second, 1 … 768000\n"
    "  --size N          frame size, a power of two 64 … 16384 (the picture is N/2 + 1 rows high)\n"
    "  --hop H           samples from one column to the next, 1 … N\n"
    "  --range DB        decibels white stands for below black, 1 … 400\n"
    "These four replace the picture's own values, or stand in for them where an editor dropped them.\n"
    "  --quiet           accepted for symmetry; resynth draws no progress bar\n";

const TOptionSpec kResynthOptions{{"--quiet"}, {"--iterations", "--rate", "--size", "--hop", "--range"}};

}  // namespace

int RunResynth(const std::vector<std::string>& args) {
  return RunCommand("resynth", kResynthUsage, args, [&] {
    const TCommandLine line = ParseCommandLine(args, kResynthOptions);
    RequirePositionals(line, {"IMAGE", "SOUND"});
    const std::string& imagePath = line.Positionals[0];
    const std::string& soundPath = line.Positionals[1];
    TReconstructionSettings settings;
    if (const auto k = line.Value("--iterations")) settings.Iterations = ParseIntOption("--iterations", *k, 0, 1000);
    std::optional<std::int32_t> rate, size, hop;
    std::optional<double> range;
    if (const auto text = line.Value("--rate")) rate = ParseIntOption("--rate", *text, 1, kLargestEditableRateHz);
    if (const auto text = line.Value("--size")) size = ParseEditableSize(*text);
    if (const auto text = line.Value("--range")) range = ParseEditableRange(*text);
    if (const auto text = line.Value("--hop")) hop = ParseEditableHop(*text, size.value_or(kLargestEditableSize));

    try {
      ResynthesizeFile(imagePath, {rate, size, hop, range}, settings, soundPath);
    } catch (const EEditableMissingError& e) {
      throw TUsageError(e.Message());
    }
    return kExitDone;
  });
}

}  // namespace ombrisk::cli
