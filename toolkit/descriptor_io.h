// Whole transfers on a file descriptor, shared by the file streams: retried on interruption,
// stopped at the end of the file or the first error; each returns the count moved.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/stream.h"

namespace ombrisk {

std::size_t ReadDescriptor(int fd, void* buffer, std::size_t count);
std::size_t WriteDescriptor(int fd, const void* buffer, std::size_t count);
// Raises EStreamError with errorText when the system refuses the seek.
std::int64_t SeekDescriptor(int fd, std::int64_t offset, TSeekOrigin origin, const char* errorText);

}  // namespace ombrisk
