#include "tests/synthesis/picture_preparation.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <optional>
#include <vector>

namespace ombrisk {

namespace {

constexpr std::size_t kBytesPerPixel = 4;

bool BothAre32Bit(const TBitmap& a, const TBitmap& b) {
  return a.PixelFormat() == TPixelFormat::pf32bit && b.PixelFormat() == TPixelFormat::pf32bit;
}

bool SameSize(const TBitmap& a, const TBitmap& b) { return a.Width() == b.Width() && a.Height() == b.Height(); }

void CopyPixel(const std::uint8_t* from, std::uint8_t* to) { std::memcpy(to, from, kBytesPerPixel); }

// Both flips: destination (targetX(x), targetY(y)) takes the snapshot's (x, y).
template <typename TargetX, typename TargetY>
void Flip(const TBitmap& source, TBitmap& dest, TargetX targetX, TargetY targetY) {
  // The snapshot makes flipping in place safe; it is released on every way out by its destructor.
  const TBitmap snapshot(source);
  const int width = snapshot.Width();
  const int height = snapshot.Height();
  if (BothAre32Bit(snapshot, dest) && SameSize(snapshot, dest)) {
    for (int y = 0; y < height; ++y) {
      const std::uint8_t* from = snapshot.ScanLine(y);
      std::uint8_t* to = dest.ScanLine(targetY(y));
      for (int x = 0; x < width; ++x) {
        CopyPixel(from + static_cast<std::size_t>(x) * kBytesPerPixel,
                  to + static_cast<std::size_t>(targetX(x)) * kBytesPerPixel);
      }
    }
    return;
  }
  for (int x = 0; x < width; ++x) {
    for (int y = 0; y < height; ++y) dest.SetPixel(targetX(x), targetY(y), snapshot.GetPixel(x, y));
  }
}

}  // namespace

void MirrorHorizontal(const TBitmap& source, TBitmap& dest) {
  const int last = source.Width() - 1;
  Flip(source, dest, [last](int x) { return last - x; }, [](int y) { return y; });
}

void MirrorVertical(const TBitmap& source, TBitmap& dest) {
  const int last = source.Height() - 1;
  Flip(source, dest, [](int x) { return x; }, [last](int y) { return last - y; });
}

void RotateClockwise(const TBitmap& source, TBitmap& dest) {
  // Rotating a bitmap onto itself would read pixels already overwritten: work from a copy then.
  std::optional<TBitmap> snapshot;
  if (&source == &dest) snapshot.emplace(source);
  const TBitmap& from = snapshot ? *snapshot : source;

  const int width = from.Width();
  const int height = from.Height();
  dest.SetWidth(height);
  dest.SetHeight(width);
  if (BothAre32Bit(from, dest)) {
    // Square tiles keep the rows being read and written in the cache; walking whole columns of a
    // wide picture would touch a new page for every pixel.
    constexpr int kTile = 64;
    std::vector<const std::uint8_t*> sourceRows(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) sourceRows[static_cast<std::size_t>(y)] = from.ScanLine(y);
    std::vector<std::uint8_t*> destRows(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x) destRows[static_cast<std::size_t>(x)] = dest.ScanLine(x);
    for (int x0 = 0; x0 < width; x0 += kTile) {
      const int x1 = std::min(x0 + kTile, width);
      for (int y0 = 0; y0 < height; y0 += kTile) {
        const int y1 = std::min(y0 + kTile, height);
        for (int x = x0; x < x1; ++x) {
          std::uint8_t* to = destRows[static_cast<std::size_t>(x)];
          const std::size_t offset = static_cast<std::size_t>(x) * kBytesPerPixel;
          for (int y = y0; y < y1; ++y) {
            CopyPixel(sourceRows[static_cast<std::size_t>(y)] + offset,
                      to + static_cast<std::size_t>(height - 1 - y) * kBytesPerPixel);
          }
        }
      }
    }
    return;
  }
  for (int x = 0; x < width; ++x) {
    for (int y = 0; y < height; ++y) dest.SetPixel(height - 1 - y, x, from.GetPixel(x, y));
  }
}

}  // namespace ombrisk
