// The editable spectrogram's scale and framing, shared by its analysis and its resynthesis: Hann
// frames of Size samples centred on every Hop-th sample, one column each, Size/2 + 1 rows (the top
// row half the rate, the bottom row 0 Hz), 16-bit levels where 0 is a full-scale sine (0 dBFS)
// and 65535 is −RangeDb or quieter, linear in decibels between.
//
//   const std::string text = FormatEditableParameters(p);        // the PNG's "Comment" text
//   const TParsedEditableParameters got = ParseEditableParameters(text);
//   const double magnitude = MagnitudeOfLevel(level, p);         // 0 exactly for 65535
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "toolkit/exception.h"

namespace ombrisk {

class EEditableParameterError : public Exception { using Exception::Exception; };

inline constexpr std::int32_t kSmallestEditableSize = 64;
inline constexpr std::int32_t kLargestEditableSize = 16384;
inline constexpr std::int32_t kLargestEditableRateHz = 768000;
inline constexpr std::uint16_t kSilentLevel = 65535;
inline constexpr const char* kEditableWindow = "hann";

struct TEditableParameters {
  std::int32_t RateHz = 44100;
  std::int32_t Size = 2048;
  std::int32_t Hop = 512;
  double RangeDb = 120.0;
  std::int64_t Samples = 0;
};

// 2048 at 44.1 and 48 kHz; elsewhere the power of two nearest to the same duration (46 ms), so
// the frequency resolution stays the same (within 256 … 16384).
std::int32_t DefaultEditableSize(std::int32_t rateHz);

// Raises EEditableParameterError naming the first value out of range: rate 1 … 768000 Hz, size a
// power of two 64 … 16384, hop 1 … size, range 1 … 400 dB, samples 1 … 2^40.
void ValidateEditableParameters(const TEditableParameters& p);

// "Ombrisk editable spectrogram: rate=44100 size=2048 hop=512 window=hann range=120 samples=N".
std::string FormatEditableParameters(const TEditableParameters& p);

// The values found as NAME=VALUE words anywhere in text; a word that does not parse counts as
// missing. Window must be hann when present.
struct TParsedEditableParameters {
  std::optional<std::int32_t> RateHz, Size, Hop;
  std::optional<double> RangeDb;
  std::optional<std::int64_t> Samples;
  std::optional<std::string> Window;
};
TParsedEditableParameters ParseEditableParameters(const std::string& text);

// Columns for a sound of the parameters' length: one frame centred on every hop-th sample.
std::int64_t EditableColumns(const TEditableParameters& p);

// The periodic Hann window of size samples (sums to size/2, overlap-adds flat at hop size/4).
std::vector<double> HannWindow(std::int32_t size);

// A full-scale sine's magnitude in its bin: the window's sum over two.
double FullScaleEditableMagnitude(std::int32_t size);

std::uint16_t LevelOfMagnitude(double magnitude, double fullScale, double rangeDb);
double MagnitudeOfLevel(std::uint16_t level, double fullScale, double rangeDb);

}  // namespace ombrisk
