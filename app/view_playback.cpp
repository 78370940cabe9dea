#include "app/view_playback.h"

#include <QEvent>
#include <QPushButton>
#include <cmath>

#include "app/error_display.h"
#include "app/playback_controls.h"
#include "playback/recording_sample_source.h"

namespace ombrisk {

TViewPlayback::TViewPlayback(QWidget& window, QWidget& buttonParent, TErrorDisplay& errors,
                             std::unique_ptr<TAudioSink> sink)
    : m_window(window), m_errors(errors), m_sink(std::move(sink)), m_player(*m_sink) {
  m_playButton = new QPushButton(QStringLiteral("&Play"), &buttonParent);
  m_playButton->setObjectName(QStringLiteral("PlayButton"));
  m_playButton->setAutoDefault(false);
  m_playButton->setFocusPolicy(Qt::TabFocus);
  m_ticks.setInterval(kPlayheadTickMs);
  connect(&m_ticks, &QTimer::timeout, this, [this] { Tick(); });
  connect(m_playButton, &QPushButton::clicked, this, [this] {
    RunAction(m_errors, [this] {
      const auto [from, to] = SpanInView ? SpanInView() : std::pair<double, double>{0, 0};
      Toggle(from, to);
    });
  });
  m_window.installEventFilter(this);
  m_sink->OnDevicesChanged([this] { ShowState(); });
  ShowState();
}

TViewPlayback::~TViewPlayback() {
  m_window.removeEventFilter(this);
  m_sink->OnDevicesChanged({});
  m_player.Stop();
}

void TViewPlayback::SoundShown(const std::string& path, std::int32_t channel, std::int32_t sampleRateHz) {
  Stop();
  m_path = path;
  m_channel = channel;
  m_rateHz = sampleRateHz;
  ShowState();
}

void TViewPlayback::Toggle(double fromSeconds, double toSeconds) {
  if (m_player.Playing()) {
    Stop();
    return;
  }
  if (!m_playButton->isEnabled()) return;
  const auto first = static_cast<std::int64_t>(std::llround(fromSeconds * m_rateHz));
  const auto end = static_cast<std::int64_t>(std::llround(toSeconds * m_rateHz));
  try {
    // One sample a "column": the player then counts samples.
    m_player.Play(std::make_unique<TRecordingSampleSource>(m_path, m_channel, end), 1, first);
  } catch (...) {
    ShowState();
    throw;
  }
  ShowState();
}

void TViewPlayback::Stop() {
  m_player.Stop();
  ShowState();
}

std::optional<double> TViewPlayback::HeardSeconds() const {
  if (!m_player.Playing() || m_rateHz <= 0) return std::nullopt;
  return static_cast<double>(m_player.HeardSample()) / m_rateHz;
}

bool TViewPlayback::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &m_window && event->type() == QEvent::Hide && !event->spontaneous()) {
    Stop();  // closed, not merely minimised
  } else if (watched == &m_window && event->type() == QEvent::Show) {
    ShowState();
  }
  return QObject::eventFilter(watched, event);
}

void TViewPlayback::Tick() {
  RunAction(m_errors, [this] { m_player.Poll(); });
  if (!m_player.Playing()) ShowState();
  else if (OnTick) OnTick();
}

void TViewPlayback::ShowState() {
  const bool playing = m_player.Playing();
  QString cannot;
  if (!m_sink->Available()) {
    cannot = QString::fromLatin1(kNoAudioOutput);
  } else if (!m_path.empty() && !m_sink->Supports(m_rateHz)) {
    cannot = QString::fromStdString(UnsupportedFormatText(m_rateHz));
  }
  m_playButton->setText(playing ? QStringLiteral("&Stop") : QStringLiteral("&Play"));
  m_playButton->setEnabled(playing || (!m_path.empty() && cannot.isEmpty()));
  m_playButton->setToolTip(cannot);
  if (playing) m_ticks.start();
  else m_ticks.stop();
  if (OnTick) OnTick();
}

}  // namespace ombrisk
