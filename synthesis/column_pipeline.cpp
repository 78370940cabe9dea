#include "synthesis/column_pipeline.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <memory>
#include <mutex>
#include <span>
#include <thread>

#include "signal/wave_fft.h"
#include "synthesis/sample_writer.h"
#include "synthesis/synthesis_steps.h"
#include "toolkit/handoff.h"

namespace ombrisk {

namespace {

// Batches are counted as THandoff counts them; a picture has at most 2^24 columns.
using TCount = std::int32_t;

// Columns travel in batches of about this many spectrum values, so that handing one over costs
// little beside its transforms. A few batches are in flight: filled ahead, transformed, written behind.
constexpr std::size_t kBatchValues = std::size_t{1} << 14;
constexpr std::size_t kMaxBatchColumns = 64;
constexpr std::size_t kSlots = 8;
// Batches the helper keeps filled ahead of the one being transformed before it turns to writing.
constexpr TCount kReadyAhead = 2;

struct TBatch {
  std::unique_ptr<double[]> spectra;        // column after column, n values each
  std::unique_ptr<std::int16_t[]> samples;  // the same columns as 16-bit samples
  // Leading columns the caller already rounded into samples; set before the batch is handed over.
  std::size_t roundedColumns = 0;
};

class TColumnPipeline {
public:
  TColumnPipeline(TColumnReader& reader, const TColumnSpectrum& spectrum, std::int32_t n, int width, TStream& file)
      : m_reader(reader),
        m_spectrum(spectrum),
        m_n(static_cast<std::size_t>(n)),
        m_width(static_cast<std::size_t>(width)),
        m_batchColumns(std::clamp<std::size_t>(kBatchValues / m_n, 1, kMaxBatchColumns)),
        m_batchCount(static_cast<TCount>((m_width + m_batchColumns - 1) / m_batchColumns)),
        m_file(file) {
    for (TBatch& batch : m_slots) {
      // Every value is written before it is read, so the memory is not cleared first.
      batch.spectra = std::make_unique_for_overwrite<double[]>(m_batchColumns * m_n);
      batch.samples = std::make_unique_for_overwrite<std::int16_t[]>(m_batchColumns * m_n);
    }
  }

  void Run(TProgressSink& progress) {
    std::thread helper([this] { Helper(); });
    // Joined on every way out; a failure here stops the helper first so that it cannot wait forever.
    struct TJoin {
      TColumnPipeline& pipeline;
      std::thread& thread;
      bool finished = false;
      ~TJoin() {
        if (!thread.joinable()) return;
        if (!finished) pipeline.Stop();
        thread.join();
      }
    } join{*this, helper};

    for (TCount i = 0; i < m_batchCount; ++i) {
      if (!m_filled.WaitFor(i + 1)) break;
      TBatch& batch = Slot(i);
      const std::size_t first = static_cast<std::size_t>(i) * m_batchColumns;
      const std::size_t count = std::min(m_batchColumns, m_width - first);
      for (std::size_t c = 0; c < count; ++c) {
        const std::span<double> column(batch.spectra.get() + c * m_n, m_n);
        InverseRealFFT(static_cast<std::int32_t>(m_n), column);
        progress.SetPosition(static_cast<int>(first + c));
      }
      // Rather than wait for the next batch, round this one's columns while they are still in this
      // processor's cache; what is left is the helper's. The last batch has nothing to wait for.
      const bool last = i + 1 == m_batchCount;
      std::size_t rounded = 0;
      while (rounded < count && (last || m_filled.Value() < i + 2)) {
        ScaleSamples(std::span<const double>(batch.spectra.get() + rounded * m_n, m_n),
                     std::span<std::int16_t>(batch.samples.get() + rounded * m_n, m_n));
        ++rounded;
      }
      batch.roundedColumns = rounded;
      m_transformed.Publish(i + 1);
      // Still nothing to transform: take a turn at writing out what is ready.
      while (!last && m_filled.Value() < i + 2 && WriteNext(false)) {
      }
    }
    join.finished = true;
    helper.join();
    if (m_helperError) std::rethrow_exception(m_helperError);
  }

private:
  TBatch& Slot(TCount i) { return m_slots[static_cast<std::size_t>(i) % kSlots]; }

