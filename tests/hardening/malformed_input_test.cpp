// Malformed inputs for every reader: truncations at every structural boundary, huge dimensions,
// wrong lengths and random bytes. Each must load or end with one of the program's messages.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "picture/load_picture.h"
#include "spectrogram/spectrogram_analysis.h"
#include "toolkit/bitmap.h"
#include "toolkit/exception.h"
#include "toolkit/picture.h"
#include "toolkit/progress.h"
#include "toolkit/stream.h"

namespace ombrisk {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const fs::path kData = OMBRISK_TESTDATA_DIR;
const fs::path kSeeds = fs::path(OMBRISK_TESTDATA_DIR) / ".." / ".." / "fuzz" / "seeds";

Bytes ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void PutU32Le(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.at(at + i) = static_cast<std::uint8_t>(v >> (8 * i));
}
void PutU32Be(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.at(at + i) = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

// Loads bytes as the kind registered for extension and copies them into a bitmap, as LoadPicture
// does. Returns the message of the failure, or "" when the load succeeded.
std::string LoadAs(const std::string& extension, const Bytes& bytes) {
  RegisterPictureFormats(24);
  const TGraphicClass* kind = TPicture::FindExt(extension);
  if (kind == nullptr) return "no kind for " + extension;
  TMemoryStream stream;
  if (!bytes.empty()) stream.WriteBuffer(bytes.data(), bytes.size());
  stream.SetPosition(0);
  try {
    const auto graphic = kind->Create();
    graphic->LoadFromStream(stream);
    TBitmap bitmap;
    bitmap.Assign(*graphic);
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    return "";
  } catch (const Exception& e) {
    EXPECT_FALSE(e.Message().empty()) << "a failure must say what went wrong";
    return e.Message();
  }
}

// Offsets of PNG chunk boundaries: after the signature and after every chunk's header and end.
std::vector<std::size_t> PngBoundaries(const Bytes& png) {
  std::vector<std::size_t> cuts{0, 4, 8};
  std::size_t at = 8;
  while (at + 8 <= png.size()) {
    const std::uint32_t length = (std::uint32_t{png[at]} << 24) | (png[at + 1] << 16) | (png[at + 2] << 8) | png[at + 3];
    cuts.push_back(at + 4);
    cuts.push_back(at + 8);
    if (at + 12 + std::uint64_t{length} > png.size()) break;
    cuts.push_back(at + 8 + length / 2);
    at += 12 + length;
    cuts.push_back(at - 4);
    cuts.push_back(at);
  }
  return cuts;
}

// Offsets just before and after every JPEG marker.
std::vector<std::size_t> JpegBoundaries(const Bytes& jpeg) {
  std::vector<std::size_t> cuts{0, 1, 2};
  for (std::size_t i = 2; i + 1 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] != 0x00 && jpeg[i + 1] != 0xFF) {
      cuts.push_back(i);
      cuts.push_back(i + 2);
      cuts.push_back(i + 4);
    }
  }
  return cuts;
}

Bytes Cut(const Bytes& b, std::size_t n) { return Bytes(b.begin(), b.begin() + static_cast<long>(std::min(n, b.size()))); }

TEST(MalformedPng, TruncatedAtEveryChunkBoundaryFailsWithAMessage) {
  for (const char* name : {"basn2c08.png", "basi3p04.png", "basn6a16.png", "basi0g01.png"}) {
    const Bytes png = ReadAll(kData / "pngsuite" / name);
    ASSERT_FALSE(png.empty()) << name;
    for (const std::size_t cut : PngBoundaries(png)) {
      if (cut >= png.size()) continue;
      SCOPED_TRACE(std::string(name) + " cut at " + std::to_string(cut));
      LoadAs("png", Cut(png, cut));  // either outcome is fine; no crash, no hang
    }
  }
}

TEST(MalformedPng, HugeDimensionsAndLengthsAreRefused) {
  const Bytes png = ReadAll(kData / "pngsuite" / "basn2c08.png");
  ASSERT_GT(png.size(), 33u);
  for (const std::uint32_t side : {0x7FFFFFFFu, 0x40000000u, 100000u}) {
    Bytes wide = png;
    PutU32Be(wide, 16, side);  // IHDR width (CRCs are not checked)
    EXPECT_NE(LoadAs("png", wide), "") << "width " << side;
    Bytes tall = png;
    PutU32Be(tall, 20, side);
    EXPECT_NE(LoadAs("png", tall), "") << "height " << side;
  }
  Bytes empty = png;
  PutU32Be(empty, 16, 0);
  LoadAs("png", empty);  // a zero width may load as an empty picture
  Bytes longChunk = png;
  PutU32Be(longChunk, 33, 0x7FFFFFF0u);  // the chunk after IHDR claims 2 GB: read only what is there
  LoadAs("png", longChunk);
}

