// A 16-bit greyscale PNG from rows of samples, with "tEXt" chunks: the editable spectrogram's file.
//
//   WriteGrey16Png(stream, width, height, samples, {{"Comment", parameters}});
//
// samples: width × height values, row after row from the top. Each row gets the filter that
// suits it best; zlib's default level. Raises EPngError kSPngWriteError when zlib fails, and
// EPngError for sizes PNG cannot hold (0 or above 2^31 − 1) or a keyword outside 1 … 79 bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "toolkit/stream.h"

namespace ombrisk {

using TPngTextEntries = std::vector<std::pair<std::string, std::string>>;

void WriteGrey16Png(TStream& stream, std::int64_t width, std::int64_t height, std::span<const std::uint16_t> samples,
                    const TPngTextEntries& texts);

}  // namespace ombrisk
