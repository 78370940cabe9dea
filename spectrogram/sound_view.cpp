#include "spectrogram/sound_view.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "spectrogram/window_functions.h"

namespace ombrisk {

namespace {

// The narrowest band a zoom goes to: a few hertz, or on a logarithmic axis a ratio just above 1.
constexpr double kNarrowestBandHz = 4.0;
constexpr double kNarrowestBandRatio = 1.01;

std::string Number(double value) {
  char text[48];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

double Nyquist(const TRecordingInfo& info) { return info.SampleRateHz / 2.0; }

// The band's position on its scale: hertz, or log10 of hertz.
double Scaled(const TSoundView& view, double hz) { return view.LogFrequency ? std::log10(hz) : hz; }
double Unscaled(const TSoundView& view, double value) { return view.LogFrequency ? std::pow(10.0, value) : value; }

// lo … hi of span (at most the whole limit's length) moved to lie within limitLo … limitHi.
void HoldWithin(double& lo, double& hi, double limitLo, double limitHi) {
  const double span = std::min(hi - lo, limitHi - limitLo);
  if (lo < limitLo) lo = limitLo;
  if (lo + span > limitHi) lo = limitHi - span;
  hi = lo + span;
}

// The band with its edges on the scale held within what the file has.
void SetBand(TSoundView& view, double lo, double hi, const TRecordingInfo& info) {
  // A logarithmic axis goes down to kLogFloorHz, or to a lower bottom the view was given.
  const double bottomHz = view.LowHz > 0 ? std::min(kLogFloorHz, view.LowHz) : kLogFloorHz;
  const double floor = view.LogFrequency ? std::log10(bottomHz) : 0.0;
  const double top = Scaled(view, Nyquist(info));
  const double narrowest = view.LogFrequency ? std::log10(kNarrowestBandRatio) : kNarrowestBandHz;
  if (hi - lo < narrowest) {
    const double middle = (lo + hi) / 2;
    lo = middle - narrowest / 2;
    hi = middle + narrowest / 2;
  }
  HoldWithin(lo, hi, floor, top);
  view.LowHz = std::max(0.0, Unscaled(view, lo));
  view.HighHz = std::min(Nyquist(info), Unscaled(view, hi));
}

void SetSpan(TSoundView& view, double from, double to, const TRecordingInfo& info) {
  const double length = SoundSeconds(info);
  // One sample per column at the closest.
  const double narrowest = std::min(length, static_cast<double>(view.Width) / info.SampleRateHz);
  if (to - from < narrowest) {
    const double middle = (from + to) / 2;
    from = middle - narrowest / 2;
    to = middle + narrowest / 2;
  }
  HoldWithin(from, to, 0.0, length);
  view.FromSeconds = std::max(0.0, from);
  view.ToSeconds = std::min(length, to);
}

}  // namespace

double SoundSeconds(const TRecordingInfo& info) {
  if (info.SampleRateHz <= 0) return 0;
  return static_cast<double>(info.Frames) / info.SampleRateHz;
}

TSoundView WholeSoundView(const TRecordingInfo& info, int width, int height) {
  TSoundView view;
  view.FromSeconds = 0;
  view.ToSeconds = SoundSeconds(info);
  view.LowHz = 0;
  view.HighHz = Nyquist(info);
  view.Width = width;
  view.Height = height;
  return view;
}

void ValidateSoundView(const TSoundView& view, const TRecordingInfo& info) {
  const double length = SoundSeconds(info);
  // A hair of slack, as seconds typed or worked out from frames rarely match exactly.
  const double slack = 0.5 / std::max(info.SampleRateHz, 1);
  if (!(view.Width >= 1 && view.Width <= kLargestViewSide)) {
    throw EViewError("Width", "a plot width of " + std::to_string(view.Width) + " pixels is not 1 to " +
                                  std::to_string(kLargestViewSide));
  }
  if (!(view.Height >= 1 && view.Height <= kLargestViewSide)) {
    throw EViewError("Height", "a plot height of " + std::to_string(view.Height) + " pixels is not 1 to " +
                                   std::to_string(kLargestViewSide));
  }
  if (std::int64_t{view.Width} * view.Height > kLargestViewPixels) {
    throw EViewError("Height", "a plot of " + std::to_string(view.Width) + " × " + std::to_string(view.Height) +
                                   " pixels is more than " + std::to_string(kLargestViewPixels) + " pixels");
  }
  if (!(view.FromSeconds >= 0 && view.FromSeconds < length)) {
    throw EViewError("FromSeconds", "a start at " + Number(view.FromSeconds) + " s is not within the sound's " +
                                        Number(length) + " s");
  }
  if (!(view.ToSeconds > view.FromSeconds)) {
    throw EViewError("ToSeconds", "an end at " + Number(view.ToSeconds) + " s is not after the start at " +
                                      Number(view.FromSeconds) + " s");
  }
  if (!(view.ToSeconds <= length + slack)) {
    throw EViewError("ToSeconds", "an end at " + Number(view.ToSeconds) + " s is beyond the sound's " +
                                      Number(length) + " s");
  }
  if (!(view.HighHz > 0 && view.HighHz <= Nyquist(info) * (1 + 1e-12))) {
    throw EViewError("HighHz", "a top of " + Number(view.HighHz) + " Hz is not within 0 to half the rate, " +
                                   Number(Nyquist(info)) + " Hz");
  }
  if (!(view.LowHz >= 0 && view.LowHz < view.HighHz)) {
    throw EViewError("LowHz", "a bottom of " + Number(view.LowHz) + " Hz is not from 0 to below the top, " +
                                  Number(view.HighHz) + " Hz");
  }
  if (view.LogFrequency && !(view.LowHz > 0)) {
    throw EViewError("LogFrequency", "a logarithmic frequency axis cannot reach down to 0 Hz");
  }
  if (!(view.RangeDb > 0 && view.RangeDb <= 1000)) {
    throw EViewError("RangeDb", "a range of " + Number(view.RangeDb) + " dB is not above 0 and at most 1000");
  }
  if (view.Channel < 0 || view.Channel > info.Channels) {
    throw EViewError("Channel", "channel " + std::to_string(view.Channel) + " is not one of 0 (the mix) to " +
                                    std::to_string(info.Channels));
  }
  const std::int32_t n = view.FrameSamples;
  if (n != 0 && (n < kSmallestViewFrame || n > kLargestViewFrame || (n & (n - 1)) != 0)) {
    throw EViewError("FrameSamples", "a frame of " + std::to_string(n) + " samples is not a power of two from " +
                                         std::to_string(kSmallestViewFrame) + " to " +
                                         std::to_string(kLargestViewFrame));
  }
  if (view.WindowIndex < 0 || view.WindowIndex >= kWindowFunctionCount) {
    throw EViewError("WindowIndex", "window " + std::to_string(view.WindowIndex) + " is not one of the list");
  }
}

TSoundView ZoomTime(const TSoundView& view, double factor, double aboutPixelX, const TRecordingInfo& info) {
  if (!(factor > 0) || !std::isfinite(factor)) return view;
  const double about = SecondsAtColumn(view, aboutPixelX);
  const double share = std::clamp(aboutPixelX / view.Width, 0.0, 1.0);
  const double span = (view.ToSeconds - view.FromSeconds) / factor;
  TSoundView zoomed = view;
  SetSpan(zoomed, about - share * span, about + (1 - share) * span, info);
  return zoomed;
}

TSoundView ZoomFrequency(const TSoundView& view, double factor, double aboutPixelY, const TRecordingInfo& info) {
  if (!(factor > 0) || !std::isfinite(factor)) return view;
  const double about = Scaled(view, HzAtRow(view, aboutPixelY));
  const double share = std::clamp(aboutPixelY / view.Height, 0.0, 1.0);  // of the band, from the top
  const double span = (Scaled(view, view.HighHz) - Scaled(view, view.LowHz)) / factor;
  TSoundView zoomed = view;
  SetBand(zoomed, about - (1 - share) * span, about + share * span, info);
  return zoomed;
}

TSoundView PanView(const TSoundView& view, double dxPixels, double dyPixels, const TRecordingInfo& info) {
  TSoundView moved = view;
  const double dt = dxPixels * (view.ToSeconds - view.FromSeconds) / view.Width;
  SetSpan(moved, view.FromSeconds - dt, view.ToSeconds - dt, info);
  const double lo = Scaled(view, view.LowHz);
  const double hi = Scaled(view, view.HighHz);
  const double df = dyPixels * (hi - lo) / view.Height;
  if (df != 0) SetBand(moved, lo + df, hi + df, info);
  return moved;
}

TSoundView WithLogFrequency(const TSoundView& view, bool logFrequency, const TRecordingInfo& info) {
  TSoundView changed = view;
  changed.LogFrequency = logFrequency;
  if (logFrequency && !(changed.LowHz > 0)) {
    changed.LowHz = std::min(kLogFloorHz, changed.HighHz / 2);
  }
  (void)info;
  return changed;
}

double SecondsAtColumn(const TSoundView& view, double x) {
  return view.FromSeconds + x * (view.ToSeconds - view.FromSeconds) / view.Width;
}

double ColumnOfSeconds(const TSoundView& view, double seconds) {
  return (seconds - view.FromSeconds) * view.Width / (view.ToSeconds - view.FromSeconds);
}

double HzAtRow(const TSoundView& view, double y) {
  const double lo = Scaled(view, view.LowHz);
  const double hi = Scaled(view, view.HighHz);
  return Unscaled(view, hi - y * (hi - lo) / view.Height);
}

double RowOfHz(const TSoundView& view, double hz) {
  const double lo = Scaled(view, view.LowHz);
  const double hi = Scaled(view, view.HighHz);
  return (hi - Scaled(view, hz)) * view.Height / (hi - lo);
}

std::int32_t ChosenFrameSamples(const TSoundView& view, std::int32_t sampleRateHz) {
  if (view.FrameSamples != 0) return view.FrameSamples;
  const double secondsPerColumn = (view.ToSeconds - view.FromSeconds) / view.Width;
  // Hertz per row where the band is densest: its bottom on a logarithmic axis would ask for
  // frames far longer than the rest of the band needs, so take the band's middle.
  const double hzPerRow = std::abs(HzAtRow(view, view.Height / 2.0) - HzAtRow(view, view.Height / 2.0 + 1.0));
  double seconds = std::sqrt(2.0 * secondsPerColumn / std::max(hzPerRow, 1e-9));
  if (!std::isfinite(seconds)) seconds = 0;
  const double samples = seconds * sampleRateHz;
  std::int32_t n = kSmallestViewFrame;
  // The nearest power of two on a log scale.
  while (n < kLargestViewFrame && samples > n * std::sqrt(2.0)) n *= 2;
  return n;
}

}  // namespace ombrisk
