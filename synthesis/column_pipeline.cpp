#include "synthesis/column_pipeline.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <memory>
#include <span>
#include <system_error>
#include <thread>
#include <vector>

#include "signal/wave_fft.h"
#include "synthesis/sample_writer.h"
#include "synthesis/synthesis_steps.h"
#include "toolkit/handoff.h"

namespace ombrisk {

namespace {

// Batches are counted as THandoff counts them; a picture has at most 2^24 columns.
using TCount = std::int32_t;

// Columns are taken in batches of up to this many samples, so that taking one costs little beside
// its transforms and a batch's pixels are read a whole block of rows at a time. Towards the end
// the batches shrink to a quarter of what is left, down to the smallest size, so that the thread
// finishing first waits only briefly for the other.
constexpr std::size_t kBatchValues = std::size_t{1} << 17;
constexpr std::size_t kLastBatchValues = std::size_t{1} << 14;
constexpr std::size_t kMaxBatchColumns = 64;
// Whole groups of this many columns are read fastest.
constexpr std::size_t kColumnGroup = 8;
// Batches whose samples may be held at once, waiting for their turn to be written.
constexpr std::size_t kMaxSlots = 8;

struct TSlot {
  std::unique_ptr<std::int16_t[]> samples;  // the batch's columns as 16-bit samples, one after another
  std::atomic<TCount> complete{-1};         // the batch whose samples are all here
};

// What each thread works with on its own: a reader of the picture and the column being transformed.
struct TWorker {
  TWorker(const TColumnReader& picture, std::size_t blockColumns, std::size_t n)
      : reader(picture, static_cast<int>(blockColumns)), column(std::make_unique_for_overwrite<double[]>(n)) {}
  TColumnReader reader;
  std::unique_ptr<double[]> column;
};

class TColumnPipeline {
public:
  TColumnPipeline(const TColumnReader& reader, const TColumnSpectrum& spectrum, std::int32_t n, int width,
                  TStream& file)
      : m_reader(reader),
        m_spectrum(spectrum),
        m_n(static_cast<std::size_t>(n)),
        m_width(static_cast<std::size_t>(width)),
        m_batchColumns(std::clamp<std::size_t>(kBatchValues / m_n, 1, kMaxBatchColumns)),
        m_firstColumns(
            Schedule(m_width, m_batchColumns, std::clamp<std::size_t>(kLastBatchValues / m_n, 1, m_batchColumns))),
        m_batchCount(static_cast<TCount>(m_firstColumns.size() - 1)),
        m_slots(std::min(kMaxSlots, static_cast<std::size_t>(m_batchCount))),
        m_file(file) {
    for (TSlot& slot : m_slots) {
      // Every sample is made before it is written, so the memory is not cleared first.
      slot.samples = std::make_unique_for_overwrite<std::int16_t[]>(m_batchColumns * m_n);
    }
  }

  void Run(TProgressSink& progress, const TThreadStarter& startThread) {
    const bool shared = m_batchCount > 1 && UsableProcessors() > 1;
    std::thread helper;
    if (shared) {
      try {
        helper = startThread([this] { Helper(); });
      } catch (const std::system_error&) {
        // No thread to be had (a process limit): the calling thread does it all.
      }
    }
    // Joined on every way out; a failure here stops the helper first so that it cannot wait forever.
    struct TJoin {
      TColumnPipeline& pipeline;
      std::thread& thread;
      ~TJoin() {
        if (!thread.joinable()) return;
        pipeline.Stop();
        thread.join();
      }
    } join{*this, helper};

    TWorker own(m_reader, m_batchColumns, m_n);
    Work(own, &progress);
    // The helper's last batch may still be on its way; then every column is done.
    const bool finished = m_written.WaitFor(m_batchCount);
    if (helper.joinable()) helper.join();
    if (m_helperError) std::rethrow_exception(m_helperError);
    if (finished) ReportProgress(progress);
  }

private:
  // The first column of every batch, and the width after the last.
  static std::vector<std::size_t> Schedule(std::size_t width, std::size_t largest, std::size_t smallest) {
    std::vector<std::size_t> firsts{0};
    for (std::size_t first = 0; first < width;) {
      std::size_t share = (width - first) / 4;
      if (share >= kColumnGroup) share -= share % kColumnGroup;
      first += std::min(std::clamp(share, smallest, largest), width - first);
      firsts.push_back(first);
    }
    return firsts;
  }

  std::size_t First(TCount batch) const { return m_firstColumns[static_cast<std::size_t>(batch)]; }
  std::size_t Columns(TCount batch) const { return First(batch + 1) - First(batch); }

