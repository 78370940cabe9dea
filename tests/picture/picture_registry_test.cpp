#include "toolkit/picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "picture/jpeg_image.h"
#include "picture/load_picture.h"
#include "picture_test_support.h"
#include "toolkit/bitmap.h"
#include "toolkit/exception.h"
#include "toolkit/stream.h"

namespace ombrisk {
namespace {

using namespace testing_support;

// Stand-in kinds for registrations the tests add and take away again.
class TFakeGraphic : public TGraphic {
public:
  std::string ClassName() const override { return "TFakeGraphic"; }
  void LoadFromStream(TStream&) override {}
  int Width() const override { return 0; }
  int Height() const override { return 0; }
};

const TGraphicClass& FakeClass() {
  static const TGraphicClass kind{"TFakeGraphic", &GraphicClass(), [] { return std::make_unique<TFakeGraphic>(); }};
  return kind;
}

const TGraphicClass& FakeChildClass() {
  static const TGraphicClass kind{"TFakeChild", &FakeClass(), [] { return std::make_unique<TFakeGraphic>(); }};
  return kind;
}

class Registry : public ::testing::Test {
protected:
  void SetUp() override { RegisterPictureFormats(24); }
};

TEST_F(Registry, HoldsTheBuiltInEntriesThenTheStartUpOnesInOrder) {
  struct Entry {
    std::string extension, description, kind;
  };
  const std::vector<Entry> expected{
      {"wmf", "メタファイル", "TMetafile"},   {"emf", "エンハンス メタファイル", "TMetafile"},
      {"ico", "アイコン", "TIcon"},           {"bmp", "ビットマップ", "TBitmap"},
      {"jpeg", "JPEG イメージファイル", "TJPEGImage"}, {"jpg", "JPEG イメージファイル", "TJPEGImage"},
      {"png", "PNG Format", "TPngGraphic"},
  };
  const std::vector<TFileFormat> formats = TPicture::FileFormats();
  ASSERT_EQ(formats.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(formats[i].Extension, expected[i].extension) << i;
    EXPECT_EQ(formats[i].Description, expected[i].description) << i;
    EXPECT_EQ(formats[i].Kind->Name, expected[i].kind) << i;
  }
}

TEST_F(Registry, StartUpRegistrationRunsOnlyOnce) {
  const std::size_t before = TPicture::FileFormats().size();
  RegisterPictureFormats(8);
  EXPECT_EQ(TPicture::FileFormats().size(), before);
  EXPECT_EQ(TJPEGImage::DefaultPixelFormat(), TJPEGPixelFormat::jf24Bit) << "the depth of the first call stays";
}

TEST_F(Registry, TheOpenDialogFilterListsEveryFormatLastRegisteredFirst) {
  const std::string expected =
      "すべてのファイル (*.png;*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf)|*.png;*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf"
      "|PNG Format (*.png)|*.png"
      "|JPEG イメージファイル (*.jpg)|*.jpg"
      "|JPEG イメージファイル (*.jpeg)|*.jpeg"
      "|ビットマップ (*.bmp)|*.bmp"
      "|アイコン (*.ico)|*.ico"
      "|エンハンス メタファイル (*.emf)|*.emf"
      "|メタファイル (*.wmf)|*.wmf";
  EXPECT_EQ(TPicture::BuildFilterStrings(GraphicClass()), expected);
}

TEST_F(Registry, AFilterForOneKindTakesOnlyThatKindsEntries) {
  EXPECT_EQ(TPicture::BuildFilterStrings(IconClass()), "アイコン (*.ico)|*.ico") << "one entry: no all-files pair";
  EXPECT_EQ(TPicture::BuildFilterStrings(MetafileClass()),
            "すべてのファイル (*.emf;*.wmf)|*.emf;*.wmf|エンハンス メタファイル (*.emf)|*.emf|メタファイル (*.wmf)|*.wmf");
  EXPECT_EQ(TPicture::BuildFilterStrings(FakeClass()), "") << "no entries";
}

TEST_F(Registry, ExtensionsMatchWithoutRegardToCase) {
  const std::pair<const char*, const char*> cases[] = {
      {"JPG", "TJPEGImage"}, {"jpeg", "TJPEGImage"}, {"Jpg", "TJPEGImage"}, {"JPEG", "TJPEGImage"},
      {"bmp", "TBitmap"},    {"Bmp", "TBitmap"},     {"PNG", "TPngGraphic"}, {"png", "TPngGraphic"},
      {"ICO", "TIcon"},      {"wMf", "TMetafile"},   {"EMF", "TMetafile"},
  };
  for (const auto& [extension, kind] : cases) {
    const TGraphicClass* found = TPicture::FindExt(extension);
    ASSERT_NE(found, nullptr) << extension;
    EXPECT_EQ(found->Name, kind) << extension;
  }
  for (const char* unknown : {"jpe", "", "tif", "bmp ", ".bmp", "jpgx"}) {
    EXPECT_EQ(TPicture::FindExt(unknown), nullptr) << unknown;
  }
}

TEST_F(Registry, ALaterEntryHidesAnEarlierOneUntilItsKindIsUnregistered) {
  const std::size_t before = TPicture::FileFormats().size();
  TPicture::RegisterFileFormat("BMP", "fake bitmap", FakeClass());
  TPicture::RegisterFileFormat("", "no extension", FakeClass());
  TPicture::RegisterFileFormat("fkc", "fake child", FakeChildClass());
  EXPECT_EQ(TPicture::FindExt("bmp"), &FakeClass());
  EXPECT_EQ(TPicture::FindExt("FKC"), &FakeChildClass());
  EXPECT_EQ(TPicture::FileFormats()[before].Extension, "bmp") << "stored in lower case";
  EXPECT_EQ(TPicture::BuildFilterStrings(FakeClass()),
            "すべてのファイル (*.fkc;*.bmp)|*.fkc;*.bmp|fake child (*.fkc)|*.fkc|fake bitmap (*.bmp)|*.bmp")
      << "the entry without extension is skipped";

  TPicture::UnregisterGraphicClass(FakeClass());  // and the kinds derived from it
  EXPECT_EQ(TPicture::FileFormats().size(), before);
  EXPECT_EQ(TPicture::FindExt("bmp"), &BitmapClass());
  EXPECT_EQ(TPicture::FindExt("fkc"), nullptr);
}

TEST(FileExtension, IsTheTextAfterTheLastDotOfTheLastComponentAsTyped) {
  const std::pair<const char*, const char*> cases[] = {
      {"photo.JPG", "JPG"}, {"/a/b/photo.Jpg", "Jpg"}, {"archive.tar.gz", "gz"}, {"noextension", ""},
      {"dir.d/noextension", ""}, {"trailing.", ""}, {".bmp", "bmp"}, {"dir/", ""}, {"", ""},
      {"写真.ｊｐｇ", "ｊｐｇ"},
  };
  for (const auto& [name, extension] : cases) EXPECT_EQ(FileExtension(name), extension) << name;
}

// Icons and metafiles keep their bytes and report the size their headers give, but never copy.
struct RawCase {
  const char* what;
  const TGraphicClass& (*kind)();
  ByteVector bytes;
  int width, height;
};

class RawGraphics : public ::testing::TestWithParam<RawCase> {};

TEST_P(RawGraphics, LoadTheirBytesButRefuseToCopyIntoABitmap) {
  const RawCase& c = GetParam();
  TMemoryStream stream;
  if (!c.bytes.empty()) stream.WriteBuffer(c.bytes.data(), c.bytes.size());
  stream.SetPosition(0);
  const auto graphic = c.kind().Create();
  ASSERT_NO_THROW(graphic->LoadFromStream(stream)) << c.what;
  EXPECT_EQ(graphic->Width(), c.width) << c.what;
  EXPECT_EQ(graphic->Height(), c.height) << c.what;
  TMemoryStream saved;
  graphic->SaveToStream(saved);
  EXPECT_EQ(saved.Size(), static_cast<std::int64_t>(c.bytes.size())) << c.what;

  TBitmap bitmap;
  bitmap.SetSize(2, 2);
  try {
    bitmap.Assign(*graphic);
    FAIL() << c.what << " copied";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), graphic->ClassName() + " を TBitmap に代入することはできません");
  }
  EXPECT_EQ(bitmap.Width(), 2);
}

