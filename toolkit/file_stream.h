// TFileStream: a byte stream on a file.
//
//   TFileStream out(path, TFileMode::fmCreate);      // create or truncate, for writing
//   TFileStream in(path, TFileMode::fmOpenRead);     // open for reading, others may read, not write
//
// Failures carry the full path and the system's reason text. A Windows drive-letter path
// ("X:\ombrisk.wav") names no drive here: it fails as a missing folder would, and no file of
// that literal name is ever created.
#pragma once

#include <string>

#include "toolkit/stream.h"

namespace ombrisk {

enum class TFileMode { fmCreate, fmOpenRead, fmOpenReadWrite };

class TFileStream : public TStream {
public:
  TFileStream(const std::string& fileName, TFileMode mode);
  ~TFileStream() override;

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override;

  const std::string& FileName() const { return m_fileName; }
  // Flushes to the device and closes; raises EWriteError if the system reports a lost write.
  // The destructor closes too, but cannot report.
  void Close();

private:
  std::string m_fileName;
  int m_fd = -1;
};

// The path as the system's messages show it: absolute, with "." and ".." kept as typed.
std::string ExpandFileName(const std::string& fileName);
// True for "C:\..." and "C:/..." style names, which have no meaning on this system.
bool IsDriveLetterPath(const std::string& fileName);

}  // namespace ombrisk
