#include "app/sound_view_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QShowEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/accelerator_keys.h"
#include "app/bitmap_image.h"
#include "app/error_display.h"
#include "app/file_dialog.h"
#include "app/file_drop_target.h"
#include "app/form_fonts.h"
#include "app/qt_audio_sink.h"
#include "app/view_playback.h"
#include "app/view_plot.h"
#include "app/view_reprojection.h"
#include "spectrogram/editable_export.h"
#include "spectrogram/view_readout.h"
#include "toolkit/exception.h"

namespace ombrisk {

namespace {

constexpr int kStartWidth = 1000;
constexpr int kStartHeight = 640;
constexpr int kSmallestRangeDb = 10;
constexpr int kLargestRangeDb = 240;
// Fitting the plot to the area converges in one or two rounds; the label widths settle it.
constexpr int kFitRounds = 4;

QString WindowTitleFor(const std::string& path) {
  if (path.empty()) return QStringLiteral("Ombrisk");
  return QFileInfo(QString::fromStdString(path)).fileName() + QStringLiteral(" \u2014 Ombrisk");
}

}  // namespace

TSoundViewWindow::TSoundViewWindow(const TUiServices& services)
    : TSoundViewWindow(services, std::make_unique<TQtAudioSink>()) {}

TSoundViewWindow::TSoundViewWindow(const TUiServices& services, std::unique_ptr<TAudioSink> audioSink)
    : QWidget(nullptr, Qt::Window), m_services(services) {
  setObjectName(QStringLiteral("SoundViewWindow"));
  setWindowTitle(WindowTitleFor({}));
  setFont(SansSerifFont());
  resize(kStartWidth, kStartHeight);
  CreateControls();
  m_playback = std::make_unique<TViewPlayback>(*this, *m_readout->parentWidget(), m_services.Errors,
                                               std::move(audioSink));
  static_cast<QHBoxLayout*>(m_readout->parentWidget()->layout())->insertWidget(0, &m_playback->PlayButton());
  m_playback->SpanInView = [this] { return std::pair{m_view.FromSeconds, m_view.ToSeconds}; };
  m_playback->OnTick = [this] { ShowPlayhead(); };

  m_plot->OnWheel = [this](double notches, bool frequency, QPointF at) {
    const double factor = std::pow(kViewWheelZoom, notches);
    Change([&](const TSoundView& view, const TRecordingInfo& info) {
      return frequency ? ZoomFrequency(view, factor, std::clamp<double>(at.y(), 0, view.Height), info)
                       : ZoomTime(view, factor, std::clamp<double>(at.x(), 0, view.Width), info);
    });
  };
  m_plot->OnDrag = [this](QPointF delta) {
    Change([&](const TSoundView& view, const TRecordingInfo& info) { return PanView(view, delta.x(), delta.y(), info); });
  };
  m_plot->OnPointer = [this](std::optional<QPoint> pixel) {
    m_pointer = pixel;
    ShowReadout();
  };
  m_plot->OnResized = [this] {
    if (m_source) Change([](const TSoundView& view, const TRecordingInfo&) { return view; });
  };
  m_columnsRedraw.setSingleShot(true);
  m_columnsRedraw.setInterval(kViewColumnsRedrawMs);
  connect(&m_columnsRedraw, &QTimer::timeout, this, [this] { RunAction(m_services.Errors, [this] { Redraw(); }); });
  m_renderer.OnQuick = [this](TViewLevels levels) {
    if (levels.Width != m_view.Width || levels.Height != m_view.Height) return;
    m_shown = std::move(levels);
    RunAction(m_services.Errors, [this] { Redraw(); });
  };
  m_renderer.OnColumns = [this](const TViewLevels& columns, int first) { ColumnsRendered(columns, first); };
  m_renderer.OnDone = [this](TViewLevels levels) { RenderDone(std::move(levels)); };
  m_renderer.OnFailed = [this](std::exception_ptr failure) {
    m_progressBar->setValue(0);
    RunAction(m_services.Errors, [&] { std::rethrow_exception(failure); });
  };

  m_dropTarget = new TFileDropTarget(this);
  m_dropTarget->setObjectName(QStringLiteral("FileDropTarget1"));
  m_dropTarget->OnDropFiles = [this](TFileDropTarget&, QWidget*, const std::vector<std::string>& dropFiles) {
    if (!dropFiles.empty()) OpenFile(dropFiles.front());
  };
  m_dropTarget->SetControl(this);
  InstallAcceleratorKeys(*this);
  m_plot->setFocus();
}

TSoundViewWindow::~TSoundViewWindow() = default;

void TSoundViewWindow::CreateControls() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setSpacing(4);

