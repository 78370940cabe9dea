// TSafeFileStream: writes a file so that the target only ever holds a complete result.
//
//   TSafeFileStream out(path);   // raises the file-creation error if path cannot be created/written
//   out.WriteBuffer(...);        // goes to a temporary file beside the target
//   out.Commit();                // flushes and moves the temporary file over the target
//
// Until Commit succeeds the target is exactly as it was (absent, or the user's old file); the
// destructor removes an uncommitted temporary file, so a failed run leaves nothing behind.
// A link is followed (the file it names is replaced); a device or pipe is written directly.
#pragma once

#include <string>

#include "toolkit/stream.h"

namespace ombrisk {

class TSafeFileStream : public TStream {
public:
  explicit TSafeFileStream(const std::string& fileName);
  ~TSafeFileStream() override;

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;

  const std::string& FileName() const { return m_fileName; }
  const std::string& TemporaryName() const { return m_temporaryName; }
  // Raises EWriteError if the data cannot be made durable or the move fails; the target is then
  // untouched and the temporary file removed.
  void Commit();

private:
  void Discard() noexcept;

  std::string m_fileName;
  std::string m_temporaryName;
  std::string m_replacedName;
  int m_fd = -1;
  bool m_writesThrough = false;
  std::size_t m_unstarted = 0;  // bytes written since the disk was last asked to start on them
  bool m_committed = false;
};

}  // namespace ombrisk
