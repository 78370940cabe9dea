#include "picture/jpeg_image.h"

#include <gtest/gtest.h>

#include <jpeglib.h>
#include <jerror.h>

#include <set>
#include <string>
#include <vector>

#include "picture/jpeg_decoder.h"
#include "picture_test_support.h"
#include "toolkit/bitmap.h"
#include "toolkit/exception.h"
#include "toolkit/message_format.h"
#include "toolkit/stream.h"

namespace ombrisk {
namespace {

using namespace testing_support;

std::string JpegError(int code) { return FormatMessage(kSJpegError, {std::to_string(code)}); }

TJPEGImage LoadJpeg(const ByteVector& bytes) {
  TMemoryStream stream;
  if (!bytes.empty()) stream.WriteBuffer(bytes.data(), bytes.size());
  stream.SetPosition(0);
  TJPEGImage jpeg;
  jpeg.LoadFromStream(stream);
  return jpeg;
}

// The picture's colours as red, green, blue bytes (palette colours for paletted pictures).
ByteVector RgbOf(const TBitmap& bitmap) {
  ByteVector rgb;
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) {
      const TColor c = bitmap.GetPixel(x, y);
      rgb.push_back(static_cast<std::uint8_t>(c & 0xFF));
      rgb.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
      rgb.push_back(static_cast<std::uint8_t>((c >> 16) & 0xFF));
    }
  }
  return rgb;
}

std::size_t Offset(const ByteVector& bytes, std::uint8_t marker, std::size_t from = 0) {
  for (std::size_t i = from; i + 1 < bytes.size(); ++i) {
    if (bytes[i] == 0xFF && bytes[i + 1] == marker) return i;
  }
  ADD_FAILURE() << "no marker " << int{marker};
  return 0;
}

struct HeaderCase {
  const char* file;
  bool grayscale;
  bool progressive;
};

class JpegHeader : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(JpegHeader, SizeKindAndScansComeFromTheHeaderAlone) {
  const TJPEGImage jpeg = LoadJpeg(ReadFileBytes(kJpegData / GetParam().file));
  EXPECT_EQ(jpeg.Width(), 227);
  EXPECT_EQ(jpeg.Height(), 149);
  EXPECT_EQ(jpeg.Grayscale(), GetParam().grayscale);
  EXPECT_EQ(jpeg.ProgressiveEncoding(), GetParam().progressive);
}

INSTANTIATE_TEST_SUITE_P(TestImages, JpegHeader,
                         ::testing::Values(HeaderCase{"testorig.jpg", false, false}, HeaderCase{"testimgint.jpg", false, false},
                                           HeaderCase{"testimgari.jpg", false, false}, HeaderCase{"testimgp.jpg", false, true},
                                           HeaderCase{"testimggray.jpg", true, false}));

// Our decoding against libjpeg-turbo's own djpeg with the same settings, pixel for pixel.
class JpegAgainstDjpeg : public ScratchFolder, public ::testing::WithParamInterface<const char*> {
protected:
  void SetUp() override {
    if (!DjpegAvailable()) GTEST_SKIP() << "djpeg (libjpeg-turbo-progs) is not installed";
    ScratchFolder::SetUp();
  }
};

TEST_P(JpegAgainstDjpeg, ColourPicturesDecodeToDjpegsColours) {
  const fs::path file = kJpegData / GetParam();
  const auto reference = RunDjpeg("-dct int", file, m_dir / "reference.ppm");
  ASSERT_TRUE(reference.has_value());
  TJPEGImage jpeg = LoadJpeg(ReadFileBytes(file));
  jpeg.SetPixelFormat(TJPEGPixelFormat::jf24Bit);
  TBitmap bitmap;
  bitmap.Assign(jpeg);
  EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit);
  ASSERT_EQ(bitmap.Width(), reference->width);
  ASSERT_EQ(bitmap.Height(), reference->height);
  EXPECT_TRUE(RgbOf(bitmap) == reference->pixels);
}

TEST_P(JpegAgainstDjpeg, EightBitDisplayQuantisesLikeDjpeg) {
  const fs::path file = kJpegData / GetParam();
  const auto reference = RunDjpeg("-dct int -colors 236", file, m_dir / "reference.ppm");
  ASSERT_TRUE(reference.has_value());
  TJPEGImage jpeg = LoadJpeg(ReadFileBytes(file));
  jpeg.SetPixelFormat(TJPEGPixelFormat::jf8Bit);
  TBitmap bitmap;
  bitmap.Assign(jpeg);
  EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf8bit);
  EXPECT_LE(bitmap.Palette().size(), 236u);
  EXPECT_TRUE(RgbOf(bitmap) == reference->pixels);
}

