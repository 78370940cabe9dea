// TPngInflater: inflates PNG image data one filtered row at a time, pulling the compressed bytes
// out of consecutive image-data chunks through the buffered reader.
//
//   TPngInflater inflater(reader, chunkRemaining, chunkType);    // raises EPngError on zlib failure
//   if (!inflater.ReadRow(row, filteredRowBytes)) throw EPngError(kSPngReadError);
//
// The inflater starts inside the first image-data chunk, with chunkRemaining bytes of it unread, and
// keeps chunkRemaining and chunkType up to date as it moves on to further image-data chunks, so that
// the chunk loop can skip what is left of the last one. The zlib stream is ended on every way out.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "picture/png/custom_read_stream.h"

namespace ombrisk {

class TPngInflater {
public:
  static constexpr std::size_t kInputBytes = 32768;

  TPngInflater(TCustomReadStream& reader, std::int32_t& chunkRemaining, std::uint32_t& chunkType);
  ~TPngInflater();
  TPngInflater(const TPngInflater&) = delete;
  TPngInflater& operator=(const TPngInflater&) = delete;

  // Fills dest with exactly count inflated bytes; false when the data end, are corrupt, or the
  // image-data chunks run out first.
  bool ReadRow(std::uint8_t* dest, std::size_t count);

private:
  // Called when the inflate input is empty: the next piece of image data, at most kInputBytes.
  bool FillInput();

  TCustomReadStream& m_reader;
  std::int32_t& m_chunkRemaining;
  std::uint32_t& m_chunkType;
  z_stream m_stream{};
  std::unique_ptr<std::uint8_t[]> m_input;
  std::size_t m_inputSize = 0;
};

}  // namespace ombrisk
