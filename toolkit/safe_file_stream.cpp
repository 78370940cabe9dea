#include "toolkit/safe_file_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "toolkit/descriptor_io.h"
#include "toolkit/exception.h"
#include "toolkit/file_stream.h"
#include "toolkit/message_format.h"

namespace ombrisk {

namespace {

constexpr std::size_t kWritebackBytes = std::size_t{1} << 20;

[[noreturn]] void ThrowCreateError(const std::string& fileName, int error) {
  throw EFCreateError(FormatMessage(kSFCreateErrorEx, {ExpandFileName(fileName), std::strerror(error)}));
}

std::string DirectoryOf(const std::string& fileName) {
  const std::size_t slash = fileName.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return fileName.substr(0, slash);
}

std::string BaseNameOf(const std::string& fileName) {
  const std::size_t slash = fileName.find_last_of('/');
  return slash == std::string::npos ? fileName : fileName.substr(slash + 1);
}

}  // namespace

TSafeFileStream::TSafeFileStream(const std::string& fileName) : m_fileName(fileName) {
  if (IsDriveLetterPath(fileName) || fileName.empty()) ThrowCreateError(fileName, ENOENT);

  // The target must be creatable or writable now, so that the creation error comes first, as
  // writing the file in place would report it. An existing file is opened without truncation,
  // which checks the permission and changes nothing.
  struct stat existing {};
  const bool exists = ::stat(fileName.c_str(), &existing) == 0;
  if (exists) {
    if (S_ISDIR(existing.st_mode)) ThrowCreateError(fileName, EISDIR);
    if (!S_ISREG(existing.st_mode)) {
      // A device or a pipe cannot be replaced by a file (and must never be): write through.
      m_fd = ::open(fileName.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
      if (m_fd < 0) ThrowCreateError(fileName, errno);
      m_writesThrough = true;
      return;
    }
    const int probe = ::open(fileName.c_str(), O_WRONLY | O_CLOEXEC);
    if (probe < 0) ThrowCreateError(fileName, errno);
    ::close(probe);
    // A link stays a link: the file it names is the one replaced.
    std::vector<char> resolved(PATH_MAX + 1, '\0');
    if (::realpath(fileName.c_str(), resolved.data()) != nullptr) m_replacedName = resolved.data();
  }
  if (m_replacedName.empty()) m_replacedName = fileName;

  std::string pattern = DirectoryOf(m_replacedName) + "/." + BaseNameOf(m_replacedName) + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  m_fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (m_fd < 0) ThrowCreateError(fileName, errno);
  m_temporaryName = name.data();
  // Keep the permissions of the file being replaced; a new file gets the usual ones.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(m_fd, exists ? (existing.st_mode & 07777) : (0666 & ~mask));
}

TSafeFileStream::~TSafeFileStream() {
  if (!m_committed) Discard();
}

void TSafeFileStream::Discard() noexcept {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  if (!m_temporaryName.empty()) ::unlink(m_temporaryName.c_str());
}

std::size_t TSafeFileStream::Read(void* buffer, std::size_t count) { return ReadDescriptor(m_fd, buffer, count); }

std::size_t TSafeFileStream::Write(const void* buffer, std::size_t count) {
  const std::size_t written = WriteDescriptor(m_fd, buffer, count);
#if defined(__linux__)
  // Start the disk on what is written so far, without waiting for it: the flush that makes the
  // file durable at the end then finds little left to do. Only advice, so its result is ignored.
  m_unstarted += written;
  if (!m_writesThrough && m_unstarted >= kWritebackBytes) {
    m_unstarted = 0;
    ::sync_file_range(m_fd, 0, 0, SYNC_FILE_RANGE_WRITE);
  }
#endif
  return written;
}

std::int64_t TSafeFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  return SeekDescriptor(m_fd, offset, origin, kSWriteError);
}

void TSafeFileStream::Commit() {
  if (m_committed) return;
  if (m_writesThrough) {
    const int fd = m_fd;
    m_fd = -1;
    m_committed = true;
    if (fd < 0 || ::close(fd) != 0) throw EWriteError(kSWriteError);
    return;
  }
  const bool durable = m_fd >= 0 && ::fsync(m_fd) == 0;
  const bool closed = m_fd >= 0 && ::close(m_fd) == 0;
  m_fd = -1;
  if (!durable || !closed || ::rename(m_temporaryName.c_str(), m_replacedName.c_str()) != 0) {
    Discard();
    throw EWriteError(kSWriteError);
  }
  m_committed = true;
}

}  // namespace ombrisk
