// The pixel memory of one bitmap: zeroed on allocation, copied deeply, released with its owner.
//
// Large pictures are taken straight from the system, whose fresh pages are already zero, so a
// new picture is not written twice (once to clear it, once by whoever draws it); they are also
// offered large pages, which cuts the page faults of the first touch by a factor of 512.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ombrisk {

class TPixelStore {
public:
  TPixelStore() = default;
  // `bytes` zero bytes; raises std::bad_alloc when the memory cannot be had.
  explicit TPixelStore(std::size_t bytes);
  TPixelStore(const TPixelStore& other);
  TPixelStore& operator=(const TPixelStore& other);
  TPixelStore(TPixelStore&& other) noexcept;
  TPixelStore& operator=(TPixelStore&& other) noexcept;
  ~TPixelStore();

  std::uint8_t* data() { return m_bytes; }
  const std::uint8_t* data() const { return m_bytes; }
  std::size_t size() const { return m_size; }

private:
  void Release() noexcept;

  std::uint8_t* m_bytes = nullptr;
  std::size_t m_size = 0;
  bool m_mapped = false;
};

}  // namespace ombrisk