  TSlot& Slot(TCount batch) { return m_slots[static_cast<std::size_t>(batch) % m_slots.size()]; }

  void Helper() noexcept {
    try {
      TWorker own(m_reader, m_batchColumns, m_n);
      Work(own, nullptr);
    } catch (...) {
      m_helperError = std::current_exception();
      Stop();
    }
  }

  // Both threads take the next batch in turn and do all of it (pixels, spectra, transforms,
  // samples): each column stays in the cache of the processor that works on it. Progress is
  // reported by the calling thread only.
  void Work(TWorker& worker, TProgressSink* progress) {
    for (;;) {
      if (m_written.Stopped()) return;
      const TCount batch = m_next.fetch_add(1);
      if (batch >= m_batchCount) return;
      // Its slot is free once the batch that held it before is written.
      if (!m_written.WaitFor(batch - static_cast<TCount>(m_slots.size()) + 1)) return;
      MakeSamples(worker, batch, progress);
      Slot(batch).complete.store(batch);
      WriteCompleteBatches();
      if (progress != nullptr) ReportProgress(*progress);
    }
  }

  void MakeSamples(TWorker& worker, TCount batch, TProgressSink* progress) {
    TSlot& slot = Slot(batch);
    const std::size_t first = First(batch);
    const std::size_t count = Columns(batch);
    const std::span<double> column(worker.column.get(), m_n);
    worker.reader.LoadColumns(static_cast<int>(first), static_cast<int>(count));
    for (std::size_t c = 0; c < count; ++c) {
      const int x = static_cast<int>(first + c);
      // For x > 0 the fill already holds what ApplyBinPhase makes of it (see column_spectrum.h).
      m_spectrum.Fill(worker.reader.Sums(x), x > 0, column);
      InverseRealFFT(static_cast<std::int32_t>(m_n), column);
      ScaleSamples(column, std::span<std::int16_t>(slot.samples.get() + c * m_n, m_n));
      // Batches the other thread wrote meanwhile show without waiting for this one.
      if (progress != nullptr) ReportProgress(*progress);
    }
  }

  // Writes the complete batches that are next in column order. Only one thread writes at a time;
  // a batch completed while the other thread writes is written by that thread, which looks for
  // one more after giving up its turn.
  void WriteCompleteBatches() {
    for (;;) {
      if (m_writing.exchange(true)) return;
      TCount next = m_written.Value();
      while (!m_written.Stopped() && next < m_batchCount && Slot(next).complete.load() == next) {
        WriteSamples(m_file, std::span<std::int16_t>(Slot(next).samples.get(), Columns(next) * m_n));
        m_columnsWritten.store(First(next + 1), std::memory_order_release);
        m_written.Publish(++next);
      }
      m_writing.store(false);
      if (m_written.Stopped() || next >= m_batchCount || Slot(next).complete.load() != next) return;
    }
  }

  // Positions go out in column order, each once its column is in the stream, whichever thread
  // wrote it.
  void ReportProgress(TProgressSink& progress) {
    const std::size_t written = m_columnsWritten.load(std::memory_order_acquire);
    for (; m_reported < written; ++m_reported) progress.SetPosition(static_cast<int>(m_reported));
  }

  void Stop() { m_written.Stop(); }

  const TColumnReader& m_reader;
  const TColumnSpectrum& m_spectrum;
  const std::size_t m_n;
  const std::size_t m_width;
  const std::size_t m_batchColumns;  // the largest batch
  const std::vector<std::size_t> m_firstColumns;
  const TCount m_batchCount;
  std::vector<TSlot> m_slots;
  TStream& m_file;
  std::atomic<TCount> m_next{0};              // the next batch to take
  std::atomic<bool> m_writing{false};         // held by the thread writing
  THandoff m_written{THandoff::kPatient};     // batches whose samples are out, in order
  std::atomic<std::size_t> m_columnsWritten{0};  // columns whose samples are in the stream
  std::size_t m_reported = 0;                 // positions reported; the calling thread's
  std::exception_ptr m_helperError;
};

}  // namespace

void SynthesizeColumns(const TColumnReader& reader, const TColumnSpectrum& spectrum, std::int32_t n, int width,
                       TStream& file, TProgressSink& progress, const TThreadStarter& startThread) {
  if (width <= 0 || n <= 0) return;
  TColumnPipeline pipeline(reader, spectrum, n, width, file);
  pipeline.Run(progress, startThread);
}

}  // namespace ombrisk