TEST(MalformedJpeg, TruncatedAtEveryMarkerFailsOrLoads) {
  for (const char* name : {"testorig.jpg", "testimgp.jpg", "testimggray.jpg"}) {
    const Bytes jpeg = ReadAll(kData / "jpeg" / name);
    ASSERT_FALSE(jpeg.empty()) << name;
    for (const std::size_t cut : JpegBoundaries(jpeg)) {
      SCOPED_TRACE(std::string(name) + " cut at " + std::to_string(cut));
      LoadAs("jpg", Cut(jpeg, cut));
    }
  }
}

TEST(MalformedJpeg, HugeFrameIsRefused) {
  Bytes jpeg = ReadAll(kData / "jpeg" / "testorig.jpg");
  for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {  // SOF0: height and width follow the precision
      jpeg[i + 5] = jpeg[i + 6] = jpeg[i + 7] = jpeg[i + 8] = 0xFF;
      break;
    }
  }
  EXPECT_NE(LoadAs("jpg", jpeg), "");
}

TEST(MalformedBitmap, TruncatedAtEveryByteFailsWithAMessage) {
  for (const auto& entry : fs::directory_iterator(kSeeds / "bmp")) {
    const Bytes bmp = ReadAll(entry.path());
    for (std::size_t cut = 1; cut < bmp.size(); ++cut) {
      SCOPED_TRACE(entry.path().filename().string() + " cut at " + std::to_string(cut));
      LoadAs("bmp", Cut(bmp, cut));
    }
  }
}

TEST(MalformedBitmap, HugeDimensionsColourTablesAndOffsetsAreRefused) {
  const Bytes bmp = ReadAll(kSeeds / "bmp" / "pal8.bmp");
  for (const std::uint32_t side : {0x7FFFFFFFu, 0x80000000u, 0x10000000u, 1000000u}) {
    Bytes wide = bmp;
    PutU32Le(wide, 18, side);
    EXPECT_NE(LoadAs("bmp", wide), "") << "width " << side;
    Bytes tall = bmp;
    PutU32Le(tall, 22, side);
    EXPECT_NE(LoadAs("bmp", tall), "") << "height " << side;
  }
  Bytes colours = bmp;
  PutU32Le(colours, 46, 0x40000000u);  // colours used
  LoadAs("bmp", colours);
  Bytes offset = bmp;
  PutU32Le(offset, 10, 0xFFFFFFF0u);  // pixel data far beyond the end
  EXPECT_NE(LoadAs("bmp", offset), "");
  Bytes headerSize = bmp;
  PutU32Le(headerSize, 14, 0xFFFFFFF0u);
  EXPECT_NE(LoadAs("bmp", headerSize), "");
}

TEST(MalformedAnyKind, RandomBytesNeverCrash) {
  std::mt19937 random(20261208);
  const Bytes prefixes[] = {{'B', 'M'}, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, {0xFF, 0xD8, 0xFF}, {}};
  const char* const kinds[] = {"bmp", "png", "jpg", "ico"};
  for (int round = 0; round < 200; ++round) {
    const int k = round % 4;
    Bytes bytes = prefixes[k];
    const std::size_t length = random() % 2048;
    for (std::size_t i = 0; i < length; ++i) bytes.push_back(static_cast<std::uint8_t>(random()));
    LoadAs(kinds[k], bytes);
  }
}

class MalformedWave : public ::testing::Test {
protected:
  void SetUp() override { m_path = (fs::temp_directory_path() / ("ombrisk-bad-" + std::to_string(::getpid()) + ".wav")).string(); }
  void TearDown() override { std::remove(m_path.c_str()); }

  std::string Analyze(const Bytes& bytes, std::int32_t n = 128) {
    std::ofstream(m_path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    TSpectrogramSettings settings;
    settings.SampleSize = n;
    TNullProgress progress;
    try {
      (void)AnalyzeWave(m_path, settings, progress);
      return "";
    } catch (const Exception& e) {
      return e.Message();
    }
  }
  std::string m_path;
};

TEST_F(MalformedWave, EveryLengthBelowTheHeaderAndAbsurdSizes) {
  const Bytes tone = ReadAll(kSeeds / "wave" / "tone.wav");
  for (std::size_t cut = 0; cut < 44; ++cut) EXPECT_NE(Analyze(Cut(tone, cut)), "") << cut;
  for (std::size_t cut = 44; cut < tone.size(); cut += 37) EXPECT_EQ(Analyze(Cut(tone, cut)), "") << cut;
  Bytes absurd = tone;
  PutU32Le(absurd, 40, 0xFFFFFFFFu);
  const std::string message = Analyze(absurd, 8192);
  EXPECT_NE(message, "");
  EXPECT_NE(message.find("4096"), std::string::npos) << "names the size: " << message;
  EXPECT_NE(Analyze(absurd, 128), "");
}

}  // namespace
}  // namespace ombrisk
