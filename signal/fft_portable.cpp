// The stage kernels on plain doubles: the path for every machine.
#include "signal/fft_forward_kernel.h"
#include "signal/fft_inverse_kernel.h"

namespace ombrisk::fft_detail {
namespace {

struct TScalarOps {
  using V = double;
  static constexpr int kWidth = 1;
  static V Load(const double* p) { return *p; }
  static void Store(double* p, V v) { *p = v; }
  static V LoadReversed(const double* p) { return *p; }
  static void StoreReversed(double* p, V v) { *p = v; }
  static V Set1(double x) { return x; }
  static void Transpose(V*) {}
  static V KeepLane0(V, V original) { return original; }
};

}  // namespace

void ForwardPortable(const TFftTableView& t, double* data) { TForwardKernel<TScalarOps>::Run(t, data); }
void InversePortable(const TFftTableView& t, double* data) { TInverseKernel<TScalarOps>::Run(t, data); }

}  // namespace ombrisk::fft_detail
