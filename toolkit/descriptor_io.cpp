#include "toolkit/descriptor_io.h"

#include <unistd.h>

#include <cerrno>

#include "toolkit/exception.h"

namespace ombrisk {

std::size_t ReadDescriptor(int fd, void* buffer, std::size_t count) {
  std::size_t done = 0;
  auto* bytes = static_cast<char*>(buffer);
  while (fd >= 0 && done < count) {
    const ssize_t n = ::read(fd, bytes + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

std::size_t WriteDescriptor(int fd, const void* buffer, std::size_t count) {
  std::size_t done = 0;
  const auto* bytes = static_cast<const char*>(buffer);
  while (fd >= 0 && done < count) {
    const ssize_t n = ::write(fd, bytes + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

std::int64_t SeekDescriptor(int fd, std::int64_t offset, TSeekOrigin origin, const char* errorText) {
  int whence = SEEK_SET;
  if (origin == TSeekOrigin::soCurrent) whence = SEEK_CUR;
  if (origin == TSeekOrigin::soEnd) whence = SEEK_END;
  const off_t result = ::lseek(fd, static_cast<off_t>(offset), whence);
  if (result < 0) throw EStreamError(errorText);
  return static_cast<std::int64_t>(result);
}

}  // namespace ombrisk