  auto* bar = new QHBoxLayout;
  bar->addWidget(new QLabel(QStringLiteral("Channel"), this));
  m_channelList = new QComboBox(this);
  m_channelList->setObjectName(QStringLiteral("ChannelList"));
  m_channelList->setToolTip(QStringLiteral("Channel"));
  m_channelList->addItem(QStringLiteral("Mix"));
  bar->addWidget(m_channelList);
  m_logFrequencyBox = new QCheckBox(QStringLiteral("&Logarithmic frequency"), this);
  m_logFrequencyBox->setObjectName(QStringLiteral("LogFrequencyBox"));
  bar->addWidget(m_logFrequencyBox);
  bar->addWidget(new QLabel(QStringLiteral("Colours"), this));
  m_coloursList = new QComboBox(this);
  m_coloursList->setObjectName(QStringLiteral("ColoursList"));
  m_coloursList->addItems({QStringLiteral("Heat"), QStringLiteral("Grey")});
  bar->addWidget(m_coloursList);
  bar->addWidget(new QLabel(QStringLiteral("Range"), this));
  m_rangeBox = new QSpinBox(this);
  m_rangeBox->setObjectName(QStringLiteral("RangeBox"));
  m_rangeBox->setRange(kSmallestRangeDb, kLargestRangeDb);
  m_rangeBox->setValue(static_cast<int>(TSoundView{}.RangeDb));
  m_rangeBox->setSuffix(QStringLiteral(" dB"));
  m_rangeBox->setToolTip(QStringLiteral("The levels shown, from 0 dBFS down"));
  bar->addWidget(m_rangeBox);
  m_progressBar = new QProgressBar(this);
  m_progressBar->setObjectName(QStringLiteral("ProgressBar"));
  m_progressBar->setTextVisible(false);
  m_progressBar->setRange(0, 1);
  m_progressBar->setValue(0);
  m_progressBar->setFixedWidth(160);
  bar->addStretch(1);
  bar->addWidget(m_progressBar);
  layout->addLayout(bar);
  // The keys zoom and pan wherever the focus is, unless a control takes it by the Tab key.
  for (QWidget* control : std::initializer_list<QWidget*>{m_channelList, m_logFrequencyBox, m_coloursList, m_rangeBox}) {
    control->setFocusPolicy(Qt::TabFocus);
  }

  m_plot = new TViewPlot(this);
  layout->addWidget(m_plot, 1);

  auto* bottom = new QWidget(this);
  auto* bottomLayout = new QHBoxLayout(bottom);
  bottomLayout->setContentsMargins(0, 0, 0, 0);
  m_readout = new QLabel(bottom);
  m_readout->setObjectName(QStringLiteral("Readout"));
  bottomLayout->addWidget(m_readout, 1);
  // At the row's end: the read-out gives up the room, nothing else moves.
  m_exportButton = new QPushButton(QStringLiteral("Export for editing..."), bottom);
  m_exportButton->setObjectName(QStringLiteral("ExportButton"));
  m_exportButton->setFocusPolicy(Qt::TabFocus);
  m_exportButton->setEnabled(false);
  bottomLayout->addWidget(m_exportButton);
  layout->addWidget(bottom);
  connect(m_exportButton, &QPushButton::clicked, this, [this] { RunAction(m_services.Errors, [this] { ExportForEditing(); }); });

  connect(m_channelList, &QComboBox::activated, this, [this](int index) {
    Change([&](TSoundView view, const TRecordingInfo&) {
      view.Channel = index;
      return view;
    });
  });
  connect(m_logFrequencyBox, &QCheckBox::toggled, this, [this](bool on) {
    Change([&](const TSoundView& view, const TRecordingInfo& info) { return WithLogFrequency(view, on, info); });
  });
  connect(m_coloursList, &QComboBox::currentIndexChanged, this, [this] {
    if (m_source) RunAction(m_services.Errors, [this] { Redraw(); });
  });
  connect(m_rangeBox, &QSpinBox::valueChanged, this, [this](int rangeDb) {
    Change([&](TSoundView view, const TRecordingInfo&) {
      view.RangeDb = rangeDb;
      return view;
    });
  });
}

