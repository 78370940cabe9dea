#include "picture/png/png_idat_writer.h"

#include "picture/png/png_error.h"
#include "picture/png/png_write_chunk.h"

namespace ombrisk {

TIdatWriter::TIdatWriter(TStream& stream, int level, int strategy, std::size_t chunkSize)
    : m_stream(stream), m_chunkSize(chunkSize), m_frame(kPngChunkHead + chunkSize + kPngChunkTail) {
  m_z.zalloc = Z_NULL;
  m_z.zfree = Z_NULL;
  m_z.opaque = Z_NULL;
  if (deflateInit2(&m_z, level, Z_DEFLATED, 15, 8, strategy) != Z_OK) throw EPngError(kSPngWriteError);
  Restart();
}

TIdatWriter::~TIdatWriter() { deflateEnd(&m_z); }

void TIdatWriter::Run(const std::uint8_t* data, std::size_t size, int flush) {
  m_z.next_in = const_cast<Bytef*>(data);
  m_z.avail_in = static_cast<uInt>(size);
  for (;;) {
    const int result = deflate(&m_z, flush);
    if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) throw EPngError(kSPngWriteError);
    if (m_z.avail_out == 0) Emit();
    if (flush == Z_FINISH ? result == Z_STREAM_END : (m_z.avail_in == 0 && m_z.avail_out > 0)) break;
    if (result == Z_BUF_ERROR && m_z.avail_out > 0) throw EPngError(kSPngWriteError);
  }
  if (flush == Z_FINISH && m_z.avail_out < m_chunkSize) Emit();
}

// Compressed bytes go straight into the chunk's frame.
void TIdatWriter::Restart() {
  m_z.next_out = m_frame.data() + kPngChunkHead;
  m_z.avail_out = static_cast<uInt>(m_chunkSize);
}

void TIdatWriter::Emit() {
  WritePngFramedChunk(m_stream, "IDAT", m_frame.data(), m_chunkSize - m_z.avail_out);
  Restart();
}

}  // namespace ombrisk
