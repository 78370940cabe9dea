// Shaped sound: the picture as a sound of a chosen length, band and rate, with smooth joins.
//
//   TShapedSound shape;  shape.Seconds = 5;  shape.LowHz = 100;  shape.HighHz = 8000;
//   CheckShapedSound(picture, settings, shape);                 // EShapedSoundError on a bad value
//   RunSmoothSynthesis(picture, settings, shape, "/tmp/out.wav", progress);
//
// Units: seconds, hertz, samples per second. The data holds round(Seconds × RateHz) 16-bit mono
// samples (stereo: frames of a left and a right sample); the columns share them evenly.
#pragma once
#include <cstdint>
#include <string>
#include "synthesis/synthesis_run.h"   // TSynthesisSettings
#include "toolkit/bitmap.h"
#include "toolkit/exception.h"
#include "toolkit/progress.h"

namespace ombrisk {

inline constexpr std::uint64_t kDefaultNoiseSeed = 1;

struct TShapedSound {
  double Seconds = 0;          // total length; 0: the as-drawn length (AsDrawnSeconds)
  double LowHz = -1;           // both negative: the as-drawn band (AsDrawnBand)
  double HighHz = -1;
  std::int32_t RateHz = 44100; // 44100, 48000 or 96000
  // Two channels from the picture's colours: red sets the left level, green the right, light is
  // loud whatever Invert says; both scaled by one factor, so the balance between them is kept.
  bool Stereo = false;
  bool Noise = false;          // every row a band of noise (TNoiseRows) instead of a tone
  std::uint64_t NoiseSeed = kDefaultNoiseSeed;
};

struct TFrequencyBand { double LowHz; double HighHz; };

class EShapedSoundError : public Exception { using Exception::Exception; };

// W × N / 44100 seconds: the length the literal synthesis gives this picture.
double AsDrawnSeconds(const TBitmap& picture);
// The rows' span in the literal synthesis: linear 0 … (H−1)·44100/N, logarithmic its one decade.
TFrequencyBand AsDrawnBand(const TBitmap& picture, bool logFrequency);

// Raises EShapedSoundError (an Exception, message naming the bad value, in English) for a shape
// that cannot be made for this picture: zero/negative/non-finite length, low ≥ high, high above
// half the rate, low ≤ 0 with logarithmic frequency, unsupported rate, data past the 4 GiB header
// limit, fewer samples than columns.
void CheckShapedSound(const TBitmap& picture, const TSynthesisSettings& settings, const TShapedSound& shape);

// The smooth synthesis into outputPath (safe output, as RunSynthesis); progress counts columns.
// With Stereo the picture is the colour picture as loaded (LoadColourPicture), not the grey one.
void RunSmoothSynthesis(const TBitmap& picture, const TSynthesisSettings& settings, const TShapedSound& shape,
                        const std::string& outputPath, TProgressSink& progress);

}  // namespace ombrisk
