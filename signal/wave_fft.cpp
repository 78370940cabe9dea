#include "signal/wave_fft.h"

#include <string>

#include "signal/fft_paths.h"
#include "signal/fft_tables.h"
#include "toolkit/exception.h"
#include "toolkit/message_format.h"

namespace ombrisk {
namespace fft_detail {
namespace {

void Forward(TFftPath path, const TFftTableView& t, double* data) {
  switch (path) {
#if defined(__x86_64__)
    case TFftPath::Avx2: ForwardAvx2(t, data); return;
    case TFftPath::Sse2: ForwardSse2(t, data); return;
#endif
    default: ForwardPortable(t, data); return;
  }
}

void Inverse(TFftPath path, const TFftTableView& t, double* data) {
  switch (path) {
#if defined(__x86_64__)
    case TFftPath::Avx2: InverseAvx2(t, data); return;
    case TFftPath::Sse2: InverseSse2(t, data); return;
#endif
    default: InversePortable(t, data); return;
  }
}

}  // namespace

TKernelPaths& TransformPaths() {
  static TKernelPaths paths("transform", {
#if defined(__x86_64__)
    TFftPath::Sse2, TFftPath::Avx2,
#endif
  });
  return paths;
}

std::vector<TFftPath> AvailableFftPaths() {
  std::vector<TFftPath> paths;
  for (const TFftPath path : TransformPaths().Built()) {
    if (ProcessorRuns(path)) paths.push_back(path);
  }
  return paths;
}

TFftPath BestFftPath() { return TransformPaths().Taken(); }

namespace {

// The one check of the arguments: a wrong length would index outside the caller's array.
void CheckArguments(std::int32_t n, std::span<double> data) {
  if (n < 2 || (n & (n - 1)) != 0) throw Exception(FormatMessage(kSFftBadLength, {std::to_string(n)}));
  if (data.size() < static_cast<std::size_t>(n)) {
    throw Exception(FormatMessage(kSFftShortData, {std::to_string(n), std::to_string(data.size())}));
  }
}

}  // namespace

void ForwardRealFFTOn(TFftPath path, std::int32_t n, std::span<double> data) {
  CheckArguments(n, data);
  Forward(path, FftTablesFor(n).View(), data.data());
}

void InverseRealFFTOn(TFftPath path, std::int32_t n, std::span<double> data) {
  CheckArguments(n, data);
  Inverse(path, FftTablesFor(n).View(), data.data());
}

}  // namespace fft_detail

void ForwardRealFFT(std::int32_t n, std::span<double> data) {
  fft_detail::ForwardRealFFTOn(fft_detail::BestFftPath(), n, data);
}

void InverseRealFFT(std::int32_t n, std::span<double> data) {
  fft_detail::InverseRealFFTOn(fft_detail::BestFftPath(), n, data);
}

}  // namespace ombrisk
