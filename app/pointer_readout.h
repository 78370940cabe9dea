// TPointerReadout: the label in the preview window's bottom panel that tells what the spectrogram
// shows under the mouse pointer, "1:02.35 · 5.62 kHz · −32 dB", at the picture's own size,
// stretched and scrolled alike; empty while the pointer is off the picture. The arithmetic is
// spectrogram/pointer_readout.h; this only watches the picture control and writes the label.
//
//   TPointerReadout readout(*image, *panel);
//   panelLayout->addWidget(&readout.Label());
//   readout.SpectrogramShown(scale);   // after each analysis that succeeded
#pragma once

#include <QObject>
#include <optional>

#include "spectrogram/pointer_readout.h"

class QLabel;
class QWidget;

namespace ombrisk {

class TImage;

class TPointerReadout : public QObject {
  Q_OBJECT

public:
  // The label is made a child of labelParent.
  TPointerReadout(TImage& image, QWidget& labelParent);
  ~TPointerReadout() override;

  QLabel& Label() { return *m_label; }
  // The image now shows a spectrogram drawn as scale says.
  void SpectrogramShown(const TReadoutScale& scale);

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void ShowAt(int x, int y);

  TImage& m_image;
  QLabel* m_label = nullptr;
  std::optional<TReadoutScale> m_scale;  // none until a spectrogram is shown
};

}  // namespace ombrisk
