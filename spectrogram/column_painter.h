// TColumnPainter: draws the transformed blocks of an analysis into the picture on a second
// thread, so that the caller's thread does only the reading and the transforms. Magnitudes,
// greys and the copying into the picture then cost little more than the second processor's time.
//
//   TColumnPainter painter(settings, picture);
//   for each block that shows: block.Load(bytes); block.Transform(); painter.Paint(block, x);
//   painter.Finish();   // every column is in the picture after this
//
// Paint takes the block's transform and gives it an unused buffer in exchange. The picture must
// not be touched until Finish returns; an error while drawing is raised by Paint or Finish. If
// Finish is not reached (an error on the caller's side), the destructor stops the drawing. With one
// usable processor, or when no second thread can be started, Paint draws on the caller's thread.
#pragma once

#include <memory>

#include "spectrogram/spectrogram_analysis.h"
#include "spectrogram/spectrogram_block.h"
#include "toolkit/second_thread.h"

namespace ombrisk {

class TColumnPainter {
public:
  TColumnPainter(const TSpectrogramSettings& settings, TPixelBitmap& picture,
                 const TThreadStarter& startThread = StartThread);
  TColumnPainter(const TColumnPainter&) = delete;
  TColumnPainter& operator=(const TColumnPainter&) = delete;
  ~TColumnPainter();

  void Paint(TSpectrogramBlock& block, int x);
  void Finish();

private:
  struct State;
  std::unique_ptr<State> m_state;
};

}  // namespace ombrisk
