#include "app/view_plot.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <cmath>
#include <utility>

#include "app/playhead_colour.h"

namespace ombrisk {

namespace {

// The figure's own paper, so a widget a pixel larger than its figure shows no seam.
const QColor kPaper(255, 255, 255);
// One notch of a wheel, in Qt's eighths of a degree.
constexpr double kNotch = 120.0;

}  // namespace

TViewPlot::TViewPlot(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("ViewPlot"));
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::OpenHandCursor);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TViewPlot::SetFigure(QImage figure, const QRect& plotRect) {
  m_figure = std::move(figure);
  m_plotRect = plotRect;
  update();
}

void TViewPlot::SetPlayhead(std::optional<int> plotColumn) {
  if (plotColumn == m_playhead) return;
  m_playhead = plotColumn;
  update();
}

void TViewPlot::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), kPaper);
  if (!m_figure.isNull()) painter.drawImage(0, 0, m_figure);
  if (m_playhead && *m_playhead >= 0 && *m_playhead < m_plotRect.width()) {
    const int x = m_plotRect.left() + *m_playhead;
    painter.fillRect(QRect(x, m_plotRect.top(), 1, m_plotRect.height()), kPlayheadColour);
  }
}

void TViewPlot::wheelEvent(QWheelEvent* event) {
  // Some systems turn Shift+wheel into a sideways turn: either axis counts.
  const QPoint turn = event->angleDelta();
  const int delta = turn.y() != 0 ? turn.y() : turn.x();
  if (delta == 0 || !OnWheel) {
    event->ignore();
    return;
  }
  event->accept();
  const bool frequency = (event->modifiers() & Qt::ShiftModifier) != 0;
  OnWheel(delta / kNotch, frequency, event->position() - QPointF(m_plotRect.topLeft()));
}

void TViewPlot::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  m_dragFrom = event->position();
  setCursor(Qt::ClosedHandCursor);
}

void TViewPlot::mouseMoveEvent(QMouseEvent* event) {
  if (m_dragFrom && (event->buttons() & Qt::LeftButton) != 0) {
    const QPointF delta = event->position() - *m_dragFrom;
    m_dragFrom = event->position();
    if (OnDrag && !delta.isNull()) OnDrag(delta);
  }
  TellPointer(event->position());
}

void TViewPlot::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    m_dragFrom.reset();
    setCursor(Qt::OpenHandCursor);
  }
  QWidget::mouseReleaseEvent(event);
}

void TViewPlot::leaveEvent(QEvent* event) {
  if (OnPointer) OnPointer(std::nullopt);
  QWidget::leaveEvent(event);
}

void TViewPlot::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (OnResized) OnResized();
}

void TViewPlot::TellPointer(const QPointF& position) {
  if (!OnPointer) return;
  const QPoint pixel(static_cast<int>(std::floor(position.x())) - m_plotRect.left(),
                     static_cast<int>(std::floor(position.y())) - m_plotRect.top());
  const bool inside = pixel.x() >= 0 && pixel.y() >= 0 && pixel.x() < m_plotRect.width() && pixel.y() < m_plotRect.height();
  OnPointer(inside ? std::optional<QPoint>(pixel) : std::nullopt);
}

}  // namespace ombrisk
