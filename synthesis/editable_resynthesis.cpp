#include "synthesis/editable_resynthesis.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "signal/wave_header.h"
#include "synthesis/sample_writer.h"
#include "synthesis/synthesis_steps.h"
#include "toolkit/safe_file_stream.h"

namespace ombrisk {

namespace {

std::string ColourName(const TGrey16Png& png) {
  const std::string kind =
      png.Grey ? (png.Alpha ? "grey with alpha" : "grey") : (png.Alpha ? "colour with alpha" : "colour or paletted");
  return std::to_string(png.BitDepth) + "-bit " + kind;
}

void WriteWave(const std::string& path, const std::vector<double>& sound, std::int32_t rateHz) {
  std::vector<std::int16_t> samples(sound.size());
  std::transform(sound.begin(), sound.end(), samples.begin(), [](double v) {
    return static_cast<std::int16_t>(std::clamp<long long>(std::llrint(v * 32768.0), -32768, 32767));
  });
  TWaveHeader header = MakeWaveHeader(static_cast<std::uint32_t>(2 * samples.size()));
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

TEditableParameters EditableParametersOf(const TGrey16Png& png, const std::string& path,
                                         const TEditableOverrides& overrides) {
  const TParsedEditableParameters stored = ParseEditableParameters(png.Comment);
  std::vector<std::string> missing;
  const auto take = [&](auto given, auto found, const char* option) {
    if (given) return *given;
    if (found) return *found;
    missing.emplace_back(option);
    return typename decltype(given)::value_type{};
  };
  TEditableParameters p;
  p.RateHz = take(overrides.RateHz, stored.RateHz, "--rate");
  p.Size = take(overrides.Size, stored.Size, "--size");
  p.Hop = take(overrides.Hop, stored.Hop, "--hop");
  p.RangeDb = take(overrides.RangeDb, stored.RangeDb, "--range");
  if (!missing.empty()) {
    std::string names;
    for (const std::string& name : missing) names += (names.empty() ? "" : ", ") + name;
    throw EEditableMissingError("'" + path + "' does not carry its parameters: give " + names, missing);
  }
  if (stored.Window && *stored.Window != kEditableWindow) {
    throw Exception("'" + path + "' was made with the window '" + *stored.Window + "'; only hann can be turned back");
  }
  if (!png.IsGrey16()) {
    throw Exception("'" + path + "' is " + ColourName(png) + ", not the 16-bit grey of an editable spectrogram");
  }
  if (p.Size >= 2 && png.Height != p.Size / 2 + 1) {
    throw Exception("'" + path + "' is " + std::to_string(png.Height) + " rows high; frames of " +
                    std::to_string(p.Size) + " samples need " + std::to_string(p.Size / 2 + 1));
  }
  const std::int64_t widthSamples = std::max<std::int64_t>((png.Width - 1) * std::max(p.Hop, 1), 1);
  p.Samples = stored.Samples && p.Hop > 0 && *stored.Samples / p.Hop + 1 == png.Width ? *stored.Samples : widthSamples;
  try {
    ValidateEditableParameters(p);
  } catch (const EEditableParameterError& e) {
    throw Exception("'" + path + "': " + e.Message());
  }
  if (2 * static_cast<std::uint64_t>(p.Samples) > kMaxWaveDataBytes) {
    throw Exception("'" + path + "' stands for " + std::to_string(p.Samples) + " samples, more than a wave file holds");
  }
  return p;
}

bool CarriesEditableParameters(const std::string& path) {
  try {
    EditableParametersOf(ReadGrey16Png(path), path, {});
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void ResynthesizeFile(const std::string& imagePath, const TEditableOverrides& overrides,
                      const TReconstructionSettings& settings, const std::string& wavePath) {
  const TGrey16Png png = ReadGrey16Png(imagePath);
  const TEditableParameters p = EditableParametersOf(png, imagePath, overrides);
  const TMagnitudes magnitudes = MagnitudesOfLevels(png.Samples, png.Width, p);
  const std::vector<double> sound = ReconstructSound(magnitudes, p, settings);
  WriteWave(wavePath, sound, p.RateHz);
}

}  // namespace ombrisk