ByteVector Icon(std::uint8_t w, std::uint8_t h) {
  ByteVector b(22 + 40, 0);
  b[2] = 1;  // type: icon
  b[4] = 1;  // one image
  b[6] = w;
  b[7] = h;
  return b;
}

ByteVector EnhancedMetafile() {
  ByteVector b(88, 0);
  b[0] = 1;                         // header record
  b[8] = 10;                        // bounds: left 10, top 20, right 109, bottom 69
  b[12] = 20;
  b[16] = 109;
  b[20] = 69;
  b[40] = ' ', b[41] = 'E', b[42] = 'M', b[43] = 'F';
  return b;
}

ByteVector PlaceableMetafile() {
  ByteVector b(40, 0);
  const std::uint8_t header[] = {0xD7, 0xCD, 0xC6, 0x9A, 0, 0, 0, 0, 0, 0, 0xC0, 0x03, 0xE0, 0x01, 0xC0, 0x03};
  std::copy(std::begin(header), std::end(header), b.begin());  // a box of 960 × 480 at 960 per inch
  return b;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, RawGraphics,
    ::testing::Values(RawCase{"icon 32 × 16", IconClass, Icon(32, 16), 32, 16},
                      RawCase{"icon 256 × 256", IconClass, Icon(0, 0), 256, 256},
                      RawCase{"empty icon file", IconClass, {}, 0, 0},
                      RawCase{"icon of garbage", IconClass, ByteVector(100, 0xEE), 0, 0},
                      RawCase{"enhanced metafile", MetafileClass, EnhancedMetafile(), 100, 50},
                      RawCase{"placeable metafile", MetafileClass, PlaceableMetafile(), 96, 48},
                      RawCase{"metafile of garbage", MetafileClass, ByteVector(7, 1), 0, 0}));

