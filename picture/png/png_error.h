// EPngError and the PNG reader's and writer's message texts, exactly as a user sees them
// (spellings included).
//
//   throw EPngError(kSPngNotPng);
#pragma once

#include "toolkit/exception.h"

namespace ombrisk {

class EPngError : public Exception {
  using Exception::Exception;
};

inline constexpr const char* kSPngNotPng = "PNG LoadStream: Not PNG Format";
inline constexpr const char* kSPngTwoHeaders = "Read Header(PNG): appear two IHDR";
inline constexpr const char* kSPngColorType = "Read Header(PNG): Error ColorType";
inline constexpr const char* kSPngCompression = "Read Header(PNG): not support Compression";
inline constexpr const char* kSPngFilterMethod = "Read Header(PNG): not supprt Filter";
inline constexpr const char* kSPngInterlace = "Read Header(PNG): not interlace type";
inline constexpr const char* kSPngGreyBitDepth = "Read Header(PNG): Error Bitdepth";
inline constexpr const char* kSPngGreyAlpha = "Read Header(PNG): not Use AlphaChannel";
inline constexpr const char* kSPngBitDepth = "Read Header(PNG): Error BitDepth";
inline constexpr const char* kSPngZlib = "PNG LoadStream: Error ZLIB";
inline constexpr const char* kSPngReadError = "Read Image (PNG): Read Error";

inline constexpr const char* kSPngChunkSize = "Write PNG Param: Err IDAT Size(min:256  max:100000)";
inline constexpr const char* kSPngWriteError = "Write Image (PNG): Write Error";

}  // namespace ombrisk
