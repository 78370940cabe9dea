#include "signal/editable_parameters.h"

#include <charconv>
#include <cmath>
#include <sstream>

namespace ombrisk {

namespace {

constexpr std::int64_t kLargestSamples = std::int64_t{1} << 40;

bool PowerOfTwo(std::int64_t n) { return n > 0 && (n & (n - 1)) == 0; }

template <typename T>
std::optional<T> Number(const std::string& word) {
  T value{};
  const char* const end = word.data() + word.size();
  const auto [at, error] = std::from_chars(word.data(), end, value);
  if (error != std::errc{} || at != end) return std::nullopt;
  return value;
}

std::string Decimal(double value) {
  std::ostringstream out;
  out.precision(17);
  out << value;
  return out.str();
}

}  // namespace

std::int32_t DefaultEditableSize(std::int32_t rateHz) {
  if (rateHz == 44100 || rateHz == 48000) return 2048;
  const long double wanted = 2048.0L * static_cast<long double>(rateHz) / 44100.0L;
  std::int32_t size = 256;
  while (size < 16384 && std::fabs(std::log2(static_cast<long double>(size) * 2) - std::log2(wanted)) <
                             std::fabs(std::log2(static_cast<long double>(size)) - std::log2(wanted))) {
    size *= 2;
  }
  return size;
}

void ValidateEditableParameters(const TEditableParameters& p) {
  if (p.RateHz < 1 || p.RateHz > kLargestEditableRateHz) {
    throw EEditableParameterError("rate " + std::to_string(p.RateHz) + " Hz is not within 1 … 768000");
  }
  if (!PowerOfTwo(p.Size) || p.Size < kSmallestEditableSize || p.Size > kLargestEditableSize) {
    throw EEditableParameterError("size " + std::to_string(p.Size) + " is not a power of two within 64 … 16384");
  }
  if (p.Hop < 1 || p.Hop > p.Size) {
    throw EEditableParameterError("hop " + std::to_string(p.Hop) + " is not within 1 … the size " +
                                  std::to_string(p.Size));
  }
  if (!(p.RangeDb >= 1.0 && p.RangeDb <= 400.0)) {
    throw EEditableParameterError("range " + Decimal(p.RangeDb) + " dB is not within 1 … 400");
  }
  if (p.Samples < 1 || p.Samples > kLargestSamples) {
    throw EEditableParameterError("sample count " + std::to_string(p.Samples) + " is not within 1 … 2^40");
  }
}

std::string FormatEditableParameters(const TEditableParameters& p) {
  return "Ombrisk editable spectrogram: rate=" + std::to_string(p.RateHz) + " size=" + std::to_string(p.Size) +
         " hop=" + std::to_string(p.Hop) + " window=" + kEditableWindow + " range=" + Decimal(p.RangeDb) +
         " samples=" + std::to_string(p.Samples);
}

TParsedEditableParameters ParseEditableParameters(const std::string& text) {
  TParsedEditableParameters parsed;
  std::istringstream words(text);
  std::string word;
  while (words >> word) {
    const std::size_t equals = word.find('=');
    if (equals == std::string::npos) continue;
    const std::string name = word.substr(0, equals);
    const std::string value = word.substr(equals + 1);
    if (name == "rate") parsed.RateHz = Number<std::int32_t>(value);
    if (name == "size") parsed.Size = Number<std::int32_t>(value);
    if (name == "hop") parsed.Hop = Number<std::int32_t>(value);
    if (name == "range") parsed.RangeDb = Number<double>(value);
    if (name == "samples") parsed.Samples = Number<std::int64_t>(value);
    if (name == "window") parsed.Window = value;
  }
  return parsed;
}

std::int64_t EditableColumns(const TEditableParameters& p) { return p.Samples / p.Hop + 1; }

std::vector<double> HannWindow(std::int32_t size) {
  std::vector<double> window(static_cast<std::size_t>(size));
  const long double step = 2.0L * 3.14159265358979323846264338327950288L / static_cast<long double>(size);
  for (std::int32_t j = 0; j < size; ++j) {
    window[static_cast<std::size_t>(j)] = static_cast<double>(0.5L - 0.5L * std::cos(step * static_cast<long double>(j)));
  }
  return window;
}

double FullScaleEditableMagnitude(std::int32_t size) { return static_cast<double>(size) / 4.0; }

std::uint16_t LevelOfMagnitude(double magnitude, double fullScale, double rangeDb) {
  if (!(magnitude > 0.0)) return kSilentLevel;
  const double db = 20.0 * std::log10(magnitude / fullScale);
  const double share = std::fmin(std::fmax(-db / rangeDb, 0.0), 1.0);
  return static_cast<std::uint16_t>(std::llrint(share * 65535.0));
}

double MagnitudeOfLevel(std::uint16_t level, double fullScale, double rangeDb) {
  if (level >= kSilentLevel) return 0.0;
  return fullScale * std::pow(10.0, -static_cast<double>(level) / 65535.0 * rangeDb / 20.0);
}

}  // namespace ombrisk
