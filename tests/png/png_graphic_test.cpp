// The PNG picture kind: registration, loading into its bitmaps, copying, transparency sync and saving.

#include "picture/png/png_graphic.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "png_decode_support.h"
#include "toolkit/exception.h"
#include "toolkit/file_stream.h"
#include "toolkit/picture.h"

namespace ombrisk {
namespace {

using namespace ombrisk::testing;
namespace fs = std::filesystem;

const fs::path kSuite = fs::path(OMBRISK_TESTDATA_DIR) / "pngsuite";

void Load(TPngGraphic& graphic, const std::string& name) {
  TFileStream stream((kSuite / name).string(), TFileMode::fmOpenRead);
  graphic.LoadFromStream(stream);
}

TEST(PngGraphicClass, IsAGraphicKindThatMakesPngGraphics) {
  const TGraphicClass& kind = TPngGraphic::Class();
  EXPECT_EQ(kind.Name, "TPngGraphic");
  EXPECT_EQ(kind.Parent, &GraphicClass());
  EXPECT_TRUE(kind.InheritsFrom(GraphicClass()));
  const auto made = kind.Create();
  ASSERT_NE(dynamic_cast<TPngGraphic*>(made.get()), nullptr);
  EXPECT_EQ(made->ClassName(), "TPngGraphic");
}

TEST(PngGraphicClass, RegistrationFindsTheKindInEveryCaseAndLoadsThroughThePicture) {
  RegisterPngFormat();
  EXPECT_EQ(TPicture::FindExt("png"), &TPngGraphic::Class());
  EXPECT_EQ(TPicture::FindExt("PNG"), &TPngGraphic::Class());
  EXPECT_EQ(TPicture::FindExt("Png"), &TPngGraphic::Class());
  const auto formats = TPicture::FileFormats();
  ASSERT_FALSE(formats.empty());
  EXPECT_EQ(formats.back().Extension, "png");
  EXPECT_EQ(formats.back().Description, "PNG Format");

  const fs::path dir = fs::temp_directory_path() / ("ombrisk-png-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  for (const char* name : {"upper.PNG", "lower.png"}) {
    fs::copy_file(kSuite / "basn2c08.png", dir / name, fs::copy_options::overwrite_existing);
    TPicture picture;
    picture.LoadFromFile((dir / name).string());
    ASSERT_NE(dynamic_cast<const TPngGraphic*>(picture.Graphic()), nullptr) << name;
    EXPECT_EQ(picture.Width(), 32);
  }
  fs::remove_all(dir);
  UnregisterPngFormat();
  EXPECT_EQ(TPicture::FindExt("png"), nullptr);
}

TEST(PngGraphicLoad, AlphaPictureKeepsItsMaskButCopiesOnlyItsColours) {
  TPngGraphic png;
  Load(png, "basn6a08.png");
  EXPECT_TRUE(png.HasAlpha());
  EXPECT_EQ(png.MaskBitmap().Width(), 32);
  EXPECT_EQ(png.BitDepth(), 24);
  TBitmap copy;
  copy.Assign(png);
  EXPECT_EQ(copy.PixelFormat(), TPixelFormat::pf24bit);
  std::ifstream in(kSuite / "basn6a08.png", std::ios::binary);
  const auto d = Decode(Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
  EXPECT_EQ(Rgb24(copy), Rgb24(d->bitmap));
  EXPECT_EQ(Bytes8(png.MaskBitmap()), Bytes8(d->mask));
}

TEST(PngGraphicLoad, OneTransparentPaletteEntryMakesBothTransparent) {
  TPngGraphic png;
  Load(png, "tp1n3p08.png");
  EXPECT_TRUE(png.Transparent());
  EXPECT_TRUE(png.Bitmap().Transparent());
  EXPECT_EQ(png.TransparentColor(), 0x01000000);
  EXPECT_FALSE(png.HasAlpha());
}

TEST(PngGraphicLoad, ASecondLoadEmptiesTheMaskAndResetsTheValues) {
  TPngGraphic png;
  EXPECT_DOUBLE_EQ(png.Gamma(), 0.45455);
  Load(png, "basi6a16.png");
  EXPECT_TRUE(png.HasAlpha());
  EXPECT_TRUE(png.Interlaced());
  Load(png, "tm3n3p02.png");  // no gAMA, palette with partial transparency
  EXPECT_TRUE(png.HasAlpha());
  EXPECT_EQ(png.Gamma(), 0.0);
  EXPECT_FALSE(png.Interlaced());
  Load(png, "basn2c08.png");
  EXPECT_FALSE(png.HasAlpha());
  EXPECT_TRUE(png.MaskBitmap().Empty());
  EXPECT_EQ(png.Time().Year, 0);  // no tIME: the record is zeroed
}

TEST(PngGraphicLoad, FailureLeavesTheBitmapsOwnProgressHandlerInPlace) {
  TPngGraphic png;
  int graphicReports = 0;
  int bitmapReports = 0;
  png.OnProgress = [&](TGraphic& sender, TProgressStage, std::uint8_t, bool, const TRect&, const std::string&) {
    EXPECT_EQ(&sender, &png.Bitmap());
    ++graphicReports;
  };
  png.Bitmap().OnProgress = [&](TGraphic&, TProgressStage, std::uint8_t, bool, const TRect&, const std::string&) {
    ++bitmapReports;
  };
  Load(png, "basn0g08.png");
  EXPECT_GT(graphicReports, 2);
  EXPECT_EQ(bitmapReports, 0);
  EXPECT_THROW(Load(png, "xc1n0g08.png"), EPngError);
  ASSERT_TRUE(static_cast<bool>(png.Bitmap().OnProgress));
  png.Bitmap().OnProgress(png.Bitmap(), TProgressStage::psRunning, 1, false, TRect{}, "");
  EXPECT_EQ(bitmapReports, 1);
}

TEST(PngGraphicLoad, LoadingSignalsAChange) {
  TPngGraphic png;
  int changes = 0;
  png.OnChange = [&](TGraphic&) { ++changes; };
  Load(png, "basn0g08.png");
  EXPECT_EQ(changes, 1);
  TMemoryStream empty;
  png.WriteData(empty);  // not empty: written
  EXPECT_GT(empty.Size(), 0);
  empty.SetPosition(0);
  changes = 0;
  png.ReadData(empty);  // sync's change and one more
  EXPECT_EQ(changes, 2);
}

TEST(PngGraphicShape, SetWidthLeavesAnEmptyMaskEmpty) {
  TPngGraphic png;
  Load(png, "basn2c08.png");
  png.SetWidth(10);
  EXPECT_EQ(png.Width(), 10);
  EXPECT_TRUE(png.MaskBitmap().Empty());
  Load(png, "basn6a08.png");
  png.SetHeight(12);
  EXPECT_EQ(png.Height(), 12);
  EXPECT_EQ(png.MaskBitmap().Height(), 12);
}

TEST(PngGraphicAssign, FromAnotherPngGraphicCopiesPicturesAndSettings) {
  TPngGraphic source;
  Load(source, "tbbn3p08.png");
  source.SetComment("hello");
  source.SetCompressionLevel(9);
  TPngGraphic dest;
  dest.Assign(source);
  EXPECT_EQ(Rgb24(dest.Bitmap()), Rgb24(source.Bitmap()));
  EXPECT_EQ(dest.Comment(), "hello");
  EXPECT_EQ(dest.CompressionLevel(), 9);
  EXPECT_EQ(dest.BackgroundColor(), source.BackgroundColor());
  EXPECT_EQ(dest.TransparentColor(), source.TransparentColor());
  EXPECT_TRUE(dest.Transparent());  // synced from the copied bitmap

  TPngGraphic fromBitmap;
  TBitmap bitmap;
  bitmap.SetSize(3, 2);
  fromBitmap.Assign(bitmap);
  EXPECT_EQ(fromBitmap.Width(), 3);
  EXPECT_FALSE(fromBitmap.Transparent());
}

TEST(PngGraphicAssign, FromAKindThatCannotCopyFailsWithTheAssignmentError) {
  TPngGraphic png;
  TIcon icon;
  try {
    png.Assign(icon);
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "TIcon を TBitmap に代入することはできません");
  }
}

TEST(PngGraphicTransparency, SetTransparentReachesTheBitmap) {
  TPngGraphic png;
  Load(png, "basn2c08.png");
  png.SetTransparent(true);
  EXPECT_TRUE(png.Bitmap().Transparent());
  png.SetTransparent(false);
  EXPECT_FALSE(png.Bitmap().Transparent());
}

TEST(PngGraphicSave, KeepsInterlacingAlphaAndGreyOfTheLoadedFile) {
  for (const char* name : {"basi6a08.png", "basn4a16.png", "basn0g04.png", "basi3p02.png"}) {
    TPngGraphic png;
    Load(png, name);
    TMemoryStream out;
    png.SaveToStream(out);
    const Bytes saved(out.Memory(), out.Memory() + out.Size());
    EXPECT_EQ(saved[28], png.Interlaced() ? 1 : 0) << name;
    out.SetPosition(0);
    TPngGraphic again;
    again.LoadFromStream(out);
    EXPECT_EQ(Rgb24(again.Bitmap()), Rgb24(png.Bitmap())) << name;
    EXPECT_EQ(again.HasAlpha(), png.HasAlpha()) << name;
    EXPECT_EQ(again.Grey(), png.Grey()) << name;
    if (png.HasAlpha()) {
      EXPECT_EQ(Bytes8(again.MaskBitmap()), Bytes8(png.MaskBitmap())) << name;
    }
  }
}

TEST(PngGraphicSave, WriteDataUsesTheDefaultsAndWritesNothingForAnEmptyPicture) {
  TPngGraphic png;
  TMemoryStream out;
  png.WriteData(out);
  EXPECT_EQ(out.Size(), 0);
  Load(png, "basi0g08.png");
  png.SetChunkSize(10);  // would fail SaveToStream
  png.WriteData(out);
  const Bytes saved(out.Memory(), out.Memory() + out.Size());
  EXPECT_EQ(saved[28], 0);  // not interlaced
  EXPECT_THROW(png.SaveToStream(out), EPngError);
}

}  // namespace
}  // namespace ombrisk
