#include "spectrogram/column_painter.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

#include "spectrogram/column_tile.h"
#include "toolkit/handoff.h"

namespace ombrisk {

namespace {

// Blocks travel in batches of about this many transform values, so that handing one over costs
// little beside its transforms; a few batches are in flight at once.
constexpr std::size_t kBatchValues = std::size_t{1} << 16;
constexpr std::size_t kMaxBatchBlocks = 64;
constexpr std::size_t kSlots = 4;
// Added to the last count when finishing; counts stay below 2^24 and THandoff's stop mark.
constexpr std::int32_t kFinishMark = std::int32_t{1} << 28;

struct TBatch {
  std::vector<std::vector<double>> transforms;
  std::vector<int> columns;
  std::size_t count = 0;
};

}  // namespace

struct TColumnPainter::State {
  State(const TSpectrogramSettings& settings, TPixelBitmap& target)
      : picture(target),
        drawing(settings),
        tile(target.Height()),
        sampleSize(settings.SampleSize),
        batchBlocks(std::clamp<std::size_t>(kBatchValues / static_cast<std::size_t>(settings.SampleSize), 1,
                                            kMaxBatchBlocks)) {
    // The transform buffers are made as blocks first arrive, so a short file makes few of them.
    for (TBatch& batch : slots) {
      batch.transforms.resize(batchBlocks);
      batch.columns.assign(batchBlocks, 0);
    }
  }

  TBatch& Slot(std::int32_t i) { return slots[static_cast<std::size_t>(i) % kSlots]; }

  void Stop() {
    painted.Stop();
    handed.Stop();
  }

  // Draws every batch handed over, in order, until the caller has finished and none is left.
  void Draw() noexcept {
    try {
      for (std::int32_t i = 0;; ++i) {
        for (;;) {
          if (handed.Stopped()) return;
          // The count is read before the flag: a count raised by Finish is seen with the flag.
          const std::int32_t count = handed.Value();
          if (finished.load() && i >= total.load()) {
            tile.Flush(picture);
            return;
          }
          if (count > i) break;
          if (!handed.WaitFor(i + 1)) return;
        }
        TBatch& batch = Slot(i);
        for (std::size_t c = 0; c < batch.count; ++c) {
          drawing.SwapTransform(batch.transforms[c]);
          drawing.DrawColumn(tile.Column(batch.columns[c], picture));
          drawing.SwapTransform(batch.transforms[c]);
        }
        painted.Publish(i + 1);
      }
    } catch (...) {
      error = std::current_exception();
      Stop();
    }
  }

  // Waits for the helper after it stopped on an error, and raises that error.
  [[noreturn]] void RaiseHelperError() {
    helper.join();
    if (error) std::rethrow_exception(error);
    throw std::logic_error("column painter stopped without an error");
  }

  TPixelBitmap& picture;
  TSpectrogramBlock drawing;  // its transform buffer is borrowed from the batch being drawn
  TColumnTile tile;
  const std::int32_t sampleSize;
  const std::size_t batchBlocks;
  TBatch slots[kSlots];
  std::int32_t filling = 0;  // the batch the caller is filling
  bool open = false;         // whether that batch has been started
  THandoff handed{THandoff::kBrief};     // batches given to the helper
  THandoff painted{THandoff::kPatient};  // batches the helper has drawn; the caller waits for a slot
  std::atomic<bool> finished{false};
  std::atomic<std::int32_t> total{0};  // batches handed over in all, set before `finished`
  std::exception_ptr error;
  std::thread helper;
};

TColumnPainter::TColumnPainter(const TSpectrogramSettings& settings, TPixelBitmap& picture,
                               const TThreadStarter& startThread)
    : m_state(std::make_unique<State>(settings, picture)) {
  if (UsableProcessors() < 2) return;
  State& state = *m_state;
  try {
    state.helper = startThread([&state] { state.Draw(); });
  } catch (const std::system_error&) {
    // No thread to be had (a process limit): Paint draws each block itself.
  }
}

TColumnPainter::~TColumnPainter() {
  if (!m_state->helper.joinable()) return;
  m_state->Stop();
  m_state->helper.join();
}

void TColumnPainter::Paint(TSpectrogramBlock& block, int x) {
  State& state = *m_state;
  if (!state.helper.joinable()) {
    block.DrawColumn(state.tile.Column(x, state.picture));
    return;
  }
  TBatch& batch = state.Slot(state.filling);
  if (!state.open) {
    // The slot is free again once the helper has drawn the batch that used it before.
    const std::int32_t previous = state.filling - static_cast<std::int32_t>(kSlots);
    if (previous >= 0 && !state.painted.WaitFor(previous + 1)) state.RaiseHelperError();
    batch.count = 0;
    state.open = true;
  }
  std::vector<double>& spare = batch.transforms[batch.count];
  if (spare.empty()) spare.resize(static_cast<std::size_t>(state.sampleSize));
  block.SwapTransform(spare);
  batch.columns[batch.count] = x;
  if (++batch.count == state.batchBlocks) {
    state.open = false;
    state.handed.Publish(++state.filling);
  }
}

void TColumnPainter::Finish() {
  State& state = *m_state;
  if (!state.helper.joinable()) {
    state.tile.Flush(state.picture);
    return;
  }
  if (state.open) {
    state.open = false;
    state.handed.Publish(++state.filling);
  }
  state.total.store(state.filling);
  state.finished.store(true);
  // A count the helper is not waiting for as a batch, only so that a sleeping helper wakes.
  state.handed.Publish(state.filling + kFinishMark);
  state.helper.join();
  if (state.error) std::rethrow_exception(state.error);
}

}  // namespace ombrisk
