#include "recording/recording_reader.h"

#include <sndfile.h>

#include <algorithm>
#include <vector>

namespace ombrisk {

namespace {

// Samples (of all channels) decoded per call into libsndfile: large enough that the call costs
// nothing beside the decoding, small enough that the interleaved buffer stays small.
constexpr std::int64_t kChunkSamples = 1 << 15;

// Far more channels than any recording holds; keeps the interleaved buffer's size sane for a
// header that announces nonsense.
constexpr int kMaxChannels = 1024;

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

[[noreturn]] void RaiseUnreadable(const std::string& path, const std::string& reason) {
  throw ERecordingError("cannot read " + Quoted(path) + " as a sound file: " + reason);
}

struct TSndfileCloser {
  void operator()(SNDFILE* file) const { sf_close(file); }
};

}  // namespace

struct TRecordingReader::TImpl {
  std::string path;
  std::unique_ptr<SNDFILE, TSndfileCloser> file;
  TRecordingInfo info;
  std::int32_t channel = 0;
  bool ended = false;
  std::int64_t chunkFrames = kChunkSamples;
  std::vector<float> interleaved;  // chunkFrames frames of every channel, for the mix or a pick
};

TRecordingReader::TRecordingReader(const std::string& path, std::int32_t channel)
    : m_impl(std::make_unique<TImpl>()) {
  TImpl& impl = *m_impl;
  impl.path = path;
  SF_INFO sfInfo{};
  impl.file.reset(sf_open(path.c_str(), SFM_READ, &sfInfo));
  if (!impl.file) RaiseUnreadable(path, sf_strerror(nullptr));
  if (sfInfo.channels < 1 || sfInfo.channels > kMaxChannels) {
    RaiseUnreadable(path, "it announces " + std::to_string(sfInfo.channels) + " channels");
  }
  if (sfInfo.samplerate < 1) {
    RaiseUnreadable(path, "it announces a rate of " + std::to_string(sfInfo.samplerate) + " samples per second");
  }
  if (channel < 0 || channel > sfInfo.channels) {
    throw ERecordingChannelError("channel " + std::to_string(channel) + " is not one of 0 (the mix) to " +
                          std::to_string(sfInfo.channels) + " in " + Quoted(path));
  }
  impl.info.SampleRateHz = sfInfo.samplerate;
  impl.info.Channels = sfInfo.channels;
  impl.info.Frames = std::max<sf_count_t>(sfInfo.frames, 0);
  impl.channel = channel;
  // Integer samples come as value ÷ 2^(bits − 1): a 16-bit sample s reads as exactly s / 32768.
  sf_command(impl.file.get(), SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
  impl.chunkFrames = std::max<std::int64_t>(kChunkSamples / sfInfo.channels, 1);
  if (sfInfo.channels > 1) impl.interleaved.resize(static_cast<std::size_t>(impl.chunkFrames * sfInfo.channels));
}

TRecordingReader::~TRecordingReader() = default;

const TRecordingInfo& TRecordingReader::Info() const { return m_impl->info; }

std::size_t TRecordingReader::Read(std::span<float> out) {
  TImpl& impl = *m_impl;
  const std::int64_t channels = impl.info.Channels;
  std::size_t done = 0;
  // A short read is the end, or where a damaged or cut file stops decoding: either way, the end.
  while (done < out.size() && !impl.ended) {
    const std::int64_t want = std::min<std::int64_t>(static_cast<std::int64_t>(out.size() - done), impl.chunkFrames);
    float* const target = out.data() + done;
    if (channels == 1) {
      const sf_count_t got = sf_readf_float(impl.file.get(), target, want);
      if (got < want) impl.ended = true;
      done += static_cast<std::size_t>(std::max<sf_count_t>(got, 0));
      continue;
    }
    const sf_count_t got = sf_readf_float(impl.file.get(), impl.interleaved.data(), want);
    if (got < want) impl.ended = true;
    const float* frame = impl.interleaved.data();
    if (impl.channel == 0) {
      const float scale = 1.0f / static_cast<float>(channels);
      for (sf_count_t f = 0; f < got; ++f, frame += channels) {
        float sum = 0.0f;
        for (std::int64_t c = 0; c < channels; ++c) sum += frame[c];
        target[f] = sum * scale;
      }
    } else {
      const std::int64_t pick = impl.channel - 1;
      for (sf_count_t f = 0; f < got; ++f, frame += channels) target[f] = frame[pick];
    }
    done += static_cast<std::size_t>(std::max<sf_count_t>(got, 0));
  }
  return done;
}

void TRecordingReader::Seek(std::int64_t frame) {
  TImpl& impl = *m_impl;
  const std::int64_t target = std::clamp<std::int64_t>(frame, 0, impl.info.Frames);
  if (sf_seek(impl.file.get(), target, SEEK_SET) < 0) {
    RaiseUnreadable(impl.path, "cannot move to frame " + std::to_string(target) + ": " +
                                   sf_strerror(impl.file.get()));
  }
  impl.ended = false;
}

}  // namespace ombrisk
