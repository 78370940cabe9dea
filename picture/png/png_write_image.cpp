#include "picture/png/png_write_image.h"

#include <zlib.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "picture/png/png_adam7.h"
#include "picture/png/png_error.h"
#include "picture/png/png_filter.h"
#include "picture/png/png_idat_writer.h"
#include "picture/png/png_write_chunk.h"
#include "picture/png/png_write_rows.h"
#include "toolkit/size_limits.h"

namespace ombrisk {

namespace {

using Bytes = std::vector<std::uint8_t>;

// The filter of filter modes other than 0: 2 … 5 use filter 1 … 4, the rest filter 0.
int FixedFilter(int filterMode) { return filterMode >= 2 && filterMode <= 5 ? filterMode - 1 : 0; }

// Rows the progress counts: every row, or every row of each pass that holds pixels.
std::int64_t RowTotal(const TPngLayout& layout, bool interlaced) {
  if (!interlaced) return layout.Height;
  std::int64_t total = 0;
  for (int pass = 0; pass < 7; ++pass) {
    if (Adam7Pixels(pass, layout.Width) > 0) total += Adam7Rows(pass, layout.Height);
  }
  return total;
}

// One row at a time from the bitmap to the deflater: unpacked, packed for the pass, filtered.
class TRowEncoder {
public:
  TRowEncoder(const TPngRowSource& source, const TPngLayout& layout, int filterMode, TIdatWriter& idat)
      : m_source(source), m_filterMode(filterMode), m_idat(idat) {
    const int packedBits = source.PackedBits();
    m_bpp = static_cast<std::size_t>(std::max(1, packedBits / 8));
    const auto width = static_cast<std::uint64_t>(layout.Width);
    const auto rowCapacity =
        static_cast<std::size_t>((CheckedMultiply(width, static_cast<std::uint64_t>(packedBits)) + 7) / 8);
    m_samples.resize(CheckedMultiply(width, static_cast<std::uint64_t>(source.Channels())) + 1);
    m_raw.resize(rowCapacity + 1);
    m_prior.resize(rowCapacity + 1);
    m_filtered.resize(rowCapacity + 1);
    m_scratch.resize(rowCapacity + 1);
  }

  // A pass starts with a prior row of zeros.
  void StartPass() { std::fill(m_prior.begin(), m_prior.end(), std::uint8_t{0}); }

  void Encode(int y, std::int64_t pixels, const TAdam7Pass& geometry) {
    const auto rowBytes = static_cast<std::size_t>((pixels * m_source.PackedBits() + 7) / 8);
    if (geometry.ColumnStep == 1 && m_source.PacksAsUnpacked()) {
      m_source.Unpack(y, m_raw.data());
    } else {
      m_source.Unpack(y, m_samples.data());
      m_source.Pack(m_samples.data(), pixels, geometry.ColumnStart, geometry.ColumnStep, m_raw.data());
    }
    int filter = 0;
    if (m_filterMode == 0) {
      filter = FilterRowAdaptive(m_raw.data(), m_prior.data(), m_filtered.data() + 1, m_scratch.data(), rowBytes,
                                 m_bpp);
    } else {
      filter = FixedFilter(m_filterMode);
      FilterRow(filter, m_raw.data(), m_prior.data(), m_filtered.data() + 1, rowBytes, m_bpp);
    }
    m_filtered[0] = static_cast<std::uint8_t>(filter);
    m_idat.Write(m_filtered.data(), rowBytes + 1);
    std::swap(m_raw, m_prior);
  }

private:
  const TPngRowSource& m_source;
  int m_filterMode;
  TIdatWriter& m_idat;
  std::size_t m_bpp = 1;
  Bytes m_samples, m_raw, m_prior, m_filtered, m_scratch;
};

}  // namespace

void WritePngImageData(TStream& stream, const TBitmap& bitmap, const TPngWriteSettings& settings,
                       const TPngLayout& layout, const TPngRowProgress& progress) {
  const TPngRowSource source(bitmap, layout.WritesAlpha ? settings.Mask : nullptr, layout.ColourType, layout.Depth);
  TIdatWriter idat(stream, settings.Level, settings.Strategy, static_cast<std::size_t>(settings.ChunkSize));
  TRowEncoder rows(source, layout, settings.FilterMode, idat);
  const std::int64_t totalRows = std::max<std::int64_t>(RowTotal(layout, settings.Interlaced), 1);
  std::int64_t rowsDone = 0;
  int lastPercent = 0;
  const int passes = settings.Interlaced ? 7 : 1;
  for (int pass = 0; pass < passes; ++pass) {
    const TAdam7Pass geometry = settings.Interlaced ? kAdam7[static_cast<std::size_t>(pass)] : TAdam7Pass{0, 1, 0, 1};
    const std::int64_t pixels = settings.Interlaced ? Adam7Pixels(pass, layout.Width) : layout.Width;
    if (pixels <= 0) continue;
    rows.StartPass();
    for (int y = geometry.RowStart; y < layout.Height; y += geometry.RowStep) {
      rows.Encode(y, pixels, geometry);
      const int percent = static_cast<int>(++rowsDone * 99 / totalRows);
      if (progress && percent > lastPercent) {
        lastPercent = percent;
        progress(static_cast<std::uint8_t>(percent));
      }
    }
  }
  idat.Finish();
}

}  // namespace ombrisk
