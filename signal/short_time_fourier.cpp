#include "signal/short_time_fourier.h"

#include <algorithm>

#include "signal/editable_parameters.h"
#include "signal/wave_fft.h"

namespace ombrisk {

TShortTimeFourier::TShortTimeFourier(std::int32_t size)
    : m_size(size), m_window(HannWindow(size)), m_buffer(static_cast<std::size_t>(size)) {}

void TShortTimeFourier::Forward(std::span<const double> signal, std::int64_t centre, std::complex<float>* bins) {
  const std::int64_t start = centre - m_size / 2;
  const auto length = static_cast<std::int64_t>(signal.size());
  const std::int64_t first = std::clamp<std::int64_t>(-start, 0, m_size);
  const std::int64_t last = std::clamp<std::int64_t>(length - start, first, m_size);
  std::fill(m_buffer.begin(), m_buffer.end(), 0.0);
  for (std::int64_t j = first; j < last; ++j) {
    m_buffer[static_cast<std::size_t>(j)] = m_window[static_cast<std::size_t>(j)] * signal[static_cast<std::size_t>(start + j)];
  }
  ForwardRealFFT(m_size, m_buffer);
  const std::int32_t half = m_size / 2;
  bins[0] = {static_cast<float>(m_buffer[0]), 0.0f};
  for (std::int32_t k = 1; k < half; ++k) {
    bins[k] = {static_cast<float>(m_buffer[static_cast<std::size_t>(k)]),
               static_cast<float>(-m_buffer[static_cast<std::size_t>(m_size - k)])};
  }
  bins[half] = {static_cast<float>(m_buffer[static_cast<std::size_t>(half)]), 0.0f};
}

void TShortTimeFourier::InverseWindowed(const std::complex<float>* bins, double* frame) {
  const std::int32_t half = m_size / 2;
  m_buffer[0] = bins[0].real();
  for (std::int32_t k = 1; k < half; ++k) {
    m_buffer[static_cast<std::size_t>(k)] = bins[k].real();
    m_buffer[static_cast<std::size_t>(m_size - k)] = -bins[k].imag();
  }
  m_buffer[static_cast<std::size_t>(half)] = bins[half].real();
  InverseRealFFT(m_size, m_buffer);
  // The inverse transform gives size/2 times the samples.
  const double scale = 2.0 / static_cast<double>(m_size);
  for (std::int32_t j = 0; j < m_size; ++j) {
    frame[j] = m_buffer[static_cast<std::size_t>(j)] * scale * m_window[static_cast<std::size_t>(j)];
  }
}

}  // namespace ombrisk