bool TSoundViewWindow::OpenFile(const std::string& path) {
  return RunAction(m_services.Errors, [&] { Open(path); });
}

void TSoundViewWindow::Open(const std::string& path) {
  auto source = std::make_shared<TSoundViewSource>(path);
  const TRecordingInfo& info = source->Info();
  if (info.Frames <= 0) throw ERecordingError("'" + path + "' holds no samples: there is nothing to show");
  // Only now is what was shown let go.
  m_renderer.Cancel();
  m_source = std::move(source);
  m_playback->SoundShown(path, 0, info.SampleRateHz);
  setWindowTitle(WindowTitleFor(path));
  FillChannels(info.Channels);
  m_exportButton->setEnabled(true);
  TSoundView view = WholeSoundView(info, std::max(m_view.Width, 1), std::max(m_view.Height, 1));
  view.RangeDb = m_rangeBox->value();
  m_shown = {};
  ShowView(WithLogFrequency(view, m_logFrequencyBox->isChecked(), info));
}

void TSoundViewWindow::ExportForEditing() {
  if (!m_source) return;
  TFileDialog dialog("ExportDialog", TFileDialogKind::fdSave, kEditablePngFilter, m_services.Dialogs, this);
  if (!dialog.Execute()) return;
  // The whole file at its own rate and the default frames for it, whatever the view shows: the
  // picture is for turning back into the same sound.
  WriteEditableSpectrogramFile(m_source->Path(), m_view.Channel, {}, dialog.FileName);
}

void TSoundViewWindow::ShowAbove() {
  const QWidget* modal = QApplication::activeModalWidget();
  const Qt::WindowModality modality = modal != nullptr && modal != this ? Qt::ApplicationModal : Qt::NonModal;
  // Qt takes a change of modality only while the window is hidden.
  if (windowModality() != modality) {
    hide();
    setWindowModality(modality);
  }
  show();
  raise();
  activateWindow();
}

std::string TSoundViewWindow::Path() const { return m_source ? m_source->Path() : std::string(); }

const QImage& TSoundViewWindow::Figure() const { return m_plot->Figure(); }

void TSoundViewWindow::keyPressEvent(QKeyEvent* event) {
  const double pan = kViewKeyPanShare;
  const bool band = (event->modifiers() & Qt::ControlModifier) != 0;
  std::function<TSoundView(const TSoundView&, const TRecordingInfo&)> change;
  switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
    case Qt::Key_Minus: {
      const double factor = event->key() == Qt::Key_Minus ? 1 / kViewKeyZoom : kViewKeyZoom;
      change = [=](const TSoundView& view, const TRecordingInfo& info) {
        return band ? ZoomFrequency(view, factor, view.Height / 2.0, info) : ZoomTime(view, factor, view.Width / 2.0, info);
      };
      break;
    }
    case Qt::Key_Left:
    case Qt::Key_Right: {
      const double sign = event->key() == Qt::Key_Left ? 1 : -1;
      change = [=](const TSoundView& view, const TRecordingInfo& info) { return PanView(view, sign * pan * view.Width, 0, info); };
      break;
    }
    case Qt::Key_Up:
    case Qt::Key_Down: {
      const double sign = event->key() == Qt::Key_Up ? 1 : -1;
      change = [=](const TSoundView& view, const TRecordingInfo& info) { return PanView(view, 0, sign * pan * view.Height, info); };
      break;
    }
    case Qt::Key_Home:
      change = [](const TSoundView& view, const TRecordingInfo& info) {
        TSoundView whole = WholeSoundView(info, view.Width, view.Height);
        whole.Channel = view.Channel;
        whole.RangeDb = view.RangeDb;
        whole.FrameSamples = view.FrameSamples;
        whole.WindowIndex = view.WindowIndex;
        return WithLogFrequency(whole, view.LogFrequency, info);
      };
      break;
    case Qt::Key_Space:
      RunAction(m_services.Errors, [this] { m_playback->Toggle(m_view.FromSeconds, m_view.ToSeconds); });
      event->accept();
      return;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  event->accept();
  Change(change);
}

void TSoundViewWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // What closing the window stopped is computed again.
  if (m_source && !m_exact && !m_renderer.Busy()) {
    m_progressBar->setValue(0);
    m_renderer.Request(m_source, m_view);
  }
}

void TSoundViewWindow::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  // Closed, not minimised: a long file is not read on for a window nobody sees.
  if (!event->spontaneous()) m_renderer.Cancel();
  // Modal only over the window it was opened from: shown again by itself, it blocks nothing.
  if (!event->spontaneous() && windowModality() != Qt::NonModal) setWindowModality(Qt::NonModal);
}

