// Plays a short wave from the preview window through a real sound server and checks that what came
// out of it is that wave. The test starts a PulseAudio server of its own with one null output and
// records that output's monitor with parec; where no server can be started here it is skipped.
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "app/image_control.h"
#include "app/playback_controls.h"
#include "app/preview_window.h"
#include "app_test_support.h"
#include "signal/wave_header.h"
#include "toolkit/file_stream.h"

namespace ombrisk::testing {
namespace {

constexpr const char* kSinkName = "ombrisk_test";
constexpr int kWaveSamples = 44100;  // one second

// A private PulseAudio server, gone with this object.
class TSoundServer {
public:
  TSoundServer() {
    const QString socket = m_dir.filePath(QStringLiteral("native"));
    m_address = QStringLiteral("unix:") + socket;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"HOME", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "PULSE_RUNTIME_PATH", "PULSE_STATE_PATH"}) {
      environment.insert(QString::fromLatin1(name), m_dir.path());
    }
    m_server.setProcessEnvironment(environment);
    m_server.setProcessChannelMode(QProcess::MergedChannels);
    m_server.start(QStringLiteral("pulseaudio"),
                   {QStringLiteral("--daemonize=no"), QStringLiteral("--system=false"), QStringLiteral("-n"),
                    QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--use-pid-file=false"),
                    QStringLiteral("--load=module-null-sink sink_name=%1 format=s16le rate=44100 channels=1")
                        .arg(QString::fromLatin1(kSinkName)),
                    QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1 socket=%1").arg(socket)});
    if (!m_server.waitForStarted(5000)) {
      m_problem = "pulseaudio cannot be run: " + m_server.errorString().toStdString();
      return;
    }
    for (int attempt = 0; attempt < 50 && m_server.state() == QProcess::Running; ++attempt) {
      QProcess info;
      info.start(QStringLiteral("pactl"), {QStringLiteral("--server=") + m_address, QStringLiteral("info")});
      if (!info.waitForStarted(5000)) {
        m_problem = "pactl cannot be run: " + info.errorString().toStdString();
        return;
      }
      info.waitForFinished(5000);
      if (info.exitStatus() == QProcess::NormalExit && info.exitCode() == 0) return;
      QTest::qWait(100);
    }
    m_problem = "pulseaudio did not come up: " + QString::fromLocal8Bit(m_server.readAll()).trimmed().toStdString();
  }
  ~TSoundServer() {
    m_server.terminate();
    if (!m_server.waitForFinished(5000)) m_server.kill();
    m_server.waitForFinished(5000);
  }

  bool Running() const { return m_problem.empty() && m_server.state() == QProcess::Running; }
  const std::string& Problem() const { return m_problem; }
  const QString& Address() const { return m_address; }

private:
  QTemporaryDir m_dir;
  QProcess m_server;
  QString m_address;
  std::string m_problem;
};

// Noise-like and never still for long, so that one alignment stands out.
std::vector<std::int16_t> MakeSound(std::uint32_t seed) {
  std::vector<std::int16_t> samples(kWaveSamples);
  std::uint32_t state = seed;
  for (int i = 0; i < kWaveSamples; ++i) {
    state = state * 1664525u + 1013904223u;
    const double noise = static_cast<double>(state >> 16) / 65536.0 - 0.5;
    const double tone = std::sin(i * 0.031 * (1 + seed % 7)) + 0.5 * std::sin(i * 0.17);
    samples[i] = static_cast<std::int16_t>(std::lround(6000 * tone + 12000 * noise));
  }
  return samples;
}

void WriteSound(const std::string& path, const std::vector<std::int16_t>& samples) {
  TFileStream file(path, TFileMode::fmCreate);
  WriteWaveHeader(file, static_cast<std::uint32_t>(samples.size() * 2));
  for (const std::int16_t sample : samples) {
    const auto bits = static_cast<std::uint16_t>(sample);
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8)};
    file.WriteBuffer(bytes, 2);
  }
  file.Close();
}

std::vector<std::int16_t> ReadRecording(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::vector<std::int16_t> samples(bytes.size() / 2);
  for (std::size_t i = 0; i < samples.size(); ++i) {
    samples[i] = static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[2 * i]) |
                                           (static_cast<std::uint8_t>(bytes[2 * i + 1]) << 8));
  }
  return samples;
}

double Correlation(const std::vector<std::int16_t>& wave, const std::vector<std::int16_t>& heard, std::size_t lag,
                   std::size_t count) {
  double cross = 0, waveEnergy = 0, heardEnergy = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const double w = wave[i];
    const double h = heard[lag + i];
    cross += w * h;
    waveEnergy += w * w;
    heardEnergy += h * h;
  }
  return waveEnergy > 0 && heardEnergy > 0 ? cross / std::sqrt(waveEnergy * heardEnergy) : 0;
}

