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
  // A data size near 4 GB is refused by the size limits (covered by the malformed-input tests); here
  // it would only make each run allocate and paint a huge picture, so the announced size is kept
  // below 1 MiB and the fuzzer spends its time in the reader and the block loop.
  if (bytes.size() >= 44) bytes[43] = 0, bytes[42] &= 0x0F;
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