void TSoundViewWindow::Change(const std::function<TSoundView(const TSoundView&, const TRecordingInfo&)>& change) {
  if (!m_source) return;
  RunAction(m_services.Errors, [&] { ShowView(change(m_view, m_source->Info())); });
}

TSoundView TSoundViewWindow::FittedToArea(TSoundView view, TViewFigureLayout& layout) const {
  const QSize area = m_plot->size();
  for (int round = 0; round < kFitRounds; ++round) {
    layout = ViewFigureLayout(view, m_source->Path(), m_source->Info());
    const int width = std::clamp(view.Width + area.width() - layout.Width, 1, kLargestViewSide);
    const int height = std::clamp(view.Height + area.height() - layout.Height, 1, kLargestViewSide);
    if (width == view.Width && height == view.Height) return view;
    view.Width = width;
    view.Height = height;
  }
  layout = ViewFigureLayout(view, m_source->Path(), m_source->Info());
  return view;
}

void TSoundViewWindow::ShowView(TSoundView view) {
  TViewFigureLayout layout;
  view = FittedToArea(view, layout);
  if (view == m_view && !m_shown.Db.empty()) return;
  // The first picture, at once: what is shown now moved to the new view. The source's summary
  // follows from the worker, then the exact columns.
  if (m_view.Channel == view.Channel && !m_shown.Db.empty()) m_shown = ReprojectLevels(m_shown, m_view, view);
  else m_shown = SilentLevels(view.Width, view.Height);
  m_view = view;
  m_layout = layout;
  m_exact = false;
  {
    const QSignalBlocker quiet(m_logFrequencyBox);
    m_logFrequencyBox->setChecked(m_view.LogFrequency);
  }
  Redraw();
  m_progressBar->setRange(0, m_view.Width);
  m_progressBar->setValue(0);
  m_renderer.Request(m_source, m_view);
}

void TSoundViewWindow::Redraw() {
  m_columnsRedraw.stop();
  const TColourMap map = m_coloursList->currentIndex() == 1 ? TColourMap::Grey : TColourMap::Heat;
  const std::unique_ptr<TPixelBitmap> figure = DrawViewFigure(m_shown, m_view, map, m_source->Path(), m_source->Info());
  m_plot->SetFigure(ToQImage(*figure), QRect(m_layout.PlotLeft, m_layout.PlotTop, m_view.Width, m_view.Height));
  ShowReadout();
  ShowPlayhead();
}

void TSoundViewWindow::ColumnsRendered(const TViewLevels& columns, int first) {
  PutLevelColumns(columns, first, m_shown);
  // A render may do its columns in more than one run at once: the bar counts them.
  m_progressBar->setValue(m_progressBar->value() + columns.Width);
  if (!m_columnsRedraw.isActive()) m_columnsRedraw.start();
}

void TSoundViewWindow::RenderDone(TViewLevels levels) {
  if (levels.Width != m_view.Width || levels.Height != m_view.Height) return;
  m_shown = std::move(levels);
  m_exact = true;
  m_columnsRedraw.stop();
  m_progressBar->setValue(0);
  RunAction(m_services.Errors, [this] { Redraw(); });
}

void TSoundViewWindow::ShowReadout() {
  std::optional<TPointerReading> reading;
  if (m_pointer && !m_shown.Db.empty()) reading = ReadViewPixel(m_shown, m_view, m_pointer->x(), m_pointer->y());
  m_readout->setText(reading ? QString::fromStdString(FormatReading(*reading)) : QString());
}

void TSoundViewWindow::ShowPlayhead() {
  const std::optional<double> heard = m_playback->HeardSeconds();
  std::optional<int> column;
  if (heard) {
    const double x = std::floor(ColumnOfSeconds(m_view, *heard));
    if (x >= 0 && x < m_view.Width) column = static_cast<int>(x);
  }
  m_plot->SetPlayhead(column);
}

void TSoundViewWindow::FillChannels(std::int32_t channels) {
  const QSignalBlocker quiet(m_channelList);
  m_channelList->clear();
  m_channelList->addItem(QStringLiteral("Mix"));
  for (std::int32_t c = 1; c <= channels; ++c) m_channelList->addItem(QString::number(c));
  m_channelList->setCurrentIndex(0);
}

}  // namespace ombrisk
