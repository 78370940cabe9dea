#include "signal/fft_tables.h"

#include <array>
#include <cmath>
#include <memory>
#include <mutex>

namespace ombrisk::fft_detail {
namespace {

// cos and sin of (step × index), the product and both functions in long double, each result
// rounded once to double: the one way every twiddle of the transforms is made.
double CosOf(double step, std::int32_t index) {
  return static_cast<double>(std::cos(static_cast<long double>(step) * index));
}
double SinOf(double step, std::int32_t index) {
  return static_cast<double>(std::sin(static_cast<long double>(step) * index));
}

// The stored angle steps, worked in long double and rounded to double.
double ForwardStep(std::int32_t n) {
  return static_cast<double>(-8.0L * std::atan(1.0L) / static_cast<long double>(n));
}
double InverseStep(std::int32_t n) {
  return static_cast<double>(8.0L * std::atan(1.0L) / static_cast<long double>(n));
}

int Log2(std::int32_t n) {
  int k = 0;
  while ((std::int32_t{1} << k) < n) ++k;
  return k;
}

}  // namespace

TFftTables::TFftTables(std::int32_t n) : m_n(n) {
  MakeSwaps();
  MakeBlockTwiddles();
  if (n >= 64) MakeGroupedTwiddles();
  MakeInverseTwiddles();
}

// Short transforms swap pair by pair, in the order the counter visits them.
void TFftTables::MakeSwaps() {
  if (m_n >= 64) return;
  std::int32_t j = 0;
  for (std::int32_t i = 1; i <= m_n - 2; ++i) {
    AdvanceBitReversed(j, m_n >> 1);
    if (i < j) {
      m_swaps.push_back(static_cast<std::uint32_t>(i));
      m_swaps.push_back(static_cast<std::uint32_t>(j));
    }
  }
}

// The forward stages' twiddles, one set a block of four, in bit-reversed block order.
void TFftTables::MakeBlockTwiddles() {
  const std::int32_t blocks = m_n >= 4 ? m_n / 4 : 1;
  const double e = ForwardStep(m_n);
  const double halfE = 0.5 * e;
  m_c3.resize(static_cast<std::size_t>(blocks));
  m_s3.resize(m_c3.size());
  m_c5.resize(m_c3.size());
  m_s5.resize(m_c3.size());
  std::int32_t j = 0;
  for (std::int32_t beta = 0; beta < blocks; ++beta) {
    const auto at = static_cast<std::size_t>(beta);
    m_c3[at] = CosOf(halfE, j);
    m_s3[at] = SinOf(halfE, j);
    m_c5[at] = CosOf(e, j);
    m_s5[at] = SinOf(e, j);
    AdvanceBitReversed(j, m_n >> 2);
  }
}

// The block twiddles again, laid out four blocks side by side for the vector paths.
void TFftTables::MakeGroupedTwiddles() {
  const std::size_t sixteens = static_cast<std::size_t>(m_n / 16);
  const auto regroup = [sixteens](const std::vector<double>& from, std::size_t perBlock) {
    std::vector<double> to(sixteens * perBlock);
    for (std::size_t b = 0; b < sixteens; ++b) {
      for (std::size_t r = 0; r < perBlock; ++r) {
        to[(b / 4) * 4 * perBlock + 4 * r + b % 4] = from[perBlock * b + r];
      }
    }
    return to;
  };
  m_q2c3 = regroup(m_c3, 4);
  m_q2s3 = regroup(m_s3, 4);
  m_q4c3 = regroup(m_c3, 2);
  m_q4s3 = regroup(m_s3, 2);
  m_q4c5 = regroup(m_c5, 2);
  m_q4s5 = regroup(m_s5, 2);
}

// The inverse stages run from b = n down to 2, doubling the step each time.
void TFftTables::MakeInverseTwiddles() {
  const int levels = Log2(m_n);
  m_invOffset.assign(static_cast<std::size_t>(levels) + 1, 0);
  std::int32_t total = 0;
  for (int k = 1; k <= levels; ++k) {
    m_invOffset[static_cast<std::size_t>(k)] = total;
    total += (std::int32_t{1} << k) / 4;
  }
  m_invCos.assign(static_cast<std::size_t>(total) + 1, 0.0);
  m_invSin.assign(m_invCos.size(), 0.0);
  double step = InverseStep(m_n);
  for (int k = levels; k >= 1; --k) {
    const std::int32_t quarter = (std::int32_t{1} << k) / 4;
    const auto base = static_cast<std::size_t>(m_invOffset[static_cast<std::size_t>(k)]);
    for (std::int32_t jj = 1; jj < quarter; ++jj) {
      m_invCos[base + static_cast<std::size_t>(jj)] = CosOf(step, jj);
      m_invSin[base + static_cast<std::size_t>(jj)] = SinOf(step, jj);
    }
    step = step * 2;
  }
}

TFftTableView TFftTables::View() const {
  TFftTableView v;
  v.n = m_n;
  v.swaps = m_swaps.data();
  v.swapCount = static_cast<std::int32_t>(m_swaps.size() / 2);
  v.c3 = m_c3.data();
  v.s3 = m_s3.data();
  v.c5 = m_c5.data();
  v.s5 = m_s5.data();
  if (!m_q2c3.empty()) {
    v.q2c3 = m_q2c3.data();
    v.q2s3 = m_q2s3.data();
    v.q4c3 = m_q4c3.data();
    v.q4s3 = m_q4s3.data();
    v.q4c5 = m_q4c5.data();
    v.q4s5 = m_q4s5.data();
  }
  v.invCos = m_invCos.data();
  v.invSin = m_invSin.data();
  v.invOffset = m_invOffset.data();
  return v;
}

const TFftTables& FftTablesFor(std::int32_t n) {
  // One slot per length, filled on first use. call_once makes concurrent first calls safe; a
  // build that throws (memory exhausted) leaves the slot empty for the next call to retry.
  struct Slot {
    std::once_flag once;
    std::unique_ptr<const TFftTables> tables;
  };
  static std::array<Slot, 31> slots;
  Slot& slot = slots[static_cast<std::size_t>(Log2(n))];
  std::call_once(slot.once, [&] { slot.tables = std::make_unique<const TFftTables>(n); });
  return *slot.tables;
}

}  // namespace ombrisk::fft_detail
