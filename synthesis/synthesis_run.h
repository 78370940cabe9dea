// The synthesis run: the display picture in, a wave file out. Every picture column becomes one
// block of N = 2 × (the smallest power of two ≥ H) samples made by one inverse transform.
//
//   TSynthesisSettings s;  s.Invert = true;
//   RunSynthesis(displayPicture, s, "/tmp/out.wav", progress);
#pragma once

#include <string>

#include "toolkit/bitmap.h"
#include "toolkit/progress.h"

namespace ombrisk {

struct TSynthesisSettings {
  bool Invert = true;          // "Invert &Luminance"
  bool MirrorX = false;        // "Mirror &X"
  bool MirrorY = false;        // "Mirror &Y"
  bool LogFrequency = false;   // "X (Frequency)" item 1
  bool LogAmplitude = false;   // "Y (Amplitude)" item 1
};

// Raises the file-creation error before anything else when outputPath cannot be created.
void RunSynthesis(const TBitmap& picture, const TSynthesisSettings& settings, const std::string& outputPath,
                  TProgressSink& progress);

}  // namespace ombrisk
