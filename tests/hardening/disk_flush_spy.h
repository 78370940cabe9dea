// Watches the flushes to disk and the moves of files this test program makes: fsync and rename
// are replaced for the whole program by versions that note each call (the file, its size) and
// pass it on to the system, unless a failing flush is asked for.
//
//   test::TDiskFlushSpy spy;            // notes calls while it lives
//   spy.FailFlushes(EIO);               // every fsync now fails with EIO, flushing nothing
//   ... for (const test::TDiskCall& call : spy.Calls()) ...
#pragma once

#include <sys/types.h>

#include <vector>

namespace ombrisk::test {

struct TDiskCall {
  enum class TKind { Flush, Move } kind;
  dev_t device;  // the file flushed, or the one moved
  ino_t inode;
  off_t size;  // its size at the call
};

// One at a time.
class TDiskFlushSpy {
public:
  TDiskFlushSpy();
  ~TDiskFlushSpy();
  TDiskFlushSpy(const TDiskFlushSpy&) = delete;
  TDiskFlushSpy& operator=(const TDiskFlushSpy&) = delete;

  void FailFlushes(int error);
  // In the order they were made.
  std::vector<TDiskCall> Calls() const;
};

}  // namespace ombrisk::test
