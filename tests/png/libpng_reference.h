// libpng as the second opinion on a PNG file, for tests and benchmarks only.
//
//   const TReference ref = Reference(fileBytes);   // width -1 when libpng refuses the file
#pragma once

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <vector>

namespace ombrisk::testing {

struct TReference {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;  // 8 bits per sample
};

struct TMemoryReader {
  const std::vector<std::uint8_t>* bytes;
  std::size_t at;
};

inline void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
  auto* source = static_cast<TMemoryReader*>(png_get_io_ptr(png));
  if (source->at + count > source->bytes->size()) png_error(png, "short");
  std::copy_n(source->bytes->data() + source->at, count, out);
  source->at += count;
}

// libpng as the second opinion: expanded to 8-bit RGBA, 16-bit samples cut to their high byte, no
// gamma or background processing. Owns no C++ object across the setjmp.
// channels 4: RGBA; 3: RGB with any alpha stripped.
inline bool ReadWithLibpng(const std::vector<std::uint8_t>& file, int& width, int& height,
                           std::vector<png_bytep>& rows, std::vector<std::uint8_t>& storage, int channels = 4) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  TMemoryReader source{&file, 0};
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &source, ReadFromMemory);
  png_read_info(png, info);
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  if (channels == 4) {
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  } else {
    png_set_strip_alpha(png);
  }
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  width = static_cast<int>(png_get_image_width(png, info));
  height = static_cast<int>(png_get_image_height(png, info));
  const std::size_t rowBytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(channels);
  storage.resize(rowBytes * static_cast<std::size_t>(height));
  rows.resize(static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) rows[static_cast<std::size_t>(y)] = storage.data() + static_cast<std::size_t>(y) * rowBytes;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

inline TReference Reference(const std::vector<std::uint8_t>& file) {
  TReference ref;
  std::vector<png_bytep> rows;
  if (!ReadWithLibpng(file, ref.width, ref.height, rows, ref.rgba)) ref.width = ref.height = -1;
  return ref;
}

}  // namespace ombrisk::testing
