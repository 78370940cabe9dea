#include "picture/load_picture.h"

#include <gtest/gtest.h>

#include <jerror.h>
#include <jpeglib.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "picture/grey_conversion.h"
#include "picture/jpeg_decoder.h"
#include "picture/jpeg_image.h"
#include "picture/png/png_graphic.h"
#include "picture_test_support.h"
#include "toolkit/bitmap.h"
#include "toolkit/exception.h"
#include "toolkit/file_stream.h"
#include "toolkit/safe_file_stream.h"
#include "toolkit/message_format.h"

namespace ombrisk {
namespace {

using namespace testing_support;

// A 24-bit bitmap holding the colours given row by row (packed red + 256 green + 65536 blue).
TBitmap ColourBitmap(int width, int height, const std::vector<TColor>& colours) {
  TBitmap bitmap;
  bitmap.SetPixelFormat(TPixelFormat::pf24bit);
  bitmap.SetSize(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) bitmap.SetPixel(x, y, colours[static_cast<std::size_t>(y * width + x)]);
  }
  return bitmap;
}

// True when the bitmap is the 24-bit display picture: blue = green = red everywhere.
::testing::AssertionResult IsGreyDisplayPicture(const TBitmap& bitmap) {
  if (bitmap.PixelFormat() != TPixelFormat::pf24bit) return ::testing::AssertionFailure() << "not 24 bits";
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* row = bitmap.ScanLine(y);
    for (int x = 0; x < bitmap.Width(); ++x) {
      if (row[3 * x] != row[3 * x + 1] || row[3 * x + 1] != row[3 * x + 2]) {
        return ::testing::AssertionFailure() << "pixel " << x << "," << y << " is not grey";
      }
    }
  }
  return ::testing::AssertionSuccess();
}

std::vector<int> GreysOf(const TBitmap& bitmap) {
  std::vector<int> greys;
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) greys.push_back(bitmap.ScanLine(y)[3 * x]);
  }
  return greys;
}

class LoadPictureTest : public ScratchFolder {
protected:
  void SetUp() override {
    ScratchFolder::SetUp();
    RegisterPictureFormats(24);
    // Every test starts from a display picture already loaded, to see what a failure keeps.
    ColourBitmap(2, 1, {0xFFFFFF, 0x0000FF}).SaveToFile(PathOf("earlier.bmp"));
    LoadPicture(PathOf("earlier.bmp"), m_display);
  }

  void ExpectEarlierPictureKept() {
    EXPECT_EQ(m_display.Width(), 2);
    EXPECT_EQ(m_display.Height(), 1);
    EXPECT_EQ(GreysOf(m_display), (std::vector<int>{255, 76}));
  }

  std::string FailureOf(const std::string& name) {
    try {
      LoadPicture(PathOf(name), m_display);
    } catch (const Exception& e) {
      return e.Message();
    }
    return "(loaded)";
  }

  TBitmap m_display;
};

TEST_F(LoadPictureTest, WhiteAndThePrimariesBecomeTheirGreys) {
  ColourBitmap(4, 1, {0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000}).SaveToFile(PathOf("primaries.bmp"));
  LoadPicture(PathOf("primaries.bmp"), m_display);
  EXPECT_TRUE(IsGreyDisplayPicture(m_display));
  EXPECT_EQ(GreysOf(m_display), (std::vector<int>{255, 76, 150, 29}));
}

TEST_F(LoadPictureTest, ASecondLoadReplacesTheFirstCompletely) {
  std::vector<TColor> colours;
  for (int i = 0; i < 21; ++i) colours.push_back(i * 0x0A0B0C);
  ColourBitmap(3, 7, colours).SaveToFile(PathOf("second.bmp"));
  LoadPicture(PathOf("second.bmp"), m_display);
  ASSERT_EQ(m_display.Width(), 3);
  ASSERT_EQ(m_display.Height(), 7);
  EXPECT_TRUE(IsGreyDisplayPicture(m_display));
  const std::vector<int> greys = GreysOf(m_display);
  for (std::size_t i = 0; i < colours.size(); ++i) {
    const TColor c = colours[i];
    EXPECT_EQ(greys[i], GreyLevel(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF)) << i;
  }
}