INSTANTIATE_TEST_SUITE_P(TestImages, JpegAgainstDjpeg,
                         ::testing::Values("testorig.jpg", "testimgint.jpg", "testimgari.jpg", "testimgp.jpg"));

class GreyscaleJpeg : public JpegAgainstDjpeg {};

TEST_F(GreyscaleJpeg, IsReducedToAtMost236DitheredLevelsAtEveryDepth) {
  const fs::path file = kJpegData / "testimggray.jpg";
  const auto reference = RunDjpeg("-dct int -colors 236", file, m_dir / "reference.pgm");
  ASSERT_TRUE(reference.has_value());
  ASSERT_EQ(reference->channels, 1);
  for (const TJPEGPixelFormat depth : {TJPEGPixelFormat::jf24Bit, TJPEGPixelFormat::jf8Bit}) {
    TJPEGImage jpeg = LoadJpeg(ReadFileBytes(file));
    jpeg.SetPixelFormat(depth);
    TBitmap bitmap;
    bitmap.Assign(jpeg);
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf8bit);
    ASSERT_LE(bitmap.Palette().size(), 236u);
    for (const TPaletteEntry& e : bitmap.Palette()) {
      EXPECT_TRUE(e.peRed == e.peGreen && e.peGreen == e.peBlue);
    }
    const ByteVector rgb = RgbOf(bitmap);
    ByteVector greys;
    std::set<std::uint8_t> levels;
    for (std::size_t i = 0; i < rgb.size(); i += 3) {
      greys.push_back(rgb[i]);
      levels.insert(rgb[i]);
    }
    EXPECT_LE(levels.size(), 236u);
    EXPECT_GT(levels.size(), 100u) << "dithered, not posterised";
    EXPECT_TRUE(greys == reference->pixels);
  }
}

TEST_F(JpegAgainstDjpeg, ATruncatedFileDecodesAsDjpegDecodesIt) {
  ByteVector bytes = ReadFileBytes(kJpegData / "testorig.jpg");
  bytes.resize(bytes.size() * 2 / 3);  // in the middle of the scan: libjpeg only warns
  WriteFileBytes(m_dir / "cut.jpg", bytes);
  const auto reference = RunDjpeg("-dct int", m_dir / "cut.jpg", m_dir / "reference.ppm");
  ASSERT_TRUE(reference.has_value());
  TJPEGImage jpeg = LoadJpeg(bytes);
  TBitmap bitmap;
  bitmap.Assign(jpeg);
  EXPECT_TRUE(RgbOf(bitmap) == reference->pixels);
}

// A libjpeg error, whether in the header (at load) or in the pixel data (at the copy), ends with
// its message code; a failed copy leaves the destination as it was.
struct CorruptCase {
  const char* what;
  ByteVector (*make)();
  int code;
  bool failsAtLoad;
};

ByteVector TwelveBit() { return ReadFileBytes(kJpegData / "testorig12.jpg"); }
ByteVector Empty() { return {}; }
ByteVector NotAJpeg() { return {'B', 'M', 0, 0, 0, 0}; }
ByteVector HeaderOnly() {
  ByteVector bytes = ReadFileBytes(kJpegData / "testorig.jpg");
  bytes.resize(Offset(bytes, 0xDA));  // everything before the first scan
  return bytes;
}
ByteVector UndefinedHuffmanTable() {
  ByteVector bytes = ReadFileBytes(kJpegData / "testorig.jpg");
  const std::size_t sos = Offset(bytes, 0xDA);
  bytes[sos + 6] = 0x33;  // first component's DC and AC tables: 3, never defined
  return bytes;
}
ByteVector SecondStartOfImage() {
  ByteVector bytes = ReadFileBytes(kJpegData / "testorig.jpg");
  const std::size_t eoi = Offset(bytes, 0xD9, Offset(bytes, 0xDA));
  bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(eoi), {0xFF, 0xD8});
  return bytes;
}
ByteVector TooManyScans() {
  // The progressive file with its last scan sent again and again before the end marker. Entropy
  // data stuffs every 0xFF, so FF DA only ever starts a scan.
  const ByteVector bytes = ReadFileBytes(kJpegData / "testimgp.jpg");
  std::size_t lastScan = 0;
  for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) lastScan = i;
  }
  const std::size_t eoi = bytes.size() - 2;
  const auto begin = bytes.begin();
  ByteVector result(begin, begin + static_cast<std::ptrdiff_t>(eoi));
  for (int i = 0; i < kMaxJpegScans; ++i) {
    result.insert(result.end(), begin + static_cast<std::ptrdiff_t>(lastScan), begin + static_cast<std::ptrdiff_t>(eoi));
  }
  result.insert(result.end(), {0xFF, 0xD9});
  return result;
}

