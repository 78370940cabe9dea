// The progress bar a long run drives: a maximum, then positions up to it.
//
//   progress.SetMax(w - 1); for (...) progress.SetPosition(x); progress.SetPosition(0);
#pragma once

#include <climits>
#include <cstdint>

namespace ombrisk {

class TProgressSink {
public:
  virtual ~TProgressSink() = default;
  virtual void SetMax(int maximum) = 0;
  virtual void SetPosition(int position) = 0;
};

// A bar counts in int; a file of hundreds of gigabytes must not wrap it round.
inline int ProgressValue(std::int64_t value) { return value < INT_MAX ? static_cast<int>(value) : INT_MAX; }

// For runs nobody watches.
class TNullProgress : public TProgressSink {
public:
  void SetMax(int) override {}
  void SetPosition(int) override {}
};

}  // namespace ombrisk
