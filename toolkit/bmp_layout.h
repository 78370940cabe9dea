// The fixed sizes and compression codes of a Windows bitmap file, shared by its reader and writer.
#pragma once

#include <cstdint>

namespace ombrisk {

inline constexpr std::uint32_t kBmpFileHeaderBytes = 14;  // BITMAPFILEHEADER
inline constexpr std::uint32_t kBmpCoreHeaderBytes = 12;  // BITMAPCOREHEADER (OS/2)
inline constexpr std::uint32_t kBmpInfoHeaderBytes = 40;  // BITMAPINFOHEADER

inline constexpr std::uint32_t kBiRgb = 0;
inline constexpr std::uint32_t kBiRle8 = 1;
inline constexpr std::uint32_t kBiRle4 = 2;
inline constexpr std::uint32_t kBiBitFields = 3;
inline constexpr std::uint32_t kBiAlphaBitFields = 6;

}  // namespace ombrisk
