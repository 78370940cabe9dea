#include "toolkit/pixel_store.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace ombrisk {

namespace {

// Below this the C library's zeroed allocation is as good and wastes no page.
constexpr std::size_t kMappedFrom = std::size_t{4} << 20;

}  // namespace

TPixelStore::TPixelStore(std::size_t bytes) : m_size(bytes) {
  if (bytes == 0) return;
#if defined(__linux__)
  if (bytes >= kMappedFrom) {
    void* const mapped = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    // Only advice: without large pages the memory is as good, merely slower to touch first.
    ::madvise(mapped, bytes, MADV_HUGEPAGE);
    m_bytes = static_cast<std::uint8_t*>(mapped);
    m_mapped = true;
    return;
  }
#endif
  m_bytes = static_cast<std::uint8_t*>(std::calloc(bytes, 1));
  if (m_bytes == nullptr) throw std::bad_alloc();
}

TPixelStore::TPixelStore(const TPixelStore& other) : TPixelStore(other.m_size) {
  if (m_size != 0) std::memcpy(m_bytes, other.m_bytes, m_size);
}

TPixelStore& TPixelStore::operator=(const TPixelStore& other) {
  if (this != &other) *this = TPixelStore(other);
  return *this;
}

TPixelStore::TPixelStore(TPixelStore&& other) noexcept
    : m_bytes(std::exchange(other.m_bytes, nullptr)),
      m_size(std::exchange(other.m_size, 0)),
      m_mapped(std::exchange(other.m_mapped, false)) {}

TPixelStore& TPixelStore::operator=(TPixelStore&& other) noexcept {
  if (this != &other) {
    Release();
    m_bytes = std::exchange(other.m_bytes, nullptr);
    m_size = std::exchange(other.m_size, 0);
    m_mapped = std::exchange(other.m_mapped, false);
  }
  return *this;
}

TPixelStore::~TPixelStore() { Release(); }

void TPixelStore::Release() noexcept {
  if (m_bytes == nullptr) return;
#if defined(__linux__)
  if (m_mapped) {
    ::munmap(m_bytes, m_size);
    m_bytes = nullptr;
    return;
  }
#endif
  std::free(m_bytes);
  m_bytes = nullptr;
}

}  // namespace ombrisk