// The correlation of the whole wave with the recording at their best alignment: the lag is found
// with the wave's opening, then the whole wave is compared there. 0 when the recording cannot hold it.
double BestCorrelation(const std::vector<std::int16_t>& wave, const std::vector<std::int16_t>& heard) {
  if (heard.size() < wave.size()) return 0;
  constexpr std::size_t kOpening = 2048;
  std::size_t bestLag = 0;
  double best = -2;
  for (std::size_t lag = 0; lag + wave.size() <= heard.size(); ++lag) {
    const double c = Correlation(wave, heard, lag, kOpening);
    if (c > best) {
      best = c;
      bestLag = lag;
    }
  }
  return Correlation(wave, heard, bestLag, wave.size());
}

TEST(PlaybackThroughASoundServer, WhatIsHeardIsTheWave) {
  TSoundServer server;
  if (!server.Running()) GTEST_SKIP() << "no sound server, playback not tested: " << server.Problem();
  // Before anything in this process asks Qt for a sound device.
  ::setenv("PULSE_SERVER", server.Address().toLocal8Bit().constData(), 1);

  TScratchFolder folder;
  const std::vector<std::int16_t> sound = MakeSound(1);
  const std::string wave = folder.Path("heard.wav");
  WriteSound(wave, sound);

  // Silence played all along keeps the null output running, so its monitor is recorded from
  // before the wave starts rather than from a moment after it. Both streams keep their latency
  // short: the output then renders little ahead, and what it renders again once the wave joins
  // is still in the recorder's queue to be replaced.
  QProcess silence;
  silence.start(QStringLiteral("pacat"), {QStringLiteral("--server=") + server.Address(),
                                          QStringLiteral("--device=%1").arg(QString::fromLatin1(kSinkName)),
                                          QStringLiteral("--format=s16le"), QStringLiteral("--rate=44100"),
                                          QStringLiteral("--channels=1"), QStringLiteral("--raw"),
                                          QStringLiteral("--latency-msec=20"), QStringLiteral("/dev/zero")});
  if (!silence.waitForStarted(5000)) GTEST_SKIP() << "pacat cannot be run: " << silence.errorString().toStdString();
  const QString recordingPath = QString::fromStdString(folder.Path("heard.raw"));
  QProcess recorder;
  recorder.setStandardOutputFile(recordingPath);
  recorder.start(QStringLiteral("parec"),
                 {QStringLiteral("--server=") + server.Address(),
                  QStringLiteral("--device=%1.monitor").arg(QString::fromLatin1(kSinkName)),
                  QStringLiteral("--format=s16le"), QStringLiteral("--rate=44100"), QStringLiteral("--channels=1"),
                  QStringLiteral("--raw"), QStringLiteral("--latency-msec=100")});
  if (!recorder.waitForStarted(5000)) GTEST_SKIP() << "parec cannot be run: " << recorder.errorString().toStdString();
  if (!QTest::qWaitFor([&] { return QFileInfo(recordingPath).size() > 0; }, 5000)) {
    GTEST_SKIP() << "the sound server records nothing from its null output";
  }

  TRecordedErrors errors;
  TScriptedDialogs dialogs;
  TForm2 form2{TUiServices{errors, dialogs}};
  form2.Edit1().setText(QString::fromStdString(wave));
  form2.show();  // analyses by itself
  ASSERT_TRUE(QTest::qWaitFor([&] { return !form2.Image1().Picture().Empty(); }, 10000)) << errors.Shown.front();
  auto* play = form2.findChild<QPushButton*>(QStringLiteral("PlayButton"));
  ASSERT_TRUE(play->isEnabled()) << "the server runs, yet Qt finds no output device: " << play->toolTip().toStdString();
  play->click();
  ASSERT_TRUE(form2.Playback().Player().Playing());
  EXPECT_TRUE(QTest::qWaitFor([&] { return !form2.Playback().Player().Playing(); }, 10000));
  EXPECT_TRUE(errors.Shown.empty()) << errors.Shown.front();
  form2.hide();
  QTest::qWait(300);
  recorder.terminate();
  recorder.waitForFinished(5000);
  silence.terminate();
  silence.waitForFinished(5000);

  const std::vector<std::int16_t> heard = ReadRecording(recordingPath);
  ASSERT_GE(heard.size(), sound.size()) << "the recording is shorter than the wave";
  EXPECT_GT(BestCorrelation(sound, heard), 0.99);
  // The check tells waves apart: another wave of the same kind does not pass it.
  EXPECT_LT(BestCorrelation(MakeSound(2), heard), 0.5);
}

}  // namespace
}  // namespace ombrisk::testing
