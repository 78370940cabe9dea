#include "app/qt_audio_sink.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>
#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>

#include "playback/sample_source.h"

namespace ombrisk {

namespace {

constexpr int kBytesPerSample = 2;
// Enough to ride out a busy moment of the window's thread, which refills it; Stop drops whatever
// the buffer holds, and the playhead allows for the device's latency.
constexpr int kBufferMs = 400;
// Silence played after the sound: once it is all handed over, the server has taken in the whole
// sound and more, so that letting go of the stream cannot cut the sound's end short.
constexpr qint64 kTrailMs = kBufferMs + 250;

QAudioFormat MonoFormat(std::int32_t sampleRateHz) {
  QAudioFormat format;
  format.setSampleRate(static_cast<int>(sampleRateHz));
  format.setChannelCount(1);
  format.setSampleFormat(QAudioFormat::Int16);
  return format;
}

}  // namespace

// Hands the source's samples, then the trailing silence, to QAudioSink. A read error cannot leave
// through Qt's call, so it is kept for Failure; whichever thread the backend reads on, the text
// and the count are only touched under the lock or atomically.
class TQtAudioSink::TSourceDevice : public QIODevice {
public:
  TSourceDevice(TSampleSource& source, qint64 trailBytes)
      : m_source(source), m_trailBytes(trailBytes),
        // Held well inside 64 bits whatever length a source gives.
        m_left(std::min<qint64>(source.SampleCount() - source.Position(), qint64{1} << 50) * kBytesPerSample +
               trailBytes) {
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
  }

  bool isSequential() const override { return true; }
  qint64 bytesAvailable() const override { return m_left.load() + QIODevice::bytesAvailable(); }
  bool HandedAllOver() const { return m_left.load() == 0; }
  std::string FailureText() const {
    const std::lock_guard lock(m_failureLock);
    return m_failure;
  }

protected:
  qint64 readData(char* data, qint64 maxSize) override {
    if (m_failed.load()) return -1;
    try {
      qint64 got = static_cast<qint64>(m_source.Read(data, static_cast<std::size_t>(maxSize)));
      if (got == 0) {
        // A decoded file may end before the length it announced: then only the trail is left.
        if (!m_ended) m_left = std::min(m_left.load(), m_trailBytes);
        m_ended = true;
        got = std::clamp<qint64>(maxSize / kBytesPerSample * kBytesPerSample, 0, m_left.load());
        std::fill_n(data, got, '\0');
      }
      m_left = std::max<qint64>(m_left.load() - got, 0);
      return got;
    } catch (const std::exception& e) {
      const std::lock_guard lock(m_failureLock);
      m_failure = e.what();
      m_failed = true;
      return -1;
    }
  }
  qint64 writeData(const char*, qint64) override { return -1; }

private:
  TSampleSource& m_source;
  const qint64 m_trailBytes;
  bool m_ended = false;        // touched by the reading thread only
  std::atomic<qint64> m_left;  // sound and silence still to hand over
  std::atomic<bool> m_failed{false};
  mutable std::mutex m_failureLock;
  std::string m_failure;
};

TQtAudioSink::TQtAudioSink() : m_devices(std::make_unique<QMediaDevices>()) {
  QObject::connect(m_devices.get(), &QMediaDevices::audioOutputsChanged, m_devices.get(), [this] {
    if (m_devicesChanged) m_devicesChanged();
  });
}

TQtAudioSink::~TQtAudioSink() { Stop(); }

bool TQtAudioSink::Available() const { return !QMediaDevices::defaultAudioOutput().isNull(); }

bool TQtAudioSink::Supports(std::int32_t sampleRateHz) const {
  const QAudioDevice device = QMediaDevices::defaultAudioOutput();
  return !device.isNull() && sampleRateHz > 0 && device.isFormatSupported(MonoFormat(sampleRateHz));
}

void TQtAudioSink::OnDevicesChanged(std::function<void()> handler) { m_devicesChanged = std::move(handler); }

void TQtAudioSink::Start(TSampleSource& source) {
  Stop();
  m_rateHz = source.SampleRateHz();
  const QAudioFormat format = MonoFormat(m_rateHz);
  m_device = std::make_unique<TSourceDevice>(source, kTrailMs * m_rateHz / 1000 * kBytesPerSample);
  m_sink = std::make_unique<QAudioSink>(QMediaDevices::defaultAudioOutput(), format);
  m_sink->setBufferSize(format.bytesForDuration(kBufferMs * 1000));
  m_sink->start(m_device.get());
}

void TQtAudioSink::Stop() {
  if (m_sink) {
    // stop() alone lets the server play out what it has been given; reset() drops it first.
    m_sink->reset();
    m_sink->stop();
  }
  m_sink.reset();
  m_device.reset();
}

std::int64_t TQtAudioSink::HeardSamples() const {
  if (!m_sink) return 0;
  return m_sink->processedUSecs() * m_rateHz / 1000000;
}

bool TQtAudioSink::Drained() const { return m_device && m_device->HandedAllOver(); }

std::string TQtAudioSink::Failure() const {
  if (!m_sink) return {};
  if (std::string text = m_device->FailureText(); !text.empty()) return text;
  switch (m_sink->error()) {
    case QAudio::OpenError: return kSAudioOpenError;
    case QAudio::IOError: return kSAudioIOError;
    case QAudio::FatalError: return kSAudioFatalError;
    case QAudio::NoError:
    case QAudio::UnderrunError: break;
  }
  return {};
}

}  // namespace ombrisk
