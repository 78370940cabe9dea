// The decoding of a sound file through libsndfile together with the analysis of what it gives, at a
// small transform size. The input is read from memory through libsndfile's virtual I/O, so no file
// is written per input (the reading of files is the tests'). Most inputs run on one thread, as in
// fuzz_wave; one input length in sixteen starts the decoding and drawing threads, which cost more
// to start than most inputs cost to run.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <system_error>
#include <thread>

#include "recording/recording_reader.h"
#include "spectrogram/recording_analysis.h"
#include "toolkit/exception.h"
#include "toolkit/progress.h"
#include "toolkit/second_thread.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data), size);
  // The header's first bytes name the format, so the settings come from the last byte.
  const std::uint8_t last = size > 0 ? data[size - 1] : 0;
  ombrisk::TSpectrogramSettings settings;
  settings.SampleSize = 128;
  settings.WindowIndex = last % 5;
  settings.LogFrequency = (last & 8) != 0;
  settings.LogVoltage = (last & 16) != 0;
  // One input length in sixteen: mutations change the length all the time but seldom the last
  // byte, so a choice by that byte would follow whatever inputs the corpus happens to keep.
  const bool secondThread = size % 16 == 1;
  const ombrisk::TThreadStarter oneThread = [](std::function<void()>) -> std::thread {
    throw std::system_error(EAGAIN, std::generic_category(), "one thread");
  };
  try {
    ombrisk::TRecordingReader reader(bytes, "input", 0);
    const ombrisk::TRecordingInfo info = reader.Info();
    // An announced length far beyond what the bytes can hold only makes a run paint a wide black
    // picture within the size limits (the malformed-input tests cover the limits themselves), so
    // such inputs are passed over; a file that announces no length is drawn as far as it goes.
    const std::int64_t plausible = static_cast<std::int64_t>(size) * 16 + 16384;
    if (info.Frames > plausible && info.Frames != INT64_MAX) return 0;
    reader.SelectChannel(static_cast<std::int32_t>(last % (info.Channels + 1)));
    ombrisk::TNullProgress progress;
    (void)ombrisk::AnalyzeRecordingReader(reader, settings, progress,
                                          secondThread ? ombrisk::TThreadStarter(ombrisk::StartThread) : oneThread);
  } catch (const ombrisk::Exception&) {
  }
  return 0;
}
