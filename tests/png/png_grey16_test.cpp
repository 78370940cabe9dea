// The 16-bit grey encoder against two decoders (ours at full precision, libpng), its text chunks,
// and our decoder's 16-bit samples on interlaced and cut files.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "picture/png/png_error.h"
#include "picture/png/png_read_grey16.h"
#include "picture/png/png_write_grey16.h"
#include "toolkit/stream.h"

namespace ombrisk {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct TLibpngGrey16 {
  bool ok = false;
  int width = 0, height = 0, depth = 0, colourType = -1;
  std::vector<std::uint16_t> samples;
  std::vector<std::pair<std::string, std::string>> texts;
};

struct TMemory {
  const Bytes* bytes;
  std::size_t at;
};

void ReadMemory(png_structp png, png_bytep out, png_size_t count) {
  auto* source = static_cast<TMemory*>(png_get_io_ptr(png));
  if (source->at + count > source->bytes->size()) png_error(png, "short");
  std::copy_n(source->bytes->data() + source->at, count, out);
  source->at += count;
}

// libpng at 16 bits per sample, no transformation. The setjmp frame owns no C++ object: the rows
// and texts live in result, made before it.
void ReadLibpng(const Bytes& file, TLibpngGrey16& result, std::vector<std::uint8_t>& storage,
                std::vector<png_bytep>& rows) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  TMemory source{&file, 0};
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return;
  }
  png_set_read_fn(png, &source, ReadMemory);
  png_read_info(png, info);
  result.width = static_cast<int>(png_get_image_width(png, info));
  result.height = static_cast<int>(png_get_image_height(png, info));
  result.depth = png_get_bit_depth(png, info);
  result.colourType = png_get_color_type(png, info);
  const std::size_t rowBytes = png_get_rowbytes(png, info);
  storage.resize(rowBytes * static_cast<std::size_t>(result.height));
  rows.resize(static_cast<std::size_t>(result.height));
  for (int y = 0; y < result.height; ++y) rows[static_cast<std::size_t>(y)] = storage.data() + y * rowBytes;
  png_read_image(png, rows.data());
  png_read_end(png, info);
  png_textp text = nullptr;
  const int count = png_get_text(png, info, &text, nullptr);
  for (int i = 0; i < count; ++i) result.texts.emplace_back(text[i].key, text[i].text);
  png_destroy_read_struct(&png, &info, nullptr);
  result.ok = true;
}

TLibpngGrey16 Libpng(const Bytes& file) {
  TLibpngGrey16 result;
  std::vector<std::uint8_t> storage;
  std::vector<png_bytep> rows;
  ReadLibpng(file, result, storage, rows);
  for (std::size_t i = 0; i + 1 < storage.size(); i += 2) {
    result.samples.push_back(static_cast<std::uint16_t>(storage[i] << 8 | storage[i + 1]));
  }
  return result;
}

std::string TempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("ombrisk_grey16_" + name)).string();
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

Bytes Encode(int width, int height, const std::vector<std::uint16_t>& samples, const TPngTextEntries& texts) {
  TMemoryStream stream;
  WriteGrey16Png(stream, width, height, samples, texts);
  return Bytes(stream.Memory(), stream.Memory() + stream.Size());
}

// Every high and low byte, runs and noise, so each filter gets chosen somewhere.
std::vector<std::uint16_t> TestSamples(int width, int height) {
  std::vector<std::uint16_t> samples;
  std::uint32_t noise = 12345;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      noise = noise * 1664525u + 1013904223u;
      const std::uint16_t value = y % 3 == 0 ? static_cast<std::uint16_t>(noise >> 16)
                                             : static_cast<std::uint16_t>((x * 65535) / (width - 1) ^ y);
      samples.push_back(y == 0 && x < 2 ? static_cast<std::uint16_t>(x * 65535) : value);
    }
  }
  return samples;
}

struct TSize {
  int width, height;
};

class Grey16RoundTrip : public ::testing::TestWithParam<TSize> {};

TEST_P(Grey16RoundTrip, BothDecodersReadEverySampleAndText) {
  const auto [width, height] = GetParam();
  const std::vector<std::uint16_t> samples = TestSamples(width, height);
  const std::string parameters = "rate=22050 size=1024 \"quoted\"\nsecond line";
  const Bytes file = Encode(width, height, samples, {{"Comment", parameters}});

  const TLibpngGrey16 reference = Libpng(file);
  ASSERT_TRUE(reference.ok);
  EXPECT_EQ(reference.width, width);
  EXPECT_EQ(reference.height, height);
  EXPECT_EQ(reference.depth, 16);
  EXPECT_EQ(reference.colourType, PNG_COLOR_TYPE_GRAY);
  EXPECT_EQ(reference.samples, samples);
  ASSERT_GE(reference.texts.size(), 1u);
  EXPECT_EQ(reference.texts[0], std::make_pair(std::string("Comment"), parameters));

  const std::string path = TempPath("round_trip.png");
  WriteFile(path, file);
  const TGrey16Png ours = ReadGrey16Png(path);
  std::filesystem::remove(path);
  EXPECT_EQ(ours.Width, width);
  EXPECT_EQ(ours.Height, height);
  EXPECT_EQ(ours.Samples, samples);
  EXPECT_EQ(ours.Comment, parameters + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(Sizes, Grey16RoundTrip,
                         ::testing::Values(TSize{2, 1}, TSize{3, 7}, TSize{257, 33}, TSize{20000, 3}));

// The Adam7 passes must place 16-bit samples where the plain file has them.
TEST(Grey16Decoder, InterlacedFileGivesThePlainFilesSamples) {
  const std::string dir = std::string(OMBRISK_TESTDATA_DIR) + "/pngsuite/";
  const TGrey16Png plain = ReadGrey16Png(dir + "basn0g16.png");
  const TGrey16Png interlaced = ReadGrey16Png(dir + "basi0g16.png");
  ASSERT_TRUE(plain.IsGrey16());
  EXPECT_EQ(plain.Samples, interlaced.Samples);
  // Not all high bytes: the low bytes are really there.
  EXPECT_TRUE(std::any_of(plain.Samples.begin(), plain.Samples.end(), [](std::uint16_t v) { return (v & 0xFF) != 0; }));
  const TGrey16Png eight = ReadGrey16Png(dir + "basn0g08.png");
  EXPECT_FALSE(eight.IsGrey16());
  EXPECT_EQ(eight.BitDepth, 8);
}

// A file cut anywhere after the signature is refused with the decoder's message and the file's name.
TEST(Grey16Decoder, CutFileIsRefusedNamingIt) {
  const Bytes file = Encode(300, 40, TestSamples(300, 40), {{"Comment", "x"}});
  const std::string path = TempPath("cut.png");
  for (const std::size_t keep : {std::size_t{20}, std::size_t{60}, file.size() / 2, file.size() - 20}) {
    WriteFile(path, Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(keep)));
    try {
      ReadGrey16Png(path);
      ADD_FAILURE() << "a file cut to " << keep << " bytes loaded";
    } catch (const EPngError& e) {
      EXPECT_NE(e.Message().find(path), std::string::npos) << e.Message();
    }
  }
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace ombrisk
