#include "tests/hardening/disk_flush_spy.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <mutex>

namespace ombrisk::test {
namespace {

struct TSpyState {
  std::mutex lock;
  bool watching = false;
  int failure = 0;  // errno of every flush while non-zero
  std::vector<TDiskCall> calls;
};

TSpyState& State() {
  static TSpyState state;
  return state;
}

template <typename Function>
Function* Next(const char* name) {
  return reinterpret_cast<Function*>(::dlsym(RTLD_NEXT, name));
}

}  // namespace

TDiskFlushSpy::TDiskFlushSpy() {
  const std::lock_guard<std::mutex> hold(State().lock);
  State().watching = true;
  State().failure = 0;
  State().calls.clear();
}

TDiskFlushSpy::~TDiskFlushSpy() {
  const std::lock_guard<std::mutex> hold(State().lock);
  State().watching = false;
  State().failure = 0;
}

void TDiskFlushSpy::FailFlushes(int error) {
  const std::lock_guard<std::mutex> hold(State().lock);
  State().failure = error;
}

std::vector<TDiskCall> TDiskFlushSpy::Calls() const {
  const std::lock_guard<std::mutex> hold(State().lock);
  return State().calls;
}

}  // namespace ombrisk::test

using ombrisk::test::State;
using ombrisk::test::TDiskCall;

extern "C" int fsync(int fd) {
  static auto* const next = ombrisk::test::Next<int(int)>("fsync");
  {
    const std::lock_guard<std::mutex> hold(State().lock);
    if (State().watching) {
      struct stat file {};
      if (::fstat(fd, &file) == 0) State().calls.push_back({TDiskCall::TKind::Flush, file.st_dev, file.st_ino, file.st_size});
      if (State().failure != 0) {
        errno = State().failure;
        return -1;
      }
    }
  }
  return next(fd);
}

extern "C" int rename(const char* from, const char* to) noexcept {
  static auto* const next = ombrisk::test::Next<int(const char*, const char*)>("rename");
  {
    const std::lock_guard<std::mutex> hold(State().lock);
    struct stat file {};
    if (State().watching && ::stat(from, &file) == 0) {
      State().calls.push_back({TDiskCall::TKind::Move, file.st_dev, file.st_ino, file.st_size});
    }
  }
  return next(from, to);
}
