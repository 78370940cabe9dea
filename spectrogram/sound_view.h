// TSoundView: what a viewer shows of a sound file — a time span, a frequency band, a scale and a
// plot size — as a small value. Zooming and panning make a new view; nothing here touches the
// file, so a window and the CLI drive the same functions.
//
//   TSoundView view = WholeSoundView(info, 1200, 600);          // all of it, 0 Hz to rate/2
//   view = ZoomTime(view, 2.0, pointerX, info);                  // twice as close about the pointer
//   ValidateSoundView(view, info);                               // EViewError naming the field
//
// Times in seconds from the file's start, frequencies in hertz, pixels of the plot area: column 0
// is FromSeconds, column Width the end; row 0 the top (HighHz), row Height the bottom (LowHz).
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "recording/recording_reader.h"
#include "toolkit/exception.h"

namespace ombrisk {

struct TSoundView {
  double FromSeconds = 0;
  double ToSeconds = 1;
  double LowHz = 0;
  double HighHz = 22050;
  bool LogFrequency = false;
  double RangeDb = 120;       // the plot shows 0 … −RangeDb dBFS
  std::int32_t Channel = 0;   // 0 the mix, 1 … the file's channels
  int Width = 1200;           // the plot area, pixels
  int Height = 600;
  std::int32_t FrameSamples = 0;  // 0: chosen for the view (ChosenFrameSamples)
  int WindowIndex = 0;        // into kWindowFunctionNames; 0 Hanning
  bool operator==(const TSoundView&) const = default;
};

// A view that makes no sense for the file. Field() is the member at fault ("FromSeconds",
// "ToSeconds", "LowHz", "HighHz", "LogFrequency", "RangeDb", "Channel", "Width", "Height",
// "FrameSamples", "WindowIndex"), so a front end can name its own control or option.
class EViewError : public Exception {
public:
  EViewError(std::string field, const std::string& message) : Exception(message), m_field(std::move(field)) {}
  const std::string& Field() const { return m_field; }

private:
  std::string m_field;
};

inline constexpr std::int32_t kSmallestViewFrame = 64;
inline constexpr std::int32_t kLargestViewFrame = 65536;
inline constexpr int kLargestViewSide = 16384;
// Width × Height at most: the levels (4 bytes a pixel) and the picture stay within a few hundred MB.
inline constexpr std::int64_t kLargestViewPixels = std::int64_t{1} << 25;
// Where a logarithmic axis starts when the view's band reaches down to 0 Hz.
inline constexpr double kLogFloorHz = 20.0;

// The file's length in seconds (Frames ÷ rate).
double SoundSeconds(const TRecordingInfo& info);

// The whole file, 0 Hz to half its rate, linear, the mix, over width × height pixels.
TSoundView WholeSoundView(const TRecordingInfo& info, int width, int height);

// Raises EViewError unless 0 ≤ From < To ≤ the file's length, 0 ≤ Low < High ≤ rate/2 (Low > 0 on
// a logarithmic axis), Range > 0, Channel 0 … Channels, Width and Height 1 … kLargestViewSide
// (Height the field named where together they exceed kLargestViewPixels),
// FrameSamples 0 or a power of two within kSmallestViewFrame … kLargestViewFrame and the window
// one of the list.
void ValidateSoundView(const TSoundView& view, const TRecordingInfo& info);

// factor > 1 zooms in (the span shrinks by it), < 1 out; the time under column aboutPixelX stays
// there where the file's ends allow. The span stays within one sample per column … the whole file.
TSoundView ZoomTime(const TSoundView& view, double factor, double aboutPixelX, const TRecordingInfo& info);
// The same for the band about row aboutPixelY, on the view's own (linear or logarithmic) scale.
TSoundView ZoomFrequency(const TSoundView& view, double factor, double aboutPixelY, const TRecordingInfo& info);
// Moves what the plot shows by dx, dy pixels, as dragging it does: dx > 0 brings earlier times into
// view, dy > 0 higher frequencies. Held within the file and 0 … rate/2, the spans kept.
TSoundView PanView(const TSoundView& view, double dxPixels, double dyPixels, const TRecordingInfo& info);
// The same band on the other scale; a band from 0 Hz starts at kLogFloorHz on the logarithmic one.
TSoundView WithLogFrequency(const TSoundView& view, bool logFrequency, const TRecordingInfo& info);

// The time at plot column x (0 … Width, fractional) and back.
double SecondsAtColumn(const TSoundView& view, double x);
double ColumnOfSeconds(const TSoundView& view, double seconds);
// The frequency at plot row y (0 the top edge, Height the bottom edge) and back.
double HzAtRow(const TSoundView& view, double y);
double RowOfHz(const TSoundView& view, double hz);

// The frame the view is computed with: FrameSamples when set, else the power of two that smears a
// tone over as many columns as rows (frame T ≈ √(2 × seconds per column ÷ hertz per row)).
std::int32_t ChosenFrameSamples(const TSoundView& view, std::int32_t sampleRateHz);

}  // namespace ombrisk
