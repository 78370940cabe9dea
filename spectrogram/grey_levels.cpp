#include "spectrogram/grey_levels.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "toolkit/pixel_bitmap.h"

namespace ombrisk {

namespace {

// A part in 10^9: far beyond the few parts in 10^16 by which a magnitude worked in double can
// stray from the long-double one, so every decided level is the level the formula gives.
constexpr double kMargin = 1e-9;
constexpr int kCellsPerOctave = 16;

// Rounds half to even, first bounding the level so that no huge or infinite value is converted:
// everything at or beyond these bounds clamps to the same byte anyway.
std::int32_t RoundedLevel(long double level) {
  return static_cast<std::int32_t>(std::llrint(std::clamp(level, -1.0L, 256.0L)));
}

// The binary exponent of a positive finite double, as its bits hold it.
int ExponentOf(double value) { return static_cast<int>((std::bit_cast<std::uint64_t>(value) >> 52) & 0x7FF) - 1023; }

int CellOf(double value, int firstExponent) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
  const int mantissaCell = static_cast<int>((bits >> (52 - 4)) & (kCellsPerOctave - 1));
  return (ExponentOf(value) - firstExponent) * kCellsPerOctave + mantissaCell;
}

bool Near(double value, double boundary) { return std::abs(value - boundary) <= boundary * kMargin; }

}  // namespace

int SpectrogramLevel(double magnitude, bool logVoltage) {
  if (!logVoltage) return ClampByte(RoundedLevel(magnitude));
  if (!(magnitude > 0.0)) return 0;
  return ClampByte(RoundedLevel(20.0L * std::log10(static_cast<long double>(magnitude) / 4.0L)));
}

std::uint8_t SpectrogramGrey(double magnitude, bool logVoltage, bool invert) {
  const int grey = 255 - SpectrogramLevel(magnitude, logVoltage);
  return static_cast<std::uint8_t>(invert ? 255 - grey : grey);
}

TDecibelLevels::TDecibelLevels() {
  m_thresholds[0] = 0.0;
  for (int level = 1; level <= 255; ++level) {
    m_thresholds[static_cast<std::size_t>(level)] =
        static_cast<double>(4.0L * std::pow(10.0L, (static_cast<long double>(level) - 0.5L) / 20.0L));
  }
  m_thresholds[256] = HUGE_VAL;
  m_firstExponent = ExponentOf(m_thresholds[1]);
  const int lastExponent = ExponentOf(m_thresholds[255]);
  m_cellLevel.resize(static_cast<std::size_t>((lastExponent - m_firstExponent + 1) * kCellsPerOctave));
  int level = 0;
  for (std::size_t cell = 0; cell < m_cellLevel.size(); ++cell) {
    // The cell's lowest magnitude: its exponent with the top four mantissa bits of its index.
    const int exponent = m_firstExponent + static_cast<int>(cell) / kCellsPerOctave;
    const double start = std::ldexp(1.0 + static_cast<double>(cell % kCellsPerOctave) / kCellsPerOctave, exponent);
    while (level < 255 && m_thresholds[static_cast<std::size_t>(level + 1)] <= start) ++level;
    m_cellLevel[cell] = static_cast<std::uint8_t>(level);
  }
}

const TDecibelLevels& SharedDecibelLevels() {
  static const TDecibelLevels levels;
  return levels;
}

int TDecibelLevels::FastLevel(double magnitude) const {
  if (magnitude < m_thresholds[1] * (1.0 - kMargin)) {
    // Zero stays zero however it is worked out; a tiny but non-zero value might not.
    return magnitude == 0.0 || magnitude > 1e-100 ? 0 : -1;
  }
  if (magnitude >= m_thresholds[255] * (1.0 + kMargin)) return 255;
  if (Near(magnitude, m_thresholds[1]) || Near(magnitude, m_thresholds[255])) return -1;
  const int cell = CellOf(magnitude, m_firstExponent);
  int level = m_cellLevel[static_cast<std::size_t>(cell)];
  if (magnitude >= m_thresholds[static_cast<std::size_t>(level + 1)]) ++level;
  if (Near(magnitude, m_thresholds[static_cast<std::size_t>(level)]) ||
      Near(magnitude, m_thresholds[static_cast<std::size_t>(level + 1)])) {
    return -1;
  }
  return level;
}

}  // namespace ombrisk
