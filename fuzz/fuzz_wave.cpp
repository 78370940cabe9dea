// The wave reader together with the analysis, at a small transform size so each input runs fast.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "preview/spectrogram_analysis.h"
#include "toolkit/exception.h"
#include "toolkit/progress.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = "/tmp/ombrisk-fuzz-" + std::to_string(::getpid()) + ".wav";
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
  if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  }
  ombrisk::TSpectrogramSettings settings;
  settings.SampleSize = 128;
  if (size > 0) {
    settings.WindowIndex = data[0] % 5;
    settings.LogFrequency = (data[0] & 8) != 0;
    settings.LogVoltage = (data[0] & 16) != 0;
  }
  try {
    ombrisk::TNullProgress progress;
    (void)ombrisk::AnalyzeWave(path, settings, progress);
  } catch (const ombrisk::Exception&) {
  }
  std::remove(path.c_str());
  return 0;
}
