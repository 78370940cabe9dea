// TViewRenderer: the viewer window's worker thread. For each view of a sound it first draws the
// view from the source's summary (TSoundViewSource::QuickRender), then renders it exactly
// (Render), handing the columns back to the window's thread as they are done, so the window stays
// responsive over a file of hours. A newer request cancels an older one: only the latest
// request's quick picture, columns, result or failure ever reach the handlers, in that order.
//
//   TViewRenderer renderer;
//   renderer.OnQuick = [&](TViewLevels levels) { show them until the columns come; };
//   renderer.OnColumns = [&](const TViewLevels& columns, int first) { copy into shown levels; };
//   renderer.OnDone = [&](TViewLevels levels) { ... };  renderer.OnFailed = [&](std::exception_ptr e) { ... };
//   renderer.Request(source, view);
#pragma once

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "spectrogram/sound_view.h"
#include "spectrogram/sound_view_source.h"
#include "spectrogram/view_levels.h"

namespace ombrisk {

class TViewRenderer : public QObject {
  Q_OBJECT

public:
  // Starts the worker; where no thread can be started, each request renders on the caller's thread.
  TViewRenderer();
  // Cancels what renders and waits for the worker to notice (at its next progress report).
  ~TViewRenderer() override;

  // Renders view of source from now on, cancelling the request before. The source is kept until
  // its render has ended.
  void Request(std::shared_ptr<TSoundViewSource> source, const TSoundView& view);
  // Cancels the current request; nothing more reaches the handlers for it.
  void Cancel();
  // A request is pending or rendering, as far as the window's thread knows.
  bool Busy() const { return m_busy; }

  // Called on the window's thread. OnQuick gets the view drawn from the summary, where the source
  // has one for it; OnColumns columns first … first + columns.Width − 1 of the view, final;
  // OnDone the whole render; OnFailed what the render raised.
  std::function<void(TViewLevels levels)> OnQuick;
  std::function<void(const TViewLevels& columns, int first)> OnColumns;
  std::function<void(TViewLevels levels)> OnDone;
  std::function<void(std::exception_ptr failure)> OnFailed;

private:
  struct TJob {
    std::shared_ptr<TSoundViewSource> Source;
    TSoundView View;
    std::uint64_t Number = 0;
  };

  void Work();
  void Run(const TJob& job);
  bool Current(std::uint64_t number) const { return m_latest.load(std::memory_order_acquire) == number; }
  // Each runs the handler on the window's thread if number is still the latest request then.
  void PostQuick(std::uint64_t number, TViewLevels levels);
  void PostColumns(std::uint64_t number, TViewLevels columns, int first);
  void PostDone(std::uint64_t number, TViewLevels levels);
  void PostFailed(std::uint64_t number, std::exception_ptr failure);

  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::optional<TJob> m_pending;  // guarded by m_mutex
  bool m_stopping = false;        // guarded by m_mutex
  std::atomic<std::uint64_t> m_latest{0};
  bool m_busy = false;  // the window's thread only
  std::thread m_worker;
};

// Columns first … end − 1 of levels, as levels of their own.
TViewLevels LevelColumns(const TViewLevels& levels, int first, int end);
// Writes columns (as LevelColumns made them) into levels from column first on.
void PutLevelColumns(const TViewLevels& columns, int first, TViewLevels& levels);

}  // namespace ombrisk
