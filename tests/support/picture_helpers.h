// Building small test pictures and reading back the wave files a run wrote.
#pragma once

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "toolkit/bitmap.h"
#include "toolkit/little_endian.h"

namespace ombrisk::test {

struct Rgb {
  std::uint8_t Red = 0;
  std::uint8_t Green = 0;
  std::uint8_t Blue = 0;
};

// A 24-bit bitmap whose pixel (x, y) is pixel(x, y), written through scan lines.
inline TBitmap MakePicture(int width, int height, const std::function<Rgb(int, int)>& pixel) {
  TBitmap picture;
  picture.SetPixelFormat(TPixelFormat::pf24bit);
  picture.SetSize(width, height);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = picture.ScanLine(y);
    for (int x = 0; x < width; ++x) {
      const Rgb c = pixel(x, y);
      row[3 * x] = c.Blue;
      row[3 * x + 1] = c.Green;
      row[3 * x + 2] = c.Red;
    }
  }
  return picture;
}

inline TBitmap MakeGreyPicture(int width, int height, const std::function<int(int, int)>& grey) {
  return MakePicture(width, height, [&](int x, int y) {
    const auto g = static_cast<std::uint8_t>(grey(x, y));
    return Rgb{g, g, g};
  });
}

inline std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::uint32_t ReadLittle32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return ombrisk::ReadLittle32(bytes.data() + at);
}

// The samples after the 44-byte header, decoded as signed 16-bit little-endian values.
inline std::vector<std::int16_t> WaveSamples(const std::vector<std::uint8_t>& bytes) {
  std::vector<std::int16_t> samples;
  for (std::size_t i = 44; i + 1 < bytes.size(); i += 2) {
    samples.push_back(static_cast<std::int16_t>(ReadLittle16(bytes.data() + i)));
  }
  return samples;
}

// A folder of its own per test, removed afterwards.
class ScratchFolder {
public:
  explicit ScratchFolder(const std::string& tag)
      : m_path(std::filesystem::temp_directory_path() / ("ombrisk-" + tag + "-" + std::to_string(::getpid()))) {
    std::filesystem::remove_all(m_path);
    std::filesystem::create_directories(m_path);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::filesystem::path File(const std::string& name) const { return m_path / name; }

private:
  std::filesystem::path m_path;
};

}  // namespace ombrisk::test
