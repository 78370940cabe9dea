// One frame of the editable spectrogram's transform each way: the Hann-windowed spectrum of the
// frame centred on a sample, and the windowed samples of a spectrum (for a least-squares
// overlap-add). Bins 0 … size/2 as complex values with the usual sign, X(k) = Σ x(t)·e^(−2πikt/size).
//
//   TShortTimeFourier stft(2048);   // one per thread: it keeps its own scratch
//   stft.Forward(signal, centre, bins);
//   stft.InverseWindowed(bins, frame);   // frame[j] belongs at centre − size/2 + j
#pragma once

#include <complex>
#include <cstdint>
#include <span>
#include <vector>

namespace ombrisk {

class TShortTimeFourier {
public:
  explicit TShortTimeFourier(std::int32_t size);

  std::int32_t Size() const { return m_size; }
  std::int32_t Bins() const { return m_size / 2 + 1; }
  const std::vector<double>& Window() const { return m_window; }

  // Samples outside the signal count as zeros.
  void Forward(std::span<const double> signal, std::int64_t centre, std::complex<float>* bins);
  // The frame whose spectrum is bins, times the window: size samples.
  void InverseWindowed(const std::complex<float>* bins, double* frame);

private:
  std::int32_t m_size;
  std::vector<double> m_window;
  std::vector<double> m_buffer;
};

}  // namespace ombrisk
