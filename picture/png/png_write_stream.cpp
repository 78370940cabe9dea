// TPngWriteStream: the order of the encoder's stages (png_write_header.cpp for the chunks before
// the image data, png_write_image.cpp for the image data).
#include "picture/png/png_write_stream.h"

#include <utility>

#include "picture/png/png_error.h"
#include "picture/png/png_write_chunk.h"
#include "picture/png/png_write_header.h"
#include "picture/png/png_write_image.h"

namespace ombrisk {

TPngWriteStream::TPngWriteStream(TPngWriteSettings settings) : m_settings(std::move(settings)) {}

void TPngWriteStream::WriteToStream(const TBitmap& bitmap, TStream& stream) {
  if (m_settings.ChunkSize < 256 || m_settings.ChunkSize > 100000) throw EPngError(kSPngChunkSize);
  // zlib would refuse these only once the chunks before the image data were out.
  if (m_settings.Level < -1 || m_settings.Level > 9) throw EPngError(kSPngWriteError);
  if (m_settings.Strategy < 0 || m_settings.Strategy > 4) throw EPngError(kSPngWriteError);
  const TPngLayout layout = PngLayoutFor(bitmap, m_settings);

  if (OnProgress) OnProgress(TProgressStage::psStarting, 0);
  stream.WriteBuffer(kPngSignature.data(), kPngSignature.size());
  WritePngHeaderChunks(stream, bitmap, m_settings, layout);
  TPngRowProgress rowProgress;
  if (OnProgress) rowProgress = [this](std::uint8_t percent) { OnProgress(TProgressStage::psRunning, percent); };
  WritePngImageData(stream, bitmap, m_settings, layout, rowProgress);
  WritePngChunk(stream, "IEND", nullptr, 0);
  if (OnProgress) OnProgress(TProgressStage::psEnding, 100);
}

}  // namespace ombrisk
