#include "app/qt_audio_sink.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>
#include <exception>

#include "preview/wave_sample_source.h"
#include "signal/wave_header.h"

namespace ombrisk {

namespace {

constexpr int kBytesPerSample = 2;
// A short device buffer keeps Stop prompt; the playhead allows for the device's latency anyway.
constexpr int kBufferMs = 100;
// After the source runs dry the device still plays its buffer; past this, the sound is over even
// if the device's clock stopped short of the last sample.
constexpr qint64 kDrainMs = kBufferMs + 150;

}  // namespace

// Hands the source's samples to QAudioSink, which reads on this thread's event loop. A read error
// cannot leave through Qt's call, so it is kept for Failure.
class TQtAudioSink::TSourceDevice : public QIODevice {
public:
  explicit TSourceDevice(TWaveSampleSource& source) : m_source(source) { open(QIODevice::ReadOnly | QIODevice::Unbuffered); }

  bool isSequential() const override { return true; }
  qint64 bytesAvailable() const override {
    return (m_source.SampleCount() - m_source.Position()) * kBytesPerSample + QIODevice::bytesAvailable();
  }
  bool Dry() const { return m_source.AtEnd() || !m_failure.empty(); }
  std::int64_t PulledSamples() const { return m_pulled; }
  const std::string& FailureText() const { return m_failure; }

protected:
  qint64 readData(char* data, qint64 maxSize) override {
    if (!m_failure.empty()) return -1;
    try {
      const auto got = static_cast<qint64>(m_source.Read(data, static_cast<std::size_t>(maxSize)));
      m_pulled += got / kBytesPerSample;
      return got;
    } catch (const std::exception& e) {
      m_failure = e.what();
      return -1;
    }
  }
  qint64 writeData(const char*, qint64) override { return -1; }

private:
  TWaveSampleSource& m_source;
  std::int64_t m_pulled = 0;
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
  m_dryFor.invalidate();
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

bool TQtAudioSink::Drained() const {
  if (!m_sink || !m_device->Dry()) return false;
  // Polled often enough that the moment the source is first seen dry is near enough.
  if (!m_dryFor.isValid()) m_dryFor.start();
  return HeardSamples() >= m_device->PulledSamples() || m_dryFor.elapsed() > kDrainMs;
}

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
