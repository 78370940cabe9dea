// TSoundViewSource: one sound file opened for viewing, and the levels of any view of it computed
// from its samples at the view's own resolution (a zoomed view is transformed again, not
// stretched). It keeps a coarse summary of spectra from the renders it has done, so that a zoom or
// pan can be shown at once (QuickRender) while the exact picture is computed.
//
//   TSoundViewSource source(path);                    // ERecordingError naming the file and why
//   TSoundView view = WholeSoundView(source.Info(), 1200, 600);
//   const TViewLevels levels = source.Render(view, [&](const TViewLevels& l, int first, int end) {
//     draw columns first … end − 1 of l; return !cancelled; });
//
// Threads: Render runs one at a time per source (from any one thread, such as a window's worker);
// its progress calls never overlap but may come from a helper thread of the render. QuickRender
// and Info may be called from any thread at any time, during a Render too.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "recording/recording_reader.h"
#include "spectrogram/sound_view.h"
#include "spectrogram/view_levels.h"

namespace ombrisk {

// Columns first … end − 1 of levels are final; the rest may still be silence. Return false to
// stop the render early (Render then returns what it has).
using TViewProgress = std::function<bool(const TViewLevels& levels, int firstColumn, int endColumn)>;

class TSoundViewSource {
public:
  explicit TSoundViewSource(const std::string& path);
  ~TSoundViewSource();
  TSoundViewSource(const TSoundViewSource&) = delete;
  TSoundViewSource& operator=(const TSoundViewSource&) = delete;

  const TRecordingInfo& Info() const;
  const std::string& Path() const;

  // Raises EViewError for a view ValidateSoundView refuses, ERecordingError where decoding fails.
  // progress may be empty.
  TViewLevels Render(const TSoundView& view, const TViewProgress& progress = {});

  // The view drawn from the summary held so far, without touching the file: nothing when no
  // summary covers it (nothing rendered yet, another channel, or a span finer than the summary
  // holds is drawn coarsely, never refused). Fast enough for every zoom or pan step.
  std::optional<TViewLevels> QuickRender(const TSoundView& view) const;

private:
  struct TState;
  std::unique_ptr<TState> m_state;
};

}  // namespace ombrisk