class PictureContainer : public ScratchFolder {
protected:
  void SetUp() override {
    ScratchFolder::SetUp();
    RegisterPictureFormats(24);
  }
};

TEST_F(PictureContainer, AFailedLoadKeepsThePreviousPicture) {
  TBitmap source;
  source.SetSize(5, 4);
  source.SaveToFile(PathOf("first.bmp"));
  WriteFileBytes(m_dir / "bad.bmp", {'X', 'Y', 0, 0});

  TPicture picture;
  picture.LoadFromFile(PathOf("first.bmp"));
  const TGraphic* first = picture.Graphic();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->ClassName(), "TBitmap");
  EXPECT_EQ(picture.Width(), 5);
  EXPECT_EQ(picture.Height(), 4);

  for (const char* name : {"bad.bmp", "missing.jpg", "picture.jpe"}) {
    EXPECT_THROW(picture.LoadFromFile(PathOf(name)), Exception) << name;
    EXPECT_EQ(picture.Graphic(), first) << name;
  }
}

TEST_F(PictureContainer, AsABitmapAnotherKindIsReplacedByAnEmptyBitmap) {
  fs::copy_file(kJpegData / "testorig.jpg", m_dir / "photo.jpg");
  TPicture picture;
  EXPECT_EQ(picture.Width(), 0);
  picture.LoadFromFile(PathOf("photo.jpg"));
  EXPECT_EQ(picture.Graphic()->ClassName(), "TJPEGImage");
  EXPECT_EQ(picture.Width(), 227);
  TBitmap& bitmap = picture.Bitmap();
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_EQ(picture.Graphic(), &bitmap);
  EXPECT_EQ(&picture.Bitmap(), &bitmap) << "a bitmap stays";
}

}  // namespace
}  // namespace ombrisk
