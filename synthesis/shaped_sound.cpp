#include "synthesis/shaped_sound.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <memory>
#include <sstream>
#include <vector>

#include "signal/wave_header.h"
#include "synthesis/column_reader.h"
#include "synthesis/colour_channels.h"
#include "synthesis/noise_rows.h"
#include "synthesis/scaled_samples.h"
#include "synthesis/smooth_columns.h"
#include "synthesis/synthesis_steps.h"
#include "toolkit/pixel_bitmap.h"
#include "toolkit/safe_file_stream.h"

namespace ombrisk {

namespace {

constexpr double kAsDrawnRateHz = 44100.0;
// The loudest sample lands half a decibel below full scale: within 1 dB of it, and never on it.
constexpr double kPeakDecibels = -0.5;

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
  const double frameBytes = shape.Stereo ? 4.0 : 2.0;
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

  // A single row sounds at one frequency, so its band may be a point.
  const bool point = picture.Height() == 1 && band.LowHz == band.HighHz;
  if (band.LowHz >= band.HighHz && !point) {
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
  if (samples * frameBytes > static_cast<double>(kMaxWaveDataBytes)) {
    throw EShapedSoundError("length " + Number(seconds) + " s at " + std::to_string(rate) + " Hz needs " +
                            Number(samples * frameBytes) + " bytes, more than the " + std::to_string(kMaxWaveDataBytes) +
                            " a wave file can hold");
  }
  if (samples < picture.Width()) {
    throw EShapedSoundError("length " + Number(seconds) + " s gives " + Number(samples) + " samples, fewer than the " +
                            std::to_string(picture.Width()) + " columns of the picture");
  }
  return {static_cast<std::int64_t>(samples), band};
}

void WriteHeader(TStream& file, std::uint32_t dataBytes, std::uint16_t channels, std::int32_t rate) {
  const TWaveHeader header = MakeWaveHeader(dataBytes, channels, static_cast<std::uint32_t>(rate));
  std::uint8_t bytes[kWaveHeaderBytes];
  EncodeWaveHeader(header, bytes);
  file.WriteBuffer(bytes, kWaveHeaderBytes);
}

float SynthesizeChannel(const TBitmap& picture, const TSynthesisSettings& settings,
                        const std::array<double, 766>& amplitudes, const TRowPartials& rows, std::span<float> out,
                        TProgressSink& progress) {
  TPixelBitmap working;
  const TBitmap* source = &picture;
  if (!TColumnReader::CanRead(picture)) {
    working.Assign(picture);
    source = &working;
  }
  TColumnReader reader(*source, settings.MirrorX, settings.MirrorY);
  return SynthesizeSmooth(reader, amplitudes, rows, picture.Width(), out, progress);
}

// Positions of the channel made second continue where the first one's end, both shown in one bar.
class THalvedProgress : public TProgressSink {
public:
  THalvedProgress(TProgressSink& target, int columns) : m_target(target), m_columns(columns) {}
  void SetMax(int) override {}
  void SetPosition(int position) override { m_target.SetPosition((m_offset + position) / 2); }
  void NextChannel() { m_offset = m_columns; }

private:
  TProgressSink& m_target;
  int m_columns;
  int m_offset = 0;
};

void WriteStereo(const TBitmap& colours, const TSynthesisSettings& settings, const TRowPartials& rows,
                 std::size_t samples, double level, TStream& file, TProgressSink& progress) {
  TSynthesisSettings loud = settings;
  loud.Invert = false;
  const std::array<double, 766> amplitudes = SmoothAmplitudes(loud);
  const auto left = std::make_unique_for_overwrite<float[]>(samples);
  const auto right = std::make_unique_for_overwrite<float[]>(samples);
  const std::span<float> leftOut(left.get(), samples);
  const std::span<float> rightOut(right.get(), samples);
  THalvedProgress halved(progress, colours.Width());
  TBitmap channel;  // red first, then green in the same memory
  ChannelPicture(colours, TColourChannel::Red, channel);
  const float leftPeak = SynthesizeChannel(channel, loud, amplitudes, rows, leftOut, halved);
  halved.NextChannel();
  ChannelPicture(colours, TColourChannel::Green, channel);
  const float rightPeak = SynthesizeChannel(channel, loud, amplitudes, rows, rightOut, halved);
  const float peak = std::max(leftPeak, rightPeak);
  WriteScaledFrames(file, leftOut, rightOut, peak > 0 ? level / peak : 0.0);
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
  const std::uint16_t channels = shape.Stereo ? 2 : 1;
  WriteHeader(file, static_cast<std::uint32_t>(samples * 2 * channels), channels, shape.RateHz);

  const int width = picture.Width();
  progress.SetMax(HasPixels(picture) ? width - 1 : 0);
  if (samples > 0) {
    std::unique_ptr<const TRowPartials> rows;
    if (shape.Noise) {
      rows = std::make_unique<TNoiseRows>(picture.Height(), resolved.Band, settings.LogFrequency, shape.RateHz,
                                          shape.NoiseSeed);
    } else {
      rows = std::make_unique<TSmoothRows>(picture.Height(), resolved.Band, settings.LogFrequency, shape.RateHz);
    }
    const double level = 32767.0 * std::pow(10.0, kPeakDecibels / 20.0);
    if (shape.Stereo) {
      WriteStereo(picture, settings, *rows, samples, level, file, progress);
    } else {
      // The whole sound is held once, as floats, so that it can be scaled to its own peak.
      const auto sound = std::make_unique_for_overwrite<float[]>(samples);
      const std::span<float> out(sound.get(), samples);
      const float peak = SynthesizeChannel(picture, settings, SmoothAmplitudes(settings), *rows, out, progress);
      WriteScaledSamples(file, out, peak > 0 ? level / peak : 0.0);
    }
  }
  progress.SetPosition(0);
  file.Commit();
}

}  // namespace ombrisk
