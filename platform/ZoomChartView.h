#pragma once

#include <QChartView>
#include <QPoint>

class QRubberBand;

// A chart view with the chart component's mouse habits: drag a rectangle
// with the left button to zoom into it (dragging towards the upper left
// resets the zoom), drag with the right button to scroll.
class ZoomChartView : public QChartView {
    Q_OBJECT

public:
    explicit ZoomChartView(QWidget* parent = nullptr);

signals:
    // Emitted before a zoom changes the axis ranges, so that axes with a
    // fixed tick interval can widen it before they lay out their ticks.
    void AboutToZoom();
    // A right click that did not scroll: where the view's context menu goes.
    void RightClicked(QPoint at);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QRubberBand* band = nullptr;
    QPoint origin;
    QPoint lastScroll;
    Qt::MouseButton dragging = Qt::NoButton;
    bool scrolled = false;
};
