// TViewPlot: the viewer window's picture area. It paints the figure the window hands it (axes,
// legend and plot, drawn by figure/view_figure.h) at its top left, with the playhead over the plot,
// and turns the wheel, dragging and the pointer into plot pixels for the window: it knows where
// the plot sits in the figure, nothing of sounds or views.
//
//   plot->SetFigure(ToQImage(*figure), QRect(layout.PlotLeft, layout.PlotTop, view.Width, view.Height));
//   plot->OnWheel = [&](double notches, bool frequency, QPointF at) { ... };
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QWidget>
#include <functional>
#include <optional>

namespace ombrisk {

class TViewPlot : public QWidget {
  Q_OBJECT

public:
  explicit TViewPlot(QWidget* parent = nullptr);

  void SetFigure(QImage figure, const QRect& plotRect);
  const QImage& Figure() const { return m_figure; }
  // Where the plot sits in the figure (and so in the widget).
  const QRect& PlotRect() const { return m_plotRect; }
  // The playhead's plot column, or none to hide it.
  void SetPlayhead(std::optional<int> plotColumn);
  std::optional<int> Playhead() const { return m_playhead; }

  // Wheel turns in notches (positive away from the user), with Shift for the frequency axis, at
  // a point of the plot (fractional plot pixels from its top left, perhaps outside it).
  std::function<void(double notches, bool frequency, QPointF plotPoint)> OnWheel;
  // The pointer dragged by delta pixels with the left button held.
  std::function<void(QPointF delta)> OnDrag;
  // The plot pixel under the pointer; none when the pointer is off the plot.
  std::function<void(std::optional<QPoint> plotPixel)> OnPointer;
  std::function<void()> OnResized;

protected:
  void paintEvent(QPaintEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  void TellPointer(const QPointF& position);

  QImage m_figure;
  QRect m_plotRect;
  std::optional<int> m_playhead;
  std::optional<QPointF> m_dragFrom;
};

}  // namespace ombrisk
