// ombrisk-cli resynth: an editable spectrogram (as "analyze --editable" writes it, perhaps
// edited since) back into a 16-bit mono wave file.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/editable_options.h"
#include "picture/png/png_read_grey16.h"
#include "signal/editable_parameters.h"
#include "signal/wave_header.h"
#include "synthesis/phase_reconstruction.h"
#include "synthesis/sample_writer.h"
#include "synthesis/synthesis_steps.h"
#include "toolkit/exception.h"
#include "toolkit/safe_file_stream.h"

namespace ombrisk::cli {

namespace {

constexpr const char* kResynthUsage =
    "usage: ombrisk-cli resynth IMAGE.png SOUND.wav [--iterations K] [--rate R] [--size N] [--hop H]\n"
    "                           [--range DB] [--quiet]\n"
    "Makes SOUND.wav (16-bit mono) from the editable spectrogram IMAGE.png that 'analyze --decode\n"
    "--editable' wrote, edited or not: the rate, frame size, hop, range and length come from the\n"
    "picture's \"Comment\" text; white areas are silent.\n"
    "  --iterations K    0 … 1000 refining steps after the first phases, default 24 (more: slower,\n"
    "                    a little closer to the picture)\n"
    "  --rate R          samples per second, 1 … 768000\n"
    "  --size N          frame size, a power of two 64 … 16384 (the picture is N/2 + 1 rows high)\n"
    "  --hop H           samples from one column to the next, 1 … N\n"
    "  --range DB        decibels white stands for below black, 1 … 400\n"
    "These four replace the picture's own values, or stand in for them where an editor dropped them.\n"
    "  --quiet           accepted for symmetry; resynth draws no progress bar\n";

const TOptionSpec kResynthOptions{{"--quiet"}, {"--iterations", "--rate", "--size", "--hop", "--range"}};

std::string ColourName(const TGrey16Png& png) {
  const std::string kind = png.Grey ? (png.Alpha ? "grey with alpha" : "grey") : (png.Alpha ? "colour with alpha" : "colour or paletted");
  return std::to_string(png.BitDepth) + "-bit " + kind;
}

void WriteWave(const std::string& path, const std::vector<double>& sound, std::int32_t rateHz) {
  std::vector<std::int16_t> samples(sound.size());
  std::transform(sound.begin(), sound.end(), samples.begin(), [](double v) {
    return static_cast<std::int16_t>(std::clamp<long long>(std::llrint(v * 32768.0), -32768, 32767));
  });
  const auto dataBytes = static_cast<std::uint32_t>(2 * samples.size());
  TWaveHeader header = MakeWaveHeader(dataBytes);
  header.SamplesPerSec = static_cast<std::uint32_t>(rateHz);
  header.BytesPerSec = static_cast<std::uint32_t>(rateHz) * header.BlockAlign;
  std::uint8_t bytes[kWaveHeaderBytes];
  EncodeWaveHeader(header, bytes);
  TSafeFileStream out(path);
  out.WriteBuffer(bytes, kWaveHeaderBytes);
  WriteSamples(out, samples);
  out.Commit();
}

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

    const TGrey16Png png = ReadGrey16Png(imagePath);
    const TParsedEditableParameters stored = ParseEditableParameters(png.Comment);
    if (stored.Window && *stored.Window != kEditableWindow) {
      throw Exception("'" + imagePath + "' was made with the window '" + *stored.Window + "'; resynth knows only hann");
    }
    std::vector<std::string> missing;
    const auto take = [&](auto given, auto found, const char* option) {
      if (given) return *given;
      if (found) return *found;
      missing.emplace_back(option);
      return typename decltype(given)::value_type{};
    };
    TEditableParameters p;
    p.RateHz = take(rate, stored.RateHz, "--rate");
    p.Size = take(size, stored.Size, "--size");
    p.Hop = take(hop, stored.Hop, "--hop");
    p.RangeDb = take(range, stored.RangeDb, "--range");
    if (!missing.empty()) {
      std::string names;
      for (const std::string& name : missing) names += (names.empty() ? "" : ", ") + name;
      throw TUsageError("'" + imagePath + "' does not carry its parameters: give " + names);
    }
    if (!png.IsGrey16()) {
      throw Exception("'" + imagePath + "' is " + ColourName(png) +
                      ", not the 16-bit grey of an editable spectrogram");
    }
    if (png.Height != p.Size / 2 + 1) {
      throw Exception("'" + imagePath + "' is " + std::to_string(png.Height) + " rows high; frames of " +
                      std::to_string(p.Size) + " samples need " + std::to_string(p.Size / 2 + 1));
    }
    // The stored length when it fits the width; an editor that changed the width, or lost the
    // text, leaves the length the columns stand for.
    const std::int64_t widthSamples = std::max<std::int64_t>((png.Width - 1) * p.Hop, 1);
    p.Samples = stored.Samples && *stored.Samples / p.Hop + 1 == png.Width ? *stored.Samples : widthSamples;
    try {
      ValidateEditableParameters(p);
    } catch (const EEditableParameterError& e) {
      throw Exception("'" + imagePath + "': " + e.Message());
    }
    if (2 * static_cast<std::uint64_t>(p.Samples) > kMaxWaveDataBytes) {
      throw Exception("'" + imagePath + "' stands for " + std::to_string(p.Samples) +
                      " samples, more than a wave file holds");
    }
    const TMagnitudes magnitudes = MagnitudesOfLevels(png.Samples, png.Width, p);
    const std::vector<double> sound = ReconstructSound(magnitudes, p, settings);
    WriteWave(soundPath, sound, p.RateHz);
    return kExitDone;
  });
}

}  // namespace ombrisk::cli