TEST_F(LoadPictureTest, PalettedBitmapsTakeTheirPaletteColours) {
  TBitmap paletted;
  paletted.SetPixelFormat(TPixelFormat::pf4bit);
  paletted.SetPalette({{0, 0, 0, 0}, {255, 0, 0, 0}, {0, 0, 255, 0}});
  paletted.SetSize(3, 1);
  paletted.ScanLine(0)[0] = 0x12;  // indices 1, 2, 0
  paletted.ScanLine(0)[1] = 0x00;
  paletted.SaveToFile(PathOf("paletted.bmp"));
  LoadPicture(PathOf("paletted.bmp"), m_display);
  EXPECT_TRUE(IsGreyDisplayPicture(m_display));
  EXPECT_EQ(GreysOf(m_display), (std::vector<int>{76, 29, 0}));
}

TEST_F(LoadPictureTest, AZeroLengthBitmapFileLoadsAsAnEmptyPicture) {
  WriteFileBytes(m_dir / "empty.bmp", {});
  LoadPicture(PathOf("empty.bmp"), m_display);
  EXPECT_EQ(m_display.Width(), 0);
  EXPECT_EQ(m_display.Height(), 0);
  EXPECT_EQ(m_display.PixelFormat(), TPixelFormat::pf24bit);
}

TEST_F(LoadPictureTest, JpegFilesLoadWhateverTheCaseOfTheirExtension) {
  TJPEGImage reference;
  reference.LoadFromFile((kJpegData / "testorig.jpg").string());
  TBitmap expected;
  expected.Assign(reference);
  ConvertToGrey(expected);
  for (const char* name : {"photo.JPG", "photo.jpeg", "photo.Jpg", "photo.JPEG"}) {
    fs::copy_file(kJpegData / "testorig.jpg", m_dir / name);
    TBitmap display;
    LoadPicture(PathOf(name), display);
    ASSERT_EQ(display.Width(), 227) << name;
    ASSERT_EQ(display.Height(), 149) << name;
    EXPECT_TRUE(IsGreyDisplayPicture(display)) << name;
    EXPECT_TRUE(GreysOf(display) == GreysOf(expected)) << name;
  }
}

TEST_F(LoadPictureTest, AGreyscaleJpegIsGreyAfterItsQuantisation) {
  fs::copy_file(kJpegData / "testimggray.jpg", m_dir / "grey.jpg");
  LoadPicture(PathOf("grey.jpg"), m_display);
  EXPECT_EQ(m_display.Width(), 227);
  EXPECT_TRUE(IsGreyDisplayPicture(m_display));
}

TEST_F(LoadPictureTest, PngFilesLoadThroughTheRegistryToo) {
  const TBitmap colours = ColourBitmap(4, 1, {0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000});
  for (const char* name : {"primaries.png", "primaries.PNG"}) {
    TSafeFileStream out(PathOf(name));
    SavePng(colours, out);
    out.Commit();
    TBitmap display;
    LoadPicture(PathOf(name), display);
    EXPECT_TRUE(IsGreyDisplayPicture(display)) << name;
    EXPECT_EQ(GreysOf(display), (std::vector<int>{255, 76, 150, 29})) << name;
  }
}

// Every failure of a load, with its exact message; the display picture stays as it was.
struct FailureCase {
  const char* name;
  void (*make)(const fs::path& dir);
  std::string (*message)(const fs::path& dir);
};

void MakeNothing(const fs::path&) {}
void MakeJpegCopy(const fs::path& dir, const char* name) { fs::copy_file(kJpegData / "testorig.jpg", dir / name); }