class CorruptJpeg : public ::testing::TestWithParam<CorruptCase> {};

TEST_P(CorruptJpeg, FailsWithLibjpegsMessageCode) {
  const CorruptCase& c = GetParam();
  const ByteVector bytes = c.make();
  if (c.failsAtLoad) {
    TJPEGImage jpeg = LoadJpeg(ReadFileBytes(kJpegData / "testorig.jpg"));
    TMemoryStream stream;
    if (!bytes.empty()) stream.WriteBuffer(bytes.data(), bytes.size());
    stream.SetPosition(0);
    try {
      jpeg.LoadFromStream(stream);
      FAIL() << c.what << " loaded";
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(e.Message(), JpegError(c.code)) << c.what;
    }
    EXPECT_EQ(jpeg.Width(), 227) << "the earlier picture stays";
    return;
  }
  const TJPEGImage jpeg = LoadJpeg(bytes);
  TBitmap dest;
  dest.SetSize(3, 2);
  dest.SetPixel(1, 1, 0x123456);
  try {
    dest.Assign(jpeg);
    FAIL() << c.what << " decoded";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), JpegError(c.code)) << c.what;
  }
  EXPECT_EQ(dest.Width(), 3);
  EXPECT_EQ(dest.Height(), 2);
  EXPECT_EQ(dest.GetPixel(1, 1), 0x123456);

  // An empty destination is decoded into directly; it must come back empty, as it was.
  TBitmap empty;
  empty.SetPixelFormat(TPixelFormat::pf4bit);
  const std::vector<TPaletteEntry> palette = empty.Palette();
  EXPECT_THROW(empty.Assign(jpeg), EInvalidGraphic) << c.what;
  EXPECT_EQ(empty.Width(), 0);
  EXPECT_EQ(empty.Height(), 0);
  EXPECT_EQ(empty.PixelFormat(), TPixelFormat::pf4bit);
  EXPECT_TRUE(empty.Palette() == palette);
}

INSTANTIATE_TEST_SUITE_P(
    Files, CorruptJpeg,
    ::testing::Values(CorruptCase{"12-bit samples", TwelveBit, JERR_BAD_PRECISION, true},
                      CorruptCase{"empty file", Empty, JERR_INPUT_EMPTY, true},
                      CorruptCase{"not a JPEG", NotAJpeg, JERR_NO_SOI, true},
                      CorruptCase{"frame but no scan", HeaderOnly, JERR_SOF_NO_SOS, true},
                      CorruptCase{"undefined Huffman table", UndefinedHuffmanTable, JERR_NO_HUFF_TABLE, false},
                      CorruptCase{"second start of image", SecondStartOfImage, JERR_SOI_DUPLICATE, false},
                      CorruptCase{"a thousand scans", TooManyScans, JERR_BAD_SCAN_SCRIPT, false}));

TEST(JpegImage, LoadsFromTheStreamPositionAndSavesTheBytesAsLoaded) {
  const ByteVector file = ReadFileBytes(kJpegData / "testorig.jpg");
  TMemoryStream stream;
  stream.WriteBuffer("junk", 4);
  stream.WriteBuffer(file.data(), file.size());
  stream.SetPosition(4);
  TJPEGImage jpeg;
  jpeg.LoadFromStream(stream);
  EXPECT_EQ(jpeg.Width(), 227);
  TMemoryStream saved;
  jpeg.SaveToStream(saved);
  EXPECT_TRUE(ByteVector(saved.Memory(), saved.Memory() + saved.Size()) == file);
}

TEST(JpegImage, AnEmptyPictureCopiesAsAnEmptyBitmap) {
  TBitmap dest;
  dest.SetSize(4, 4);
  dest.Assign(TJPEGImage());
  EXPECT_EQ(dest.Width(), 0);
  EXPECT_EQ(dest.Height(), 0);
}

TEST(JpegImage, TooLargeAFrameIsRefusedBeforeAnyPixelMemory) {
  ByteVector bytes = ReadFileBytes(kJpegData / "testorig.jpg");
  const std::size_t sof = Offset(bytes, 0xC0);
  // 60000 × 60000: within libjpeg's limit, beyond a bitmap's.
  bytes[sof + 5] = 0xEA;
  bytes[sof + 6] = 0x60;
  bytes[sof + 7] = 0xEA;
  bytes[sof + 8] = 0x60;
  const TJPEGImage jpeg = LoadJpeg(bytes);
  EXPECT_EQ(jpeg.Width(), 60000);
  TBitmap dest;
  EXPECT_THROW(dest.Assign(jpeg), EOutOfResources);
}

}  // namespace
}  // namespace ombrisk
