#include "recording/recording_prefetch.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

#include "toolkit/handoff.h"

namespace ombrisk {

namespace {

// Samples per slot at most: a multiple of every block an analysis asks for, so that a block of a
// long file never spans two slots; a few slots in flight keep both threads busy without holding
// much of the file.
constexpr std::size_t kSlotSamples = std::size_t{1} << 16;
constexpr std::int32_t kSlots = 4;
// The smallest slot, for a file that announces only a few samples.
constexpr std::size_t kSmallestSlotSamples = std::size_t{1} << 12;

struct TSlot {
  std::vector<float> samples;
  std::size_t count = 0;  // filled; below the slot's size only in the last slot
};

// No larger than the file announces (a file that holds more goes on in further slots), so that
// a short file's decoding allocates little.
std::size_t SlotSamples(std::int64_t announcedFrames) {
  if (announcedFrames >= static_cast<std::int64_t>(kSlotSamples)) return kSlotSamples;
  return std::max(std::bit_ceil(static_cast<std::size_t>(std::max<std::int64_t>(announcedFrames, 1))),
                  kSmallestSlotSamples);
}

}  // namespace

struct TRecordingPrefetch::TState {
  explicit TState(TRecordingReader& source) : reader(source), slotSamples(SlotSamples(source.Info().Frames)) {}

  TSlot& Slot(std::int32_t i) { return slots[static_cast<std::size_t>(i % kSlots)]; }

  // Fills slot after slot until the end of the file, a slot ahead of the reader each time one is free.
  void Decode() noexcept {
    try {
      for (std::int32_t i = 0;; ++i) {
        if (i >= kSlots && !taken.WaitFor(i - kSlots + 1)) return;
        TSlot& slot = Slot(i);
        slot.samples.resize(slotSamples);
        slot.count = reader.Read(slot.samples);
        filled.Publish(i + 1);
        if (slot.count < slotSamples) return;
      }
    } catch (...) {
      error = std::current_exception();
      filled.Stop();
    }
  }

  TRecordingReader& reader;
  const std::size_t slotSamples;
  TSlot slots[kSlots];
  THandoff filled{THandoff::kBrief};  // slots the decoder has filled
  THandoff taken{THandoff::kBrief};   // slots the reader has emptied
  std::exception_ptr error;
  std::thread decoder;
  std::int32_t current = 0;  // the slot being read
  std::size_t offset = 0;    // within it
  bool ended = false;
};

TRecordingPrefetch::TRecordingPrefetch(TRecordingReader& reader, const TThreadStarter& startThread)
    : m_state(std::make_unique<TState>(reader)) {
  if (UsableProcessors() < 2) return;
  TState& state = *m_state;
  try {
    state.decoder = startThread([&state] { state.Decode(); });
  } catch (const std::system_error&) {
    // No thread to be had: Read decodes itself.
  }
}

TRecordingPrefetch::~TRecordingPrefetch() {
  if (!m_state->decoder.joinable()) return;
  m_state->taken.Stop();
  m_state->decoder.join();
}

std::size_t TRecordingPrefetch::Read(std::span<float> out) {
  TState& state = *m_state;
  if (!state.decoder.joinable()) return state.reader.Read(out);
  std::size_t done = 0;
  while (done < out.size() && !state.ended) {
    if (!state.filled.WaitFor(state.current + 1)) {
      state.decoder.join();
      if (state.error) std::rethrow_exception(state.error);
      state.ended = true;
      break;
    }
    const TSlot& slot = state.Slot(state.current);
    const std::size_t take = std::min(out.size() - done, slot.count - state.offset);
    std::copy_n(slot.samples.data() + state.offset, take, out.data() + done);
    done += take;
    state.offset += take;
    if (state.offset < slot.count) continue;
    if (slot.count < state.slotSamples) {
      state.ended = true;
      break;
    }
    state.offset = 0;
    state.taken.Publish(++state.current);
  }
  return done;
}

}  // namespace ombrisk
