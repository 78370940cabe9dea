#include "toolkit/file_stream.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "toolkit/descriptor_io.h"
#include "toolkit/exception.h"
#include "toolkit/message_format.h"

namespace ombrisk {

namespace {

std::string SystemReason(int error) { return std::strerror(error); }

}  // namespace

bool IsDriveLetterPath(const std::string& fileName) {
  return fileName.size() >= 2 && std::isalpha(static_cast<unsigned char>(fileName[0])) != 0 &&
         fileName[1] == ':';
}

std::string ExpandFileName(const std::string& fileName) {
  if (fileName.empty() || IsDriveLetterPath(fileName) || fileName.front() == '/') return fileName;
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(fileName, error);
  return error ? fileName : absolute.string();
}

TFileStream::TFileStream(const std::string& fileName, TFileMode mode) : m_fileName(fileName) {
  const bool creating = mode == TFileMode::fmCreate;
  if (IsDriveLetterPath(fileName)) {
    const std::string reason = SystemReason(ENOENT);
    if (creating) throw EFCreateError(FormatMessage(kSFCreateErrorEx, {ExpandFileName(fileName), reason}));
    throw EFOpenError(FormatMessage(kSFOpenErrorEx, {ExpandFileName(fileName), reason}));
  }
  int flags = O_CLOEXEC;
  if (creating) flags |= O_WRONLY | O_CREAT | O_TRUNC;
  else if (mode == TFileMode::fmOpenRead) flags |= O_RDONLY;
  else flags |= O_RDWR;
  m_fd = ::open(fileName.c_str(), flags, 0666);
  if (m_fd < 0) {
    const std::string reason = SystemReason(errno);
    if (creating) throw EFCreateError(FormatMessage(kSFCreateErrorEx, {ExpandFileName(fileName), reason}));
    throw EFOpenError(FormatMessage(kSFOpenErrorEx, {ExpandFileName(fileName), reason}));
  }
  struct stat info {};
  if (::fstat(m_fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(m_fd);
    m_fd = -1;
    throw EFOpenError(FormatMessage(kSFOpenErrorEx, {ExpandFileName(fileName), SystemReason(EISDIR)}));
  }
  if (mode == TFileMode::fmOpenRead) {
    // Reading lets others read but not write. POSIX has no mandatory share modes; a shared advisory
    // lock is what stands in for it: writers that take an exclusive lock wait until we are done.
    ::flock(m_fd, LOCK_SH | LOCK_NB);
  }
}

TFileStream::~TFileStream() {
  if (m_fd >= 0) ::close(m_fd);
}

void TFileStream::Close() {
  if (m_fd < 0) return;
  const int fd = m_fd;
  m_fd = -1;
  const bool lost = ::close(fd) != 0 && errno != EINTR;
  if (lost) throw EWriteError(kSWriteError);
}

std::size_t TFileStream::Read(void* buffer, std::size_t count) { return ReadDescriptor(m_fd, buffer, count); }

std::size_t TFileStream::Write(const void* buffer, std::size_t count) {
  return WriteDescriptor(m_fd, buffer, count);
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  return SeekDescriptor(m_fd, offset, origin, kSReadError);
}

std::int64_t TFileStream::Size() {
  struct stat info {};
  if (::fstat(m_fd, &info) != 0) return TStream::Size();
  return static_cast<std::int64_t>(info.st_size);
}

}  // namespace ombrisk
