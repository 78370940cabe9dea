#include "signal/wave_header.h"

#include <cstring>

#include "toolkit/exception.h"
#include "toolkit/little_endian.h"
#include "toolkit/message_format.h"

namespace ombrisk {
namespace {

constexpr std::uint32_t kFmtChunkBytes = 16;
constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kChannels = 1;
constexpr std::uint16_t kBytesPerSample = 2;
// Everything of the file after the RIFF size field itself: the rest of the header and the data.
constexpr std::uint32_t kRiffOverhead = kWaveHeaderBytes - 8;

class TByteWriter {
public:
  explicit TByteWriter(std::uint8_t* out) : m_out(out) {}
  void Id(const char (&id)[4]) { Bytes(id); }
  void U16(std::uint16_t v) {
    WriteLittle16(m_out, v);
    m_out += 2;
  }
  void U32(std::uint32_t v) {
    WriteLittle32(m_out, v);
    m_out += 4;
  }

private:
  void Bytes(const char (&id)[4]) {
    std::memcpy(m_out, id, 4);
    m_out += 4;
  }
  std::uint8_t* m_out;
};

class TByteReader {
public:
  explicit TByteReader(const std::uint8_t* in) : m_in(in) {}
  void Id(char (&id)[4]) {
    std::memcpy(id, m_in, 4);
    m_in += 4;
  }
  std::uint16_t U16() {
    const std::uint16_t v = ReadLittle16(m_in);
    m_in += 2;
    return v;
  }
  std::uint32_t U32() {
    const std::uint32_t v = ReadLittle32(m_in);
    m_in += 4;
    return v;
  }

private:
  const std::uint8_t* m_in;
};

}  // namespace

TWaveHeader MakeWaveHeader(std::uint32_t dataBytes) {
  TWaveHeader h{};
  std::memcpy(h.RiffId, "RIFF", 4);
  h.RiffSize = kRiffOverhead + dataBytes;
  std::memcpy(h.WaveId, "WAVE", 4);
  std::memcpy(h.FmtId, "fmt ", 4);
  h.FmtSize = kFmtChunkBytes;
  h.FormatTag = kFormatPcm;
  h.Channels = kChannels;
  h.SamplesPerSec = kSampleRateHz;
  h.BytesPerSec = kSampleRateHz * kBytesPerSample;
  h.BlockAlign = kBytesPerSample;
  h.BitsPerSample = 8 * kBytesPerSample;
  std::memcpy(h.DataId, "data", 4);
  h.DataSize = dataBytes;
  return h;
}

TWaveHeader MakeWaveHeader(std::uint32_t dataBytes, std::uint16_t channels, std::uint32_t rateHz) {
  TWaveHeader h = MakeWaveHeader(dataBytes);
  h.Channels = channels;
  h.SamplesPerSec = rateHz;
  h.BlockAlign = static_cast<std::uint16_t>(channels * kBytesPerSample);
  h.BytesPerSec = rateHz * h.BlockAlign;
  return h;
}

void EncodeWaveHeader(const TWaveHeader& header, std::uint8_t (&bytes)[kWaveHeaderBytes]) {
  TByteWriter w(bytes);
  w.Id(header.RiffId);
  w.U32(header.RiffSize);
  w.Id(header.WaveId);
  w.Id(header.FmtId);
  w.U32(header.FmtSize);
  w.U16(header.FormatTag);
  w.U16(header.Channels);
  w.U32(header.SamplesPerSec);
  w.U32(header.BytesPerSec);
  w.U16(header.BlockAlign);
  w.U16(header.BitsPerSample);
  w.Id(header.DataId);
  w.U32(header.DataSize);
}

TWaveHeader DecodeWaveHeader(const std::uint8_t (&bytes)[kWaveHeaderBytes]) {
  TWaveHeader h{};
  TByteReader r(bytes);
  r.Id(h.RiffId);
  h.RiffSize = r.U32();
  r.Id(h.WaveId);
  r.Id(h.FmtId);
  h.FmtSize = r.U32();
  h.FormatTag = r.U16();
  h.Channels = r.U16();
  h.SamplesPerSec = r.U32();
  h.BytesPerSec = r.U32();
  h.BlockAlign = r.U16();
  h.BitsPerSample = r.U16();
  r.Id(h.DataId);
  h.DataSize = r.U32();
  return h;
}

void WriteWaveHeader(TStream& stream, std::uint32_t dataBytes) {
  std::uint8_t bytes[kWaveHeaderBytes];
  EncodeWaveHeader(MakeWaveHeader(dataBytes), bytes);
  stream.WriteBuffer(bytes, sizeof bytes);
}

std::uint32_t ReadWaveHeader(TStream& stream, const std::string& fileName) {
  std::uint8_t bytes[kWaveHeaderBytes];
  // Read may hand over less than asked before the end (a pipe, a slow device); only a read
  // that brings nothing more means the file is over.
  std::size_t got = 0;
  while (got < sizeof bytes) {
    const std::size_t n = stream.Read(bytes + got, sizeof bytes - got);
    if (n == 0) break;
    got += n;
  }
  if (got < sizeof bytes) throw EReadError(FormatMessage(kSWaveTooShort, {fileName}));
  return DecodeWaveHeader(bytes).DataSize;
}

}  // namespace ombrisk
