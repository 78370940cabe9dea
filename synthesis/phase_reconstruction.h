// A sound from the magnitudes of its editable spectrogram: phases by phase-gradient heap
// integration (Průša et al.), then a fast Griffin-Lim with momentum (Perraudin et al.).
//
//   const TMagnitudes m = MagnitudesOfLevels(levels, columns, parameters);   // 0 where white
//   const std::vector<double> sound = ReconstructSound(m, parameters, {});   // p.Samples, ±1 full scale
//
// Memory: the magnitudes and two spectra, linear in the length. With a second processor the
// transforms are shared between two threads; the sound is the same bit for bit with one.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "signal/editable_parameters.h"
#include "toolkit/second_thread.h"

namespace ombrisk {

struct TMagnitudes {
  std::int64_t Columns = 0;
  std::int32_t Bins = 0;
  // Column after column, bins 0 … size/2 within each.
  std::vector<float> Values;
};

// levels: (size/2 + 1) × columns, row after row from the top, as the picture holds them.
TMagnitudes MagnitudesOfLevels(std::span<const std::uint16_t> levels, std::int64_t columns,
                               const TEditableParameters& p);

enum class TStartPhase { HeapIntegration, Random };

struct TReconstructionSettings {
  // Chosen by measurement on speech and recorded sounds (bench/resynthesis/): 32 brings a camera
  // shutter's clicks within −25 dB of spectral convergence and speech to −30 … −36 dB in about a
  // sixth of numpy Griffin-Lim's time; each further doubling buys 2 to 3 dB for twice the time.
  int Iterations = 32;
  double Momentum = 0.99;
  TStartPhase Start = TStartPhase::HeapIntegration;
};

// The sound of p.Samples samples. Bins of magnitude 0 stay out of every frame: where a whole
// stretch of columns is white the sound is exactly 0.
std::vector<double> ReconstructSound(const TMagnitudes& magnitudes, const TEditableParameters& p,
                                     const TReconstructionSettings& settings,
                                     const TThreadStarter& startThread = StartThread);

}  // namespace ombrisk
