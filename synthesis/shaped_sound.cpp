#include "synthesis/shaped_sound.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <memory>
#include <sstream>
#include <vector>

#include "signal/wave_header.h"
#include "synthesis/column_reader.h"
#include "synthesis/sample_writer.h"
#include "synthesis/smooth_columns.h"
#include "synthesis/synthesis_steps.h"
#include "toolkit/pixel_bitmap.h"
#include "toolkit/safe_file_stream.h"

namespace ombrisk {

namespace {

constexpr double kAsDrawnRateHz = 44100.0;
// The loudest sample lands half a decibel below full scale: within 1 dB of it, and never on it.
const double kPeakLevel = 32767.0 * std::pow(10.0, -0.5 / 20.0);
constexpr std::size_t kWriteChunk = std::size_t{1} << 15;
constexpr double kRoundingShift = 6755399441055744.0;  // 1.5 × 2^52

std::string Number(double value) {
  std::ostringstream text;
  text.precision(10);
  text << value;
  return text.str();
}

bool HasPixels(const TBitmap& picture) { return picture.Width() > 0 && picture.Height() > 0; }

struct TResolvedShape {
  std::int64_t Samples;
  TFrequencyBand Band;
};

// The shape with its defaults filled in, every value checked.
TResolvedShape Resolve(const TBitmap& picture, const TSynthesisSettings& settings, const TShapedSound& shape) {
  const std::int32_t rate = shape.RateHz;
  if (rate != 44100 && rate != 48000 && rate != 96000) {
    throw EShapedSoundError("sample rate " + std::to_string(rate) + " Hz is not supported (44100, 48000 or 96000)");
  }
  if (!std::isfinite(shape.Seconds) || shape.Seconds < 0) {
    throw EShapedSoundError("length " + Number(shape.Seconds) + " s is not a positive number of seconds");
  }
  if (!std::isfinite(shape.LowHz) || !std::isfinite(shape.HighHz)) {
    throw EShapedSoundError("band " + Number(shape.LowHz) + " … " + Number(shape.HighHz) + " Hz is not a number");
  }
  const TFrequencyBand drawn = AsDrawnBand(picture, settings.LogFrequency);
  const TFrequencyBand band{shape.LowHz < 0 ? drawn.LowHz : shape.LowHz,
                            shape.HighHz < 0 ? drawn.HighHz : shape.HighHz};
  const double seconds = shape.Seconds > 0 ? shape.Seconds : AsDrawnSeconds(picture);
  if (!HasPixels(picture)) return {0, band};

  if (shape.Seconds == 0 && seconds <= 0) throw EShapedSoundError("length 0 s is not a positive number of seconds");
  if (band.LowHz >= band.HighHz) {
    throw EShapedSoundError("lowest frequency " + Number(band.LowHz) + " Hz is not below the highest, " +
                            Number(band.HighHz) + " Hz");
  }
  if (band.HighHz > rate / 2.0) {
    throw EShapedSoundError("highest frequency " + Number(band.HighHz) + " Hz is above half the sample rate, " +
                            Number(rate / 2.0) + " Hz");
  }
  if (settings.LogFrequency && band.LowHz <= 0) {
    throw EShapedSoundError("lowest frequency " + Number(band.LowHz) +
                            " Hz must be above 0 with logarithmic frequency");
  }
  const double samples = std::round(seconds * rate);
  if (samples * 2.0 > static_cast<double>(kMaxWaveDataBytes)) {
    throw EShapedSoundError("length " + Number(seconds) + " s at " + std::to_string(rate) + " Hz needs " +
                            Number(samples * 2.0) + " bytes, more than the " + std::to_string(kMaxWaveDataBytes) +
                            " a wave file can hold");
  }
  if (samples < picture.Width()) {
    throw EShapedSoundError("length " + Number(seconds) + " s gives " + Number(samples) + " samples, fewer than the " +
                            std::to_string(picture.Width()) + " columns of the picture");
  }
  return {static_cast<std::int64_t>(samples), band};
}

void WriteHeader(TStream& file, std::uint32_t dataBytes, std::int32_t rate) {
  TWaveHeader header = MakeWaveHeader(dataBytes);
  header.SamplesPerSec = static_cast<std::uint32_t>(rate);
  header.BytesPerSec = static_cast<std::uint32_t>(rate) * header.BlockAlign;
  std::uint8_t bytes[kWaveHeaderBytes];
  EncodeWaveHeader(header, bytes);
  file.WriteBuffer(bytes, kWaveHeaderBytes);
}

void WriteScaled(TStream& file, std::span<const float> samples, double scale) {
  std::vector<std::int16_t> chunk;
  chunk.reserve(std::min(kWriteChunk, samples.size()));
  for (std::size_t from = 0; from < samples.size(); from += kWriteChunk) {
    const std::size_t count = std::min(kWriteChunk, samples.size() - from);
    chunk.resize(count);
    const float* const in = samples.data() + from;
    std::int16_t* const to = chunk.data();
    for (std::size_t i = 0; i < count; ++i) {
      // Adding and taking away 1.5 × 2^52 rounds to the nearest whole number, halves to even, and
      // runs on vectors. Every sample is at most the peak, so the scaled ones stay below 32767;
      // the clamp only guards the arithmetic.
      const double whole = (static_cast<double>(in[i]) * scale + kRoundingShift) - kRoundingShift;
      to[i] = static_cast<std::int16_t>(std::clamp(static_cast<std::int32_t>(whole), -32767, 32767));
    }
    WriteSamples(file, chunk);
  }
}

}  // namespace

double AsDrawnSeconds(const TBitmap& picture) {
  if (!HasPixels(picture)) return 0;
  const double n = SamplesPerColumn(picture.Height());
  return static_cast<double>(picture.Width()) * n / kAsDrawnRateHz;
}

TFrequencyBand AsDrawnBand(const TBitmap& picture, bool logFrequency) {
  const int height = picture.Height();
  if (height <= 0) return {0, 0};
  const double n = SamplesPerColumn(height);
  if (logFrequency) {
    // Row m lies at 10^(m/H) × n / 20 bins before the literal synthesis rounds it to one.
    const double low = kAsDrawnRateHz / 20.0;
    return {low, low * std::pow(10.0, static_cast<double>(height - 1) / height)};
  }
  return {0.0, static_cast<double>(height - 1) * kAsDrawnRateHz / n};
}

void CheckShapedSound(const TBitmap& picture, const TSynthesisSettings& settings, const TShapedSound& shape) {
  Resolve(picture, settings, shape);
}

void RunSmoothSynthesis(const TBitmap& picture, const TSynthesisSettings& settings, const TShapedSound& shape,
                        const std::string& outputPath, TProgressSink& progress) {
  // A shape that cannot be made is refused before the file is touched. After that, as in the
  // literal synthesis, the samples go to a temporary file that replaces the target only when
  // complete.
  const TResolvedShape resolved = Resolve(picture, settings, shape);
  TSafeFileStream file(outputPath);
  const auto samples = static_cast<std::size_t>(resolved.Samples);
  WriteHeader(file, static_cast<std::uint32_t>(samples * 2), shape.RateHz);

  const int width = picture.Width();
  progress.SetMax(HasPixels(picture) ? width - 1 : 0);
  if (samples > 0) {
    TPixelBitmap working;
    const TBitmap* source = &picture;
    if (!TColumnReader::CanRead(picture)) {
      working.Assign(picture);
      source = &working;
    }
    TColumnReader reader(*source, settings.MirrorX, settings.MirrorY);
    const TSmoothRows rows(picture.Height(), resolved.Band, settings.LogFrequency, shape.RateHz);
    // The whole sound is held once, as floats, so that it can be scaled to its own peak.
    const auto sound = std::make_unique_for_overwrite<float[]>(samples);
    const std::span<float> out(sound.get(), samples);
    const float peak = SynthesizeSmooth(reader, SmoothAmplitudes(settings), rows, width, out, progress);
    WriteScaled(file, out, peak > 0 ? kPeakLevel / peak : 0.0);
  }
  progress.SetPosition(0);
  file.Commit();
}

}  // namespace ombrisk
