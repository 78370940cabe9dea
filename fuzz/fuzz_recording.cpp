// The decoding of a sound file through libsndfile together with the analysis of what it gives, at a
// small transform size. libsndfile reads only from a file, so each input is written to one file of
// this process's own first. Most inputs run on one thread, as in fuzz_wave; one in four starts the
// decoding and drawing threads.
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <system_error>
#include <thread>

#include "recording/recording_reader.h"
#include "spectrogram/recording_analysis.h"
#include "toolkit/exception.h"
#include "toolkit/progress.h"
#include "toolkit/second_thread.h"

namespace {

// The one file the inputs are written to, removed when the process ends.
struct TInputFile {
  std::string path;
  TInputFile() {
    const char* const folder = std::getenv("TMPDIR");
    path = std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/fuzz_recording-" +
           std::to_string(getpid());
  }
  ~TInputFile() { std::remove(path.c_str()); }
  TInputFile(const TInputFile&) = delete;
  TInputFile& operator=(const TInputFile&) = delete;
};

bool WriteInput(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::FILE* const file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(data, 1, size, file) == size;
  return std::fclose(file) == 0 && written;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const TInputFile input;
  const std::string& path = input.path;
  if (!WriteInput(path, data, size)) std::abort();
  // The header's first bytes name the format, so the settings come from the last byte.
  const std::uint8_t last = size > 0 ? data[size - 1] : 0;
  ombrisk::TSpectrogramSettings settings;
  settings.SampleSize = 128;
  settings.WindowIndex = last % 5;
  settings.LogFrequency = (last & 8) != 0;
  settings.LogVoltage = (last & 16) != 0;
  const bool secondThread = (last & 0x60) == 0x60;
  const ombrisk::TThreadStarter oneThread = [](std::function<void()>) -> std::thread {
    throw std::system_error(EAGAIN, std::generic_category(), "one thread");
  };
  try {
    ombrisk::TRecordingReader probe(path, 0);
    const ombrisk::TRecordingInfo info = probe.Info();
    // An announced length far beyond what the bytes can hold only makes a run paint a wide black
    // picture within the size limits (the malformed-input tests cover the limits themselves), so
    // such inputs are passed over; a file that announces no length is drawn as far as it goes.
    const std::int64_t plausible = static_cast<std::int64_t>(size) * 64 + 65536;
    if (info.Frames > plausible && info.Frames != INT64_MAX) return 0;
    ombrisk::TRecordingReader reader(path, static_cast<std::int32_t>(last % (info.Channels + 1)));
    ombrisk::TNullProgress progress;
    (void)ombrisk::AnalyzeRecordingReader(reader, settings, progress,
                                          secondThread ? ombrisk::TThreadStarter(ombrisk::StartThread) : oneThread);
  } catch (const ombrisk::Exception&) {
  }
  return 0;
}
