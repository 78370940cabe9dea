// Plays a short wave from the preview window through a real sound server and checks that what came
// out of it is that wave. The test starts a PulseAudio server of its own with one null output and
// records that output's monitor with parec; where no server can be started here it is skipped.
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
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

constexpr int kWaveSamples = 44100;  // one second

// A private PulseAudio server with the null output "ombrisk_test", gone with this object.
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
                    QStringLiteral("--load=module-null-sink sink_name=ombrisk_test format=s16le rate=44100 channels=1"),
                    QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1 socket=") + socket});
    if (!m_server.waitForStarted(5000)) {
      m_problem = "pulseaudio cannot be run: " + m_server.errorString().toStdString();
      return;
    }
    for (int attempt = 0; attempt < 50 && m_server.state() == QProcess::Running; ++attempt) {
      QProcess info;
      if (!Start(info, QStringLiteral("pactl"), {QStringLiteral("info")})) return;
      info.waitForFinished(5000);
      if (info.exitStatus() == QProcess::NormalExit && info.exitCode() == 0) return;
      QTest::qWait(100);
    }
    m_problem = "pulseaudio did not come up: " + QString::fromLocal8Bit(m_server.readAll()).trimmed().toStdString();
  }
  ~TSoundServer() {
    m_server.terminate();
    if (!m_server.waitForFinished(5000)) m_server.kill();
  }

  bool Running() const { return m_problem.empty() && m_server.state() == QProcess::Running; }
  const std::string& Problem() const { return m_problem; }
  const QString& Address() const { return m_address; }
  // Runs one of the server's tools against it; false, with the Problem said, when it cannot run.
  bool Start(QProcess& process, const QString& program, QStringList arguments) {
    arguments.prepend(QStringLiteral("--server=") + m_address);
    process.start(program, arguments);
    if (process.waitForStarted(5000)) return true;
    m_problem = program.toStdString() + " cannot be run: " + process.errorString().toStdString();
    return false;
  }

private:
  QTemporaryDir m_dir;
  QProcess m_server;
  QString m_address;
  std::string m_problem;
};

const QStringList kRawMono = {QStringLiteral("--format=s16le"), QStringLiteral("--rate=44100"),
                              QStringLiteral("--channels=1"), QStringLiteral("--raw")};

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

// Both ways little-endian, as the wave format and parec's s16le have it.
void WriteSound(const std::string& path, const std::vector<std::int16_t>& samples) {
  TFileStream file(path, TFileMode::fmCreate);
  WriteWaveHeader(file, static_cast<std::uint32_t>(samples.size() * 2));
  std::vector<std::uint8_t> bytes;
  for (const std::int16_t sample : samples) {
    bytes.push_back(static_cast<std::uint8_t>(sample));
    bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(sample) >> 8));
  }
  file.WriteBuffer(bytes.data(), bytes.size());
  file.Close();
}

std::vector<std::int16_t> ReadRecording(const std::string& path) {
  const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
  std::vector<std::int16_t> samples(bytes.size() / 2);
  for (std::size_t i = 0; i < samples.size(); ++i) {
    samples[i] = static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
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

// The correlation of the whole wave with the recording at their best alignment, found with the
// wave's opening; 0 when the recording cannot hold the wave.
double BestCorrelation(const std::vector<std::int16_t>& wave, const std::vector<std::int16_t>& heard) {
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
  return best > -2 ? Correlation(wave, heard, bestLag, wave.size()) : 0;
}

// The errors the window showed, for a failure's message; says so when there were none.
std::string Diagnosis(const TRecordedErrors& errors) {
  if (errors.Shown.empty()) return "the window showed no error";
  std::string text = "the window showed:";
  for (const std::string& shown : errors.Shown) text += " \"" + shown + "\"";
  return text;
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
  if (!server.Start(silence, QStringLiteral("pacat"),
                    kRawMono + QStringList{QStringLiteral("--device=ombrisk_test"), QStringLiteral("--latency-msec=20"),
                                           QStringLiteral("/dev/zero")})) {
    GTEST_SKIP() << server.Problem();
  }
  const std::string recording = folder.Path("heard.raw");
  QProcess recorder;
  recorder.setStandardOutputFile(QString::fromStdString(recording));
  if (!server.Start(recorder, QStringLiteral("parec"),
                    kRawMono + QStringList{QStringLiteral("--device=ombrisk_test.monitor"),
                                           QStringLiteral("--latency-msec=100")})) {
    GTEST_SKIP() << server.Problem();
  }
  if (!QTest::qWaitFor([&] { return QFileInfo(QString::fromStdString(recording)).size() > 0; }, 5000)) {
    GTEST_SKIP() << "the sound server records nothing from its null output";
  }

  TRecordedErrors errors;
  TScriptedDialogs dialogs;
  TForm2 form2{TUiServices{errors, dialogs}};
  form2.Edit1().setText(QString::fromStdString(wave));
  form2.show();  // analyses by itself
  ASSERT_TRUE(QTest::qWaitFor([&] { return !form2.Image1().Picture().Empty(); }, 10000)) << Diagnosis(errors);
  auto* play = form2.findChild<QPushButton*>(QStringLiteral("PlayButton"));
  ASSERT_TRUE(play->isEnabled()) << "the server runs, yet Qt finds no output device: " << play->toolTip().toStdString();
  play->click();
  ASSERT_TRUE(form2.Playback().Player().Playing());
  EXPECT_TRUE(QTest::qWaitFor([&] { return !form2.Playback().Player().Playing(); }, 10000));
  EXPECT_TRUE(errors.Shown.empty()) << Diagnosis(errors);
  QTest::qWait(300);
  recorder.terminate();
  recorder.waitForFinished(5000);

  // Stop silences at once: what is heard after the press is no more than the output's latency,
  // not the rest of what the device had been handed (its buffer holds 400 ms).
  const std::string stopped = folder.Path("stopped.raw");
  QProcess stopRecorder;
  stopRecorder.setStandardOutputFile(QString::fromStdString(stopped));
  ASSERT_TRUE(server.Start(stopRecorder, QStringLiteral("parec"),
                           kRawMono + QStringList{QStringLiteral("--device=ombrisk_test.monitor"),
                                                  QStringLiteral("--latency-msec=20")}))
      << server.Problem();
  ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo(QString::fromStdString(stopped)).size() > 0; }, 5000));
  QElapsedTimer played;
  play->click();
  played.start();
  QTest::qWait(300);
  const qint64 playedMs = played.elapsed();
  play->click();
  ASSERT_FALSE(form2.Playback().Player().Playing());
  QTest::qWait(800);
  stopRecorder.terminate();
  stopRecorder.waitForFinished(5000);
  const std::vector<std::int16_t> afterStop = ReadRecording(stopped);
  const auto loud = std::count_if(afterStop.begin(), afterStop.end(), [](std::int16_t s) { return std::abs(s) > 64; });
  EXPECT_LT(loud, (playedMs + 150) * 44100 / 1000) << "heard " << loud << " samples in " << playedMs << " ms of playing";

  form2.hide();
  silence.terminate();
  silence.waitForFinished(5000);

  const std::vector<std::int16_t> heard = ReadRecording(recording);
  ASSERT_GE(heard.size(), sound.size()) << "the recording is shorter than the wave";
  EXPECT_GT(BestCorrelation(sound, heard), 0.99);
  // The check tells waves apart: another wave of the same kind does not pass it.
  EXPECT_LT(BestCorrelation(MakeSound(2), heard), 0.5);
}

}  // namespace
}  // namespace ombrisk::testing
