#include "picture/png/png_write_grey16.h"

#include <zlib.h>

#include <vector>

#include "picture/png/png_error.h"
#include "picture/png/png_filter.h"
#include "picture/png/png_idat_writer.h"
#include "picture/png/png_records.h"
#include "picture/png/png_write_chunk.h"
#include "picture/png/png_write_stream.h"
#include "toolkit/size_limits.h"

namespace ombrisk {

namespace {

constexpr std::size_t kIdatBytes = 32768;
constexpr std::int64_t kLargestSide = 0x7FFFFFFF;

}  // namespace

void WriteGrey16Png(TStream& stream, std::int64_t width, std::int64_t height, std::span<const std::uint16_t> samples,
                    const TPngTextEntries& texts) {
  if (width < 1 || height < 1 || width > kLargestSide || height > kLargestSide) throw EPngError(kSPngWriteError);
  const std::size_t rowSamples = static_cast<std::size_t>(width);
  if (CheckedMultiply(rowSamples, static_cast<std::uint64_t>(height)) != samples.size()) {
    throw EPngError(kSPngWriteError);
  }
  for (const auto& [keyword, text] : texts) {
    if (keyword.empty() || keyword.size() > 79) throw EPngError(kSPngWriteError);
  }
  stream.WriteBuffer(kPngSignature.data(), kPngSignature.size());
  TPngChunkData header;
  header.Long(static_cast<std::uint32_t>(width));
  header.Long(static_cast<std::uint32_t>(height));
  for (const std::uint8_t b : {16, 0, 0, 0, 0}) header.Byte(b);
  WritePngChunk(stream, "IHDR", header);
  for (const auto& [keyword, text] : texts) {
    TPngChunkData data;
    data.Text(keyword);
    data.Byte(0);
    data.Text(text);
    WritePngChunk(stream, "tEXt", data);
  }
  TPngChunkData software;
  software.Text("Software");
  software.Byte(0);
  software.Text(kPngSoftware);
  WritePngChunk(stream, "tEXt", software);

  const std::size_t rowBytes = 2 * rowSamples;
  std::vector<std::uint8_t> raw(rowBytes), prior(rowBytes, 0), filtered(rowBytes + 1), scratch(rowBytes);
  TIdatWriter idat(stream, Z_DEFAULT_COMPRESSION, Z_DEFAULT_STRATEGY, kIdatBytes);
  for (std::int64_t y = 0; y < height; ++y) {
    const std::uint16_t* const row = samples.data() + static_cast<std::size_t>(y) * rowSamples;
    for (std::size_t x = 0; x < rowSamples; ++x) {
      raw[2 * x] = static_cast<std::uint8_t>(row[x] >> 8);
      raw[2 * x + 1] = static_cast<std::uint8_t>(row[x] & 0xFF);
    }
    filtered[0] = static_cast<std::uint8_t>(
        FilterRowAdaptive(raw.data(), prior.data(), filtered.data() + 1, scratch.data(), rowBytes, 2));
    idat.Write(filtered.data(), filtered.size());
    raw.swap(prior);
  }
  idat.Finish();
  WritePngChunk(stream, "IEND", nullptr, 0);
}

}  // namespace ombrisk
