// The wave reader together with the analysis, at a small transform size so each input runs fast.
// The input is read from memory, and most inputs run on one thread: opening a file and starting the
// drawing thread cost more than the analysis of a small input. One input in four still starts it.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "spectrogram/spectrogram_analysis.h"
#include "toolkit/exception.h"
#include "toolkit/progress.h"
#include "toolkit/second_thread.h"
#include "toolkit/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> bytes(data, data + size);
  // The announced data size sets the picture's width. A size near 4 GB is refused by the size limits
  // (covered by the malformed-input tests); here a large one would only make each run allocate and
  // paint a picture far beyond the file, so it is kept to at most a few blocks past the data there
  // is, and the fuzzer spends its time in the reader and the block loop.
  if (bytes.size() >= 44) {
    std::uint32_t announced = 0;
    for (int i = 3; i >= 0; --i) announced = (announced << 8) | bytes[40 + static_cast<std::size_t>(i)];
    const std::uint32_t cap = static_cast<std::uint32_t>(bytes.size() - 44) + 4096;
    if (announced > cap) {
      for (int i = 0; i < 4; ++i) bytes[40 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(cap >> (8 * i));
    }
  }
  ombrisk::TMemoryStream stream;
  stream.Write(bytes.data(), bytes.size());
  stream.Seek(0, ombrisk::TSeekOrigin::soBeginning);
  ombrisk::TSpectrogramSettings settings;
  settings.SampleSize = 128;
  if (size > 0) {
    settings.WindowIndex = data[0] % 5;
    settings.LogFrequency = (data[0] & 8) != 0;
    settings.LogVoltage = (data[0] & 16) != 0;
  }
  const bool secondThread = size > 0 && (data[0] & 0x60) == 0x60;
  const ombrisk::TThreadStarter oneThread = [](std::function<void()>) -> std::thread {
    throw std::system_error(EAGAIN, std::generic_category(), "one thread");
  };
  try {
    ombrisk::TNullProgress progress;
    (void)ombrisk::AnalyzeWaveStream(stream, "fuzz.wav", settings, progress,
                                     secondThread ? ombrisk::TThreadStarter(ombrisk::StartThread) : oneThread);
  } catch (const ombrisk::Exception&) {
  }
  return 0;
}
