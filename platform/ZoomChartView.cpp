#include "platform/ZoomChartView.h"

#include <QChart>
#include <QMouseEvent>
#include <QRubberBand>

ZoomChartView::ZoomChartView(QWidget* parent) : QChartView(parent)
{
    setRubberBand(QChartView::NoRubberBand);
    setDragMode(QGraphicsView::NoDrag);
}

void ZoomChartView::mousePressEvent(QMouseEvent* event)
{
    if (dragging != Qt::NoButton || !chart()) return;
    if (event->button() == Qt::LeftButton) {
        dragging = Qt::LeftButton;
        origin = event->position().toPoint();
        if (!band) band = new QRubberBand(QRubberBand::Rectangle, viewport());
        band->setGeometry(QRect(origin, QSize()));
        band->show();
    } else if (event->button() == Qt::RightButton) {
        dragging = Qt::RightButton;
        lastScroll = event->position().toPoint();
        scrolled = false;
    }
    event->accept();
}

void ZoomChartView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (dragging == Qt::LeftButton) {
        band->setGeometry(QRect(origin, at).normalized());
    } else if (dragging == Qt::RightButton) {
        const QPoint delta = at - lastScroll;
        if (delta.isNull()) return;
        lastScroll = at;
        scrolled = true;
        // The content follows the mouse, so the view moves the other way.
        chart()->scroll(-delta.x(), delta.y());
    }
    event->accept();
}

void ZoomChartView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != dragging) return;
    if (dragging == Qt::LeftButton) {
        band->hide();
        const QPoint at = event->position().toPoint();
        const QRect rect = QRect(origin, at).normalized();
        if (at.x() < origin.x() || at.y() < origin.y()) {
            emit AboutToZoom();
            chart()->zoomReset();
        } else if (rect.width() > 2 && rect.height() > 2) {
            emit AboutToZoom();
            chart()->zoomIn(chart()->mapFromScene(mapToScene(rect)).boundingRect());
        }
    }
    const bool rightClick = dragging == Qt::RightButton && !scrolled;
    dragging = Qt::NoButton;
    event->accept();
    if (rightClick) emit RightClicked(event->position().toPoint());
}
