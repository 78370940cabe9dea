// TSoundViewWindow: the viewer. Any sound file libsndfile reads, shown whole at first sight,
// fitted to the window, in dBFS and colour with axes, a legend and a read-out under the pointer;
// the wheel zooms time about the pointer (Shift+wheel the band), dragging pans, and the keys do
// the same: + and − zoom time (with Ctrl the band), the arrows pan, Home shows the whole again,
// Space plays what is in view. Each view is shown at once from what the window holds, then from the
// source's summary, and computed again from the sound at the window's size on a worker thread,
// drawn column by column as they come.
// What it paints is DrawViewFigure's picture of the view, as `ombrisk-cli view` writes it.
//
//   TSoundViewWindow viewer(services);
//   viewer.OpenFile("recording.flac");   // a failure goes to the error box; the window keeps its picture
//   viewer.show();
#pragma once

#include <QImage>
#include <QPoint>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/forms.h"
#include "app/view_renderer.h"
#include "figure/colour_maps.h"
#include "figure/view_figure.h"
#include "spectrogram/sound_view.h"
#include "spectrogram/sound_view_source.h"
#include "spectrogram/view_levels.h"

class QCheckBox;
class QPushButton;
class QComboBox;
class QLabel;
class QProgressBar;
class QSpinBox;

namespace ombrisk {

class TAudioSink;
class TFileDropTarget;
class TViewPlayback;
class TViewPlot;

class TSoundViewWindow : public QWidget {
  Q_OBJECT

public:
  // Plays through the system's default sound device.
  explicit TSoundViewWindow(const TUiServices& services);
  TSoundViewWindow(const TUiServices& services, std::unique_ptr<TAudioSink> audioSink);
  ~TSoundViewWindow() override;

  // Shows the whole of path. Returns false, keeping what was shown, when it cannot be opened
  // (the error box has said why).
  bool OpenFile(const std::string& path);
  // Shows the window in front. While a modal window runs (the preview as the main window opens
  // it), the viewer is shown modal over it, so that it takes input.
  void ShowAbove();
  // The file shown; empty before one is.
  std::string Path() const;
  const TSoundView& View() const { return m_view; }
  // What the picture area paints: the figure of the view.
  const QImage& Figure() const;
  // The shown levels are the view's own, computed from the sound (not a first picture).
  bool Exact() const { return m_exact; }
  const TViewPlayback& Playback() const { return *m_playback; }

protected:
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

private:
  void CreateControls();
  void Open(const std::string& path);
  // Shows view at once from what is held, then has it computed.
  void ShowView(TSoundView view);
  // view with its plot made as large as the picture area allows; layout gets its figure's layout.
  TSoundView FittedToArea(TSoundView view, TViewFigureLayout& layout) const;
  void Redraw();
  void ShowReadout();
  void ShowPlayhead();
  void ColumnsRendered(const TViewLevels& columns, int first);
  void RenderDone(TViewLevels levels);
  void FillChannels(std::int32_t channels);
  // "Export for editing...": the shown file's channel as an editable spectrogram PNG.
  void ExportForEditing();
  // Runs a change of the view as a user action: a failure goes to the error box.
  void Change(const std::function<TSoundView(const TSoundView&, const TRecordingInfo&)>& change);

  TUiServices m_services;
  QComboBox* m_channelList = nullptr;
  QCheckBox* m_logFrequencyBox = nullptr;
  QComboBox* m_coloursList = nullptr;
  QSpinBox* m_rangeBox = nullptr;
  QProgressBar* m_progressBar = nullptr;
  TViewPlot* m_plot = nullptr;
  QLabel* m_readout = nullptr;
  QPushButton* m_exportButton = nullptr;
  TFileDropTarget* m_dropTarget = nullptr;
  std::unique_ptr<TViewPlayback> m_playback;

  std::shared_ptr<TSoundViewSource> m_source;
  TSoundView m_view;
  TViewFigureLayout m_layout;  // of m_view's figure
  TViewLevels m_shown;          // m_view's levels as far as known
  bool m_exact = false;
  std::optional<QPoint> m_pointer;  // the plot pixel under the pointer
  QTimer m_columnsRedraw;            // gathers the columns of a render into fewer redraws
  TViewRenderer m_renderer;
};

inline constexpr const char* kEditablePngFilter = "PNG picture (*.png)|*.png|All files (*.*)|*.*";

// How far one notch of the wheel, and one press of + or −, zooms.
inline constexpr double kViewWheelZoom = 1.25;
inline constexpr double kViewKeyZoom = 1.5;
// At most this often the columns of a render are drawn as they come, leaving the window's thread
// time for the user's steps.
inline constexpr int kViewColumnsRedrawMs = 100;
// The share of the plot one arrow press pans by.
inline constexpr double kViewKeyPanShare = 0.125;

}  // namespace ombrisk
