#include "app/view_renderer.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "toolkit/second_thread.h"

namespace ombrisk {

namespace {

std::ptrdiff_t RowStart(const TViewLevels& levels, int y) { return std::ptrdiff_t{y} * levels.Width; }

}  // namespace

TViewRenderer::TViewRenderer() {
  try {
    m_worker = StartThread([this] { Work(); });
  } catch (const std::system_error&) {
    // Left without a worker: requests render where they are made.
  }
}

TViewRenderer::~TViewRenderer() {
  {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_stopping = true;
    m_pending.reset();
  }
  m_latest.fetch_add(1, std::memory_order_acq_rel);
  m_wake.notify_all();
  if (m_worker.joinable()) m_worker.join();
}

void TViewRenderer::Request(std::shared_ptr<TSoundViewSource> source, const TSoundView& view) {
  const std::uint64_t number = m_latest.fetch_add(1, std::memory_order_acq_rel) + 1;
  m_busy = true;
  TJob job{std::move(source), view, number};
  if (!m_worker.joinable()) {
    Run(job);
    return;
  }
  {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_pending = std::move(job);
  }
  m_wake.notify_one();
}

void TViewRenderer::Cancel() {
  {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_pending.reset();
  }
  m_latest.fetch_add(1, std::memory_order_acq_rel);
  m_busy = false;
}

void TViewRenderer::Work() {
  for (;;) {
    TJob job;
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_wake.wait(lock, [this] { return m_stopping || m_pending.has_value(); });
      if (m_stopping) return;
      job = std::move(*m_pending);
      m_pending.reset();
    }
    if (Current(job.Number)) Run(job);
  }
}

void TViewRenderer::Run(const TJob& job) {
  try {
    if (std::optional<TViewLevels> quick = job.Source->QuickRender(job.View); quick && Current(job.Number)) {
      PostQuick(job.Number, std::move(*quick));
    }
    TViewLevels levels = job.Source->Render(job.View, [&](const TViewLevels& done, int first, int end) {
      if (!Current(job.Number)) return false;
      if (end > first) PostColumns(job.Number, LevelColumns(done, first, end), first);
      return true;
    });
    if (Current(job.Number)) PostDone(job.Number, std::move(levels));
  } catch (...) {
    PostFailed(job.Number, std::current_exception());
  }
}

void TViewRenderer::PostQuick(std::uint64_t number, TViewLevels levels) {
  QMetaObject::invokeMethod(
      this,
      [this, number, levels = std::move(levels)]() mutable {
        if (Current(number) && OnQuick) OnQuick(std::move(levels));
      },
      Qt::QueuedConnection);
}

void TViewRenderer::PostColumns(std::uint64_t number, TViewLevels columns, int first) {
  QMetaObject::invokeMethod(
      this,
      [this, number, columns = std::move(columns), first] {
        if (Current(number) && OnColumns) OnColumns(columns, first);
      },
      Qt::QueuedConnection);
}

void TViewRenderer::PostDone(std::uint64_t number, TViewLevels levels) {
  QMetaObject::invokeMethod(
      this,
      [this, number, levels = std::move(levels)]() mutable {
        if (!Current(number)) return;
        m_busy = false;
        if (OnDone) OnDone(std::move(levels));
      },
      Qt::QueuedConnection);
}

void TViewRenderer::PostFailed(std::uint64_t number, std::exception_ptr failure) {
  QMetaObject::invokeMethod(
      this,
      [this, number, failure] {
        if (!Current(number)) return;
        m_busy = false;
        if (OnFailed) OnFailed(failure);
      },
      Qt::QueuedConnection);
}

TViewLevels LevelColumns(const TViewLevels& levels, int first, int end) {
  TViewLevels columns = SilentLevels(end - first, levels.Height);
  for (int y = 0; y < levels.Height; ++y) {
    std::copy_n(levels.Db.begin() + RowStart(levels, y) + first, end - first, columns.Db.begin() + RowStart(columns, y));
  }
  columns.ColumnsDone = columns.Width;
  return columns;
}

void PutLevelColumns(const TViewLevels& columns, int first, TViewLevels& levels) {
  if (columns.Height != levels.Height || first < 0 || first + columns.Width > levels.Width) return;
  for (int y = 0; y < levels.Height; ++y) {
    std::copy_n(columns.Db.begin() + RowStart(columns, y), columns.Width, levels.Db.begin() + RowStart(levels, y) + first);
  }
}

}  // namespace ombrisk
