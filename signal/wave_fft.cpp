#include "signal/wave_fft.h"

#include <string>
#include <utility>

#include "signal/fft_paths.h"
#include "signal/fft_tables.h"
#include "toolkit/exception.h"
#include "toolkit/message_format.h"

namespace ombrisk {
namespace fft_detail {
namespace {

bool HasAvx2() {
#if defined(__x86_64__)
  // The compiler's check also asks the system whether it saves the wide registers.
  return __builtin_cpu_supports("avx2");
#else
  return false;
#endif
}

void Reorder(const TFftTableView& t, double* data) {
  const std::uint32_t* swap = t.swaps;
  for (std::int32_t i = 0; i < t.swapCount; ++i, swap += 2) std::swap(data[swap[0]], data[swap[1]]);
}

void ForwardStages(TFftPath path, const TFftTableView& t, double* data) {
  switch (path) {
#if defined(__x86_64__)
    case TFftPath::Avx2: ForwardStagesAvx2(t, data); return;
    case TFftPath::Sse2: ForwardStagesSse2(t, data); return;
#endif
    default: ForwardStagesPortable(t, data); return;
  }
}

void InverseStages(TFftPath path, const TFftTableView& t, double* data) {
  switch (path) {
#if defined(__x86_64__)
    case TFftPath::Avx2: InverseStagesAvx2(t, data); return;
    case TFftPath::Sse2: InverseStagesSse2(t, data); return;
#endif
    default: InverseStagesPortable(t, data); return;
  }
}

}  // namespace

std::vector<TFftPath> AvailableFftPaths() {
  std::vector<TFftPath> paths{TFftPath::Portable};
#if defined(__x86_64__)
  paths.push_back(TFftPath::Sse2);
  if (HasAvx2()) paths.push_back(TFftPath::Avx2);
#endif
  return paths;
}

TFftPath BestFftPath() {
  static const TFftPath best = AvailableFftPaths().back();
  return best;
}

const char* FftPathName(TFftPath path) {
  switch (path) {
    case TFftPath::Sse2: return "sse2";
    case TFftPath::Avx2: return "avx2";
    default: return "portable";
  }
}

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
  const TFftTableView t = FftTablesFor(n).View();
  Reorder(t, data.data());
  ForwardStages(path, t, data.data());
}

void InverseRealFFTOn(TFftPath path, std::int32_t n, std::span<double> data) {
  CheckArguments(n, data);
  const TFftTableView t = FftTablesFor(n).View();
  double* d = data.data();
  d[0] = d[0] / 2;
  d[n >> 1] = d[n >> 1] / 2;
  InverseStages(path, t, d);
  Reorder(t, d);
}

}  // namespace fft_detail

void ForwardRealFFT(std::int32_t n, std::span<double> data) {
  fft_detail::ForwardRealFFTOn(fft_detail::BestFftPath(), n, data);
}

void InverseRealFFT(std::int32_t n, std::span<double> data) {
  fft_detail::InverseRealFFTOn(fft_detail::BestFftPath(), n, data);
}

}  // namespace ombrisk
