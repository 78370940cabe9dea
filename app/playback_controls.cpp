#include "app/playback_controls.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPalette>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

#include "app/error_display.h"
#include "app/image_control.h"
#include "app/playhead_colour.h"
#include "playback/playhead_geometry.h"

namespace ombrisk {

namespace {

// Room kept ahead of the playhead when the view scrolls after it.
constexpr int kScrollLead = 24;

}  // namespace

TPlaybackControls::TPlaybackControls(QWidget& window, QWidget& buttonParent, TImage& image, QScrollArea& scrollBox,
                                     TErrorDisplay& errors, std::unique_ptr<TAudioSink> sink)
    : m_window(window), m_image(image), m_scrollBox(scrollBox), m_errors(errors), m_sink(std::move(sink)),
      m_player(*m_sink) {
  m_playButton = new QPushButton(QStringLiteral("&Play"), &buttonParent);
  m_playButton->setObjectName(QStringLiteral("PlayButton"));
  m_playButton->setAutoDefault(false);

  m_playhead = new QWidget(&m_image);
  m_playhead->setObjectName(QStringLiteral("Playhead"));
  m_playhead->setAttribute(Qt::WA_TransparentForMouseEvents);
  m_playhead->setAutoFillBackground(true);
  QPalette palette = m_playhead->palette();
  palette.setColor(QPalette::Window, kPlayheadColour);
  m_playhead->setPalette(palette);
  m_playhead->hide();

  m_ticks.setInterval(kPlayheadTickMs);
  connect(&m_ticks, &QTimer::timeout, this, [this] { Tick(); });
  connect(m_playButton, &QPushButton::clicked, this, [this] { RunAction(m_errors, [this] { PlayButtonClick(); }); });
  m_image.installEventFilter(this);
  m_window.installEventFilter(this);
  m_sink->OnDevicesChanged([this] { ShowState(); });
  ShowState();
}

TPlaybackControls::~TPlaybackControls() {
  m_image.removeEventFilter(this);
  m_window.removeEventFilter(this);
  m_sink->OnDevicesChanged({});
  m_player.Stop();
}

void TPlaybackControls::SpectrogramShown(const TPlayedSound& sound, std::int32_t sampleSize) {
  Stop();
  m_sound = sound;
  m_sampleSize = sampleSize;
  ShowState();
}

void TPlaybackControls::Stop() {
  m_player.Stop();
  ShowState();
}

bool TPlaybackControls::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &m_window && event->type() == QEvent::Hide && !event->spontaneous()) {
    Stop();  // closed, not merely minimised
  } else if (watched == &m_window && event->type() == QEvent::Show) {
    ShowState();  // a device may have come or gone meanwhile
  } else if (watched == &m_image && event->type() == QEvent::MouseButtonPress) {
    const auto* press = static_cast<QMouseEvent*>(event);
    if (press->button() == Qt::LeftButton && m_playButton->isEnabled()) {
      const std::optional<std::int64_t> column =
          ColumnAtPixel(press->position().toPoint().x(), m_image.Picture().Width(), m_image.width());
      if (column) RunAction(m_errors, [&] { PlayFrom(*column); });
      return true;
    }
  } else if (watched == &m_image && event->type() == QEvent::Resize) {
    MovePlayhead();  // stretched over a resized window
  }
  return QObject::eventFilter(watched, event);
}

void TPlaybackControls::PlayButtonClick() {
  if (m_player.Playing()) Stop();
  else PlayFrom(0);
}

void TPlaybackControls::PlayFrom(std::int64_t column) {
  bool playing = false;
  try {
    playing = m_player.Play(OpenSampleSource(m_sound), m_sampleSize, column);
  } catch (...) {
    ShowState();  // what played before has stopped
    throw;
  }
  ShowState();
  if (playing) Tick();
}

void TPlaybackControls::Tick() {
  RunAction(m_errors, [this] { m_player.Poll(); });
  if (!m_player.Playing()) {
    ShowState();
    return;
  }
  MovePlayhead();
  m_scrollBox.ensureVisible(m_playhead->x(), m_scrollBox.verticalScrollBar()->value(), kScrollLead, 0);
}

void TPlaybackControls::ShowState() {
  const bool playing = m_player.Playing();
  const bool shown = !m_sound.Path.empty() && !m_image.Picture().Empty();
  // Asked before the first click, so a format the device cannot take never gets as far as playing.
  QString cannot;
  if (!m_sink->Available()) {
    cannot = QString::fromLatin1(kNoAudioOutput);
  } else if (shown && !m_sink->Supports(m_sound.SampleRateHz)) {
    cannot = QString::fromStdString(UnsupportedFormatText(m_sound.SampleRateHz));
  }
  m_playButton->setText(playing ? QStringLiteral("&Stop") : QStringLiteral("&Play"));
  // "&Stop" stays pressable whatever the devices do meanwhile.
  m_playButton->setEnabled(playing || (shown && cannot.isEmpty()));
  m_playButton->setToolTip(cannot);
  m_playhead->setVisible(playing);
  if (playing) {
    MovePlayhead();
    m_ticks.start();
  } else {
    m_ticks.stop();
  }
}

void TPlaybackControls::MovePlayhead() {
  if (!m_player.Playing()) return;
  const int x = PlayheadPixel(m_player.PlayheadColumn(), m_image.Picture().Width(), m_image.width());
  m_playhead->setGeometry(x, 0, 1, m_image.height());
  m_playhead->raise();
}

}  // namespace ombrisk
