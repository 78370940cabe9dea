// The one sound format: a RIFF/WAVE file with the fixed 44-byte header of 16-bit mono PCM at
// 44100 samples per second, followed by the samples. The smooth synthesis also writes the same
// header at other rates and for two channels.
//
//   WriteWaveHeader(stream, dataBytes);            // before any sample
//   const std::uint32_t d = ReadWaveHeader(stream); // position is 44 afterwards
#pragma once

#include <cstdint>
#include <string>

#include "toolkit/stream.h"

namespace ombrisk {

#pragma pack(push, 1)
// All numbers little-endian in the file, whatever the host.
struct TWaveHeader {
  char RiffId[4];
  std::uint32_t RiffSize;
  char WaveId[4];
  char FmtId[4];
  std::uint32_t FmtSize;
  std::uint16_t FormatTag;
  std::uint16_t Channels;
  std::uint32_t SamplesPerSec;
  std::uint32_t BytesPerSec;
  std::uint16_t BlockAlign;
  std::uint16_t BitsPerSample;
  char DataId[4];
  std::uint32_t DataSize;
};
#pragma pack(pop)
static_assert(sizeof(TWaveHeader) == 44, "the wave header is exactly 44 bytes");

inline constexpr std::uint32_t kWaveHeaderBytes = 44;
inline constexpr std::uint32_t kSampleRateHz = 44100;

// Raised (EReadError) when a file ends before its 44th byte; %s is the file name as given.
inline constexpr const char* kSWaveTooShort = "ファイル %s は短すぎて WAVE ファイルとして読めません";

// The header for dataBytes bytes of samples: RiffSize = 36 + dataBytes.
TWaveHeader MakeWaveHeader(std::uint32_t dataBytes);
// The same for 16-bit PCM of channels interleaved channels (1 or 2) at rateHz: a frame holds one
// sample of each channel, left first.
TWaveHeader MakeWaveHeader(std::uint32_t dataBytes, std::uint16_t channels, std::uint32_t rateHz);
// The 44 bytes of a header in file order, little-endian whatever the host, and back. Decoding
// fills every field; the reader below takes only DataSize from it.
void EncodeWaveHeader(const TWaveHeader& header, std::uint8_t (&bytes)[kWaveHeaderBytes]);
TWaveHeader DecodeWaveHeader(const std::uint8_t (&bytes)[kWaveHeaderBytes]);
// Writes the header in one 44-byte block (EWriteError on a short write).
void WriteWaveHeader(TStream& stream, std::uint32_t dataBytes);
// Reads 44 bytes and returns the data size D from offset 40; no other field is checked. A stream
// holding fewer than 44 bytes raises EReadError with kSWaveTooShort naming the file.
std::uint32_t ReadWaveHeader(TStream& stream, const std::string& fileName);

}  // namespace ombrisk
