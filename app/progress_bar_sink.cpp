#include "app/progress_bar_sink.h"

#include <QProgressBar>
#include <algorithm>

namespace ombrisk {

void TProgressBarSink::SetMax(int maximum) {
  m_bar.setRange(0, std::max(maximum, 1));
  m_bar.repaint();
}

void TProgressBarSink::SetPosition(int position) {
  const int clamped = std::clamp(position, m_bar.minimum(), m_bar.maximum());
  if (clamped == m_bar.value()) return;
  m_bar.setValue(clamped);
  m_bar.repaint();
}

}  // namespace ombrisk