std::string OpenError(const fs::path& path, int error) {
  return FormatMessage(kSFOpenErrorEx, {path.string(), std::strerror(error)});
}

const FailureCase kFailures[] = {
    {"photo.jpe", [](const fs::path& d) { MakeJpegCopy(d, "photo.jpe"); },
     [](const fs::path&) { return std::string("拡張子 .jpe の画像形式は処理できません"); }},
    {"noextension", [](const fs::path& d) { MakeJpegCopy(d, "noextension"); },
     [](const fs::path&) { return std::string("拡張子 . の画像形式は処理できません"); }},
    {"notes.TXT", MakeNothing, [](const fs::path&) { return std::string("拡張子 .TXT の画像形式は処理できません"); }},
    {"missing.bmp", MakeNothing, [](const fs::path& d) { return OpenError(d / "missing.bmp", ENOENT); }},
    {"folder.jpg", [](const fs::path& d) { fs::create_directory(d / "folder.jpg"); },
     [](const fs::path& d) { return OpenError(d / "folder.jpg", EISDIR); }},
    {"signature.bmp", [](const fs::path& d) { WriteFileBytes(d / "signature.bmp", ByteVector(60, 'X')); },
     [](const fs::path&) { return std::string(kSInvalidBitmap); }},
    {"planes.bmp",
     [](const fs::path& d) {
       TBitmap b;
       b.SetSize(2, 2);
       b.SaveToFile((d / "planes.bmp").string());
       ByteVector bytes = ReadFileBytes(d / "planes.bmp");
       bytes[26] = 2;  // biPlanes
       WriteFileBytes(d / "planes.bmp", bytes);
     },
     [](const fs::path&) { return std::string(kSInvalidBitmap); }},
    {"twelve.jpg", [](const fs::path& d) { fs::copy_file(kJpegData / "testorig12.jpg", d / "twelve.jpg"); },
     [](const fs::path&) { return FormatMessage(kSJpegError, {std::to_string(JERR_BAD_PRECISION)}); }},
    {"bad.jpeg",
     [](const fs::path& d) {
       ByteVector bytes = ReadFileBytes(kJpegData / "testorig.jpg");
       for (std::size_t i = 0; i + 6 < bytes.size(); ++i) {
         if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) {
           bytes[i + 6] = 0x33;  // the scan uses Huffman tables never defined: fails while decoding
           break;
         }
       }
       WriteFileBytes(d / "bad.jpeg", bytes);
     },
     [](const fs::path&) { return FormatMessage(kSJpegError, {std::to_string(JERR_NO_HUFF_TABLE)}); }},
    {"icon.ico", [](const fs::path& d) { WriteFileBytes(d / "icon.ico", {0, 0, 1, 0, 1, 0, 16, 16}); },
     [](const fs::path&) { return std::string("TIcon を TBitmap に代入することはできません"); }},
    {"drawing.WMF", [](const fs::path& d) { WriteFileBytes(d / "drawing.WMF", ByteVector(30, 0)); },
     [](const fs::path&) { return std::string("TMetafile を TBitmap に代入することはできません"); }},
    {"drawing.emf", [](const fs::path& d) { WriteFileBytes(d / "drawing.emf", {}); },
     [](const fs::path&) { return std::string("TMetafile を TBitmap に代入することはできません"); }},
};

class LoadPictureFailure : public LoadPictureTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(LoadPictureFailure, EndsWithItsMessageAndKeepsTheEarlierPicture) {
  GetParam().make(m_dir);
  EXPECT_EQ(FailureOf(GetParam().name), GetParam().message(m_dir));
  ExpectEarlierPictureKept();
}

INSTANTIATE_TEST_SUITE_P(Files, LoadPictureFailure, ::testing::ValuesIn(kFailures),
                         [](const ::testing::TestParamInfo<FailureCase>& param) {
                           std::string name = param.param.name;
                           for (char& c : name) {
                             if (c == '.') c = '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace ombrisk
