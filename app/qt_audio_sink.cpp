#include "app/qt_audio_sink.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>
#include <algorithm>
#include <atomic>
#include <exception>

#include "playback/wave_sample_source.h"
#include "signal/wave_header.h"

namespace ombrisk {

namespace {

constexpr int kBytesPerSample = 2;
// Enough to ride out a busy moment of the window's thread, which refills it; Stop silences at once
// whatever the buffer holds, and the playhead allows for the device's latency.
constexpr int kBufferMs = 400;
// Silence played after the sound: once it is all handed over, the server has taken in the whole
// sound and more, so that letting go of the stream cannot cut the sound's end short.
constexpr qint64 kTrailBytes = (kBufferMs + 250) * qint64{kSampleRateHz} / 1000 * kBytesPerSample;

}  // namespace

// Hands the source's samples, then the trailing silence, to QAudioSink, which reads on this
// thread's event loop. A read error cannot leave through Qt's call, so it is kept for Failure.
// The sound server's thread asks whether the device is at its end, hence the atomic count.
class TQtAudioSink::TSourceDevice : public QIODevice {
public:
  explicit TSourceDevice(TWaveSampleSource& source)
      : m_source(source), m_left((source.SampleCount() - source.Position()) * kBytesPerSample + kTrailBytes) {
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
  }

  bool isSequential() const override { return true; }
  qint64 bytesAvailable() const override { return m_left.load() + QIODevice::bytesAvailable(); }
  bool HandedAllOver() const { return m_left.load() == 0; }
  const std::string& FailureText() const { return m_failure; }

protected:
  qint64 readData(char* data, qint64 maxSize) override {
    if (!m_failure.empty()) return -1;
    try {
      qint64 got = static_cast<qint64>(m_source.Read(data, static_cast<std::size_t>(maxSize)));
      if (got == 0 && m_source.AtEnd()) {
        got = std::min(maxSize / kBytesPerSample * kBytesPerSample, m_left.load());
        std::fill_n(data, got, '\0');
      }
      m_left -= got;
      return got;
    } catch (const std::exception& e) {
      m_failure = e.what();
      return -1;
    }
  }
  qint64 writeData(const char*, qint64) override { return -1; }

private:
  TWaveSampleSource& m_source;
  std::atomic<qint64> m_left;  // sound and silence still to hand over
  std::string m_failure;
};

TQtAudioSink::TQtAudioSink() = default;

TQtAudioSink::~TQtAudioSink() { Stop(); }

bool TQtAudioSink::Available() const { return !QMediaDevices::defaultAudioOutput().isNull(); }

void TQtAudioSink::Start(TWaveSampleSource& source) {
  Stop();
  QAudioFormat format;
  format.setSampleRate(static_cast<int>(kSampleRateHz));
  format.setChannelCount(1);
  format.setSampleFormat(QAudioFormat::Int16);
  m_device = std::make_unique<TSourceDevice>(source);
  m_sink = std::make_unique<QAudioSink>(QMediaDevices::defaultAudioOutput(), format);
  m_sink->setBufferSize(format.bytesForDuration(kBufferMs * 1000));
  m_sink->start(m_device.get());
}

void TQtAudioSink::Stop() {
  if (m_sink) m_sink->stop();
  m_sink.reset();
  m_device.reset();
}

std::int64_t TQtAudioSink::HeardSamples() const {
  if (!m_sink) return 0;
  return m_sink->processedUSecs() * kSampleRateHz / 1000000;
}

bool TQtAudioSink::Drained() const { return m_device && m_device->HandedAllOver(); }

std::string TQtAudioSink::Failure() const {
  if (!m_sink) return {};
  if (!m_device->FailureText().empty()) return m_device->FailureText();
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
