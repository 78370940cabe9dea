#include "recording/recording_reader.h"

#include <sndfile.h>

#include <algorithm>
#include <cstring>
#include <limits>
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

// A whole file's bytes, read through libsndfile's virtual I/O.
struct TMemoryFile {
  std::span<const std::byte> bytes;
  sf_count_t position = 0;

  static TMemoryFile& Of(void* user) { return *static_cast<TMemoryFile*>(user); }
  static sf_count_t Length(void* user) { return static_cast<sf_count_t>(Of(user).bytes.size()); }
  // As lseek: any position at or past the start, reads past the end giving nothing.
  static sf_count_t Seek(sf_count_t offset, int whence, void* user) {
    TMemoryFile& file = Of(user);
    const sf_count_t base = whence == SEEK_CUR ? file.position : whence == SEEK_END ? Length(user) : 0;
    if (offset < -base || offset > std::numeric_limits<sf_count_t>::max() - base) return -1;
    file.position = base + offset;
    return file.position;
  }
  static sf_count_t Read(void* out, sf_count_t count, void* user) {
    TMemoryFile& file = Of(user);
    const sf_count_t left = std::max<sf_count_t>(Length(user) - file.position, 0);
    const sf_count_t got = std::clamp<sf_count_t>(count, 0, left);
    if (got > 0) std::memcpy(out, file.bytes.data() + file.position, static_cast<std::size_t>(got));
    file.position += got;
    return got;
  }
  static sf_count_t Write(const void*, sf_count_t, void*) { return 0; }
  static sf_count_t Tell(void* user) { return Of(user).position; }
};

}  // namespace

struct TRecordingReader::TImpl {
  std::string path;
  TMemoryFile memory;  // the bytes of a reader over memory; libsndfile holds its address till closed
  std::unique_ptr<SNDFILE, TSndfileCloser> file;
  TRecordingInfo info;
  std::int32_t channel = 0;
  bool ended = false;
  std::int64_t chunkFrames = kChunkSamples;
  // Up to chunkFrames frames of every channel, for the mix or a pick; grown to the largest read
  // asked for, so that a short file's small reads allocate little.
  std::vector<float> interleaved;

  // Checks what sf_open or sf_open_virtual gave and sets the reading up.
  void Start(SNDFILE* opened, const SF_INFO& sfInfo, std::int32_t wanted);
  void CheckChannel(std::int32_t wanted, std::int32_t channels) const;
};

void TRecordingReader::TImpl::CheckChannel(std::int32_t wanted, std::int32_t channels) const {
  if (wanted < 0 || wanted > channels) {
    throw ERecordingChannelError("channel " + std::to_string(wanted) + " is not one of 0 (the mix) to " +
                                 std::to_string(channels) + " in " + Quoted(path));
  }
}

void TRecordingReader::TImpl::Start(SNDFILE* opened, const SF_INFO& sfInfo, std::int32_t wanted) {
  file.reset(opened);
  if (!file) RaiseUnreadable(path, sf_strerror(nullptr));
  if (sfInfo.channels < 1 || sfInfo.channels > kMaxChannels) {
    RaiseUnreadable(path, "it announces " + std::to_string(sfInfo.channels) + " channels");
  }
  if (sfInfo.samplerate < 1) {
    RaiseUnreadable(path, "it announces a rate of " + std::to_string(sfInfo.samplerate) + " samples per second");
  }
  CheckChannel(wanted, sfInfo.channels);
  info.SampleRateHz = sfInfo.samplerate;
  info.Channels = sfInfo.channels;
  info.Frames = std::max<sf_count_t>(sfInfo.frames, 0);
  channel = wanted;
  // Integer samples come as value ÷ 2^(bits − 1): a 16-bit sample s reads as exactly s / 32768.
  sf_command(file.get(), SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
  chunkFrames = std::max<std::int64_t>(kChunkSamples / sfInfo.channels, 1);
}

TRecordingReader::TRecordingReader(const std::string& path, std::int32_t channel)
    : m_impl(std::make_unique<TImpl>()) {
  m_impl->path = path;
  SF_INFO sfInfo{};
  SNDFILE* const opened = sf_open(path.c_str(), SFM_READ, &sfInfo);
  m_impl->Start(opened, sfInfo, channel);
}

TRecordingReader::TRecordingReader(std::span<const std::byte> bytes, const std::string& name, std::int32_t channel)
    : m_impl(std::make_unique<TImpl>()) {
  m_impl->path = name;
  m_impl->memory.bytes = bytes;
  SF_VIRTUAL_IO io{&TMemoryFile::Length, &TMemoryFile::Seek, &TMemoryFile::Read, &TMemoryFile::Write,
                   &TMemoryFile::Tell};
  SF_INFO sfInfo{};
  SNDFILE* const opened = sf_open_virtual(&io, SFM_READ, &sfInfo, &m_impl->memory);
  m_impl->Start(opened, sfInfo, channel);
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
    const std::size_t needed = static_cast<std::size_t>(want * channels);
    if (impl.interleaved.size() < needed) impl.interleaved.resize(needed);
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

void TRecordingReader::SelectChannel(std::int32_t channel) {
  m_impl->CheckChannel(channel, m_impl->info.Channels);
  m_impl->channel = channel;
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