  // Keeps the caller supplied with filled batches, and rounds and writes the transformed ones in
  // order (those the caller has not written meanwhile), each slot being filled again only once its
  // samples are out.
  void Helper() noexcept {
    try {
      TCount filled = 0;
      while (true) {
        const TCount written = m_written.load(std::memory_order_acquire);
        if (written >= m_batchCount) return;
        const TCount transformed = m_transformed.Value();
        if (m_transformed.Stopped()) return;
        const bool canFill = filled < m_batchCount && filled < written + static_cast<TCount>(kSlots);
        const bool canWrite = written < transformed;
        // The caller waiting for spectra is the costly stall; writing can always wait a little.
        if (canFill && (filled < transformed + kReadyAhead || !canWrite)) {
          Fill(filled);
          m_filled.Publish(++filled);
        } else if (canWrite) {
          WriteNext(true);
        } else if (!m_transformed.WaitFor(transformed + 1)) {
          return;
        }
      }
    } catch (...) {
      m_helperError = std::current_exception();
      Stop();
    }
  }

  void Fill(TCount i) {
    TBatch& batch = Slot(i);
    const std::size_t first = static_cast<std::size_t>(i) * m_batchColumns;
    const std::size_t count = std::min(m_batchColumns, m_width - first);
    for (std::size_t c = 0; c < count; ++c) {
      const int x = static_cast<int>(first + c);
      // For x > 0 the fill already holds what ApplyBinPhase makes of it (see column_spectrum.h).
      m_spectrum.Fill(m_reader.Sums(x), x > 0, std::span<double>(batch.spectra.get() + c * m_n, m_n));
    }
  }

  // Rounds what is left of the next batch due and writes it, unless none is transformed yet or the
  // other thread is writing (then it waits for its turn only when told to). True when it wrote.
  bool WriteNext(bool wait) {
    std::unique_lock<std::mutex> turn(m_writing, std::defer_lock);
    if (wait) {
      turn.lock();
    } else if (!turn.try_lock()) {
      return false;
    }
    const TCount next = m_written.load(std::memory_order_relaxed);
    if (m_transformed.Stopped() || next >= m_batchCount || next >= m_transformed.Value()) return false;
    Write(next);
    m_written.store(next + 1, std::memory_order_release);
    return true;
  }

  void Write(TCount i) {
    TBatch& batch = Slot(i);
    const std::size_t first = static_cast<std::size_t>(i) * m_batchColumns;
    const std::size_t count = std::min(m_batchColumns, m_width - first);
    const std::size_t rounded = batch.roundedColumns * m_n;
    const std::size_t values = count * m_n;
    ScaleSamples(std::span<const double>(batch.spectra.get() + rounded, values - rounded),
                 std::span<std::int16_t>(batch.samples.get() + rounded, values - rounded));
    WriteSamples(m_file, std::span<std::int16_t>(batch.samples.get(), values));
  }

  void Stop() {
    m_filled.Stop();
    m_transformed.Stop();
  }

  TColumnReader& m_reader;
  const TColumnSpectrum& m_spectrum;
  const std::size_t m_n;
  const std::size_t m_width;
  const std::size_t m_batchColumns;
  const TCount m_batchCount;
  TStream& m_file;
  TBatch m_slots[kSlots];
  THandoff m_filled{THandoff::kPatient};     // batches whose spectra are ready; the transforms wait
  THandoff m_transformed{THandoff::kBrief};  // batches whose inverse transforms are done
  std::mutex m_writing;                      // held by the thread writing the next batch
  std::atomic<TCount> m_written{0};          // batches whose samples are out, in order
  std::exception_ptr m_helperError;
};

}  // namespace

void SynthesizeColumns(TColumnReader& reader, const TColumnSpectrum& spectrum, std::int32_t n, int width, TStream& file,
                       TProgressSink& progress) {
  if (width <= 0 || n <= 0) return;
  TColumnPipeline pipeline(reader, spectrum, n, width, file);
  pipeline.Run(progress);
}

}  // namespace ombrisk
