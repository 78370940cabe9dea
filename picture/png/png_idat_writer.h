// The deflate side of a PNG's image data: the bytes given are compressed with zlib and leave as
// "IDAT" chunks of at most chunkSize compressed bytes each.
//
//   TIdatWriter idat(stream, Z_DEFAULT_COMPRESSION, Z_DEFAULT_STRATEGY, 32768);
//   idat.Write(filteredRow, size); ... idat.Finish();
//
// zlib's refusals raise EPngError(kSPngWriteError).
#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "toolkit/stream.h"

namespace ombrisk {

class TIdatWriter {
public:
  TIdatWriter(TStream& stream, int level, int strategy, std::size_t chunkSize);
  ~TIdatWriter();
  TIdatWriter(const TIdatWriter&) = delete;
  TIdatWriter& operator=(const TIdatWriter&) = delete;

  void Write(const std::uint8_t* data, std::size_t size) { Run(data, size, Z_NO_FLUSH); }
  void Finish() { Run(nullptr, 0, Z_FINISH); }

private:
  void Run(const std::uint8_t* data, std::size_t size, int flush);
  void Restart();
  void Emit();

  TStream& m_stream;
  std::size_t m_chunkSize;
  std::vector<std::uint8_t> m_frame;
  z_stream m_z{};
};

}  // namespace ombrisk
