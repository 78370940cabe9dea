// The progress sink of a window: drives a QProgressBar and repaints it at once, without letting any
// other event through, since a run blocks the one thread until it ends.
//
//   TProgressBarSink sink(*progressBar);  RunSynthesis(picture, settings, path, sink);
#pragma once

#include "toolkit/progress.h"

class QProgressBar;

namespace ombrisk {

class TProgressBarSink : public TProgressSink {
public:
  explicit TProgressBarSink(QProgressBar& bar) : m_bar(bar) {}
  // A maximum below 1 still shows an empty bar: Qt would turn a 0..0 range into a busy animation.
  void SetMax(int maximum) override;
  // Positions outside the range are clamped to it (Qt would ignore them).
  void SetPosition(int position) override;

private:
  QProgressBar& m_bar;
};

}  // namespace ombrisk
