// A stream that accepts at most a fixed number of bytes, as a full disk does; reads give nothing.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "toolkit/stream.h"

namespace ombrisk {

class TRefusingStream : public TStream {
public:
  explicit TRefusingStream(std::size_t capacity) : m_capacity(capacity) {}
  std::size_t Read(void*, std::size_t) override { return 0; }
  std::size_t Write(const void*, std::size_t count) override {
    const std::size_t n = std::min(count, m_capacity - m_written);
    m_written += n;
    return n;
  }
  std::int64_t Seek(std::int64_t, TSeekOrigin) override { return static_cast<std::int64_t>(m_written); }

private:
  std::size_t m_capacity;
  std::size_t m_written = 0;
};

}  // namespace ombrisk
