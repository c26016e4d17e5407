#pragma once

#include <QFont>
#include <QList>
#include <QObject>

#include <vector>

#include "analysis/ResultAnalysis.h"

class QAreaSeries;
class QChart;
class QChartView;
class QGraphicsRectItem;
class QLineSeries;
class QScatterSeries;
class QValueAxis;

// The bonus bar chart (SlumpChart2): one bar per bonus, its height the games
// it took, red for a BIG and black for a REG, with its value above it.
//
// Thousands of bars as separate chart items make every update quadratic, so
// the bars are drawn as two filled outlines (BIG, REG) rebuilt for the
// visible range whenever the bonus axis changes: one rectangle per bar while
// bars are wider than two pixels, otherwise the tallest bar of each pixel
// column. Values are written while each bar has LABEL_SPACING pixels.
class BonusBars : public QObject {
    Q_OBJECT

public:
    static constexpr int LABEL_SPACING = 24;

    explicit BonusBars(QChartView* view);

    void Clear();
    void Show(const std::vector<ChartPoint>& bars);
    // Rebuilds the drawn outlines for the visible range.
    void Refresh();

    QChart* Chart() const { return chart; }
    // The bars on show: bar i is bonus i + 1.
    const std::vector<ChartPoint>& Bars() const { return bars; }
    // What is drawn for the visible range, BIG and REG.
    const QLineSeries* BigOutline() const { return bigOutline; }
    const QLineSeries* RegOutline() const { return regOutline; }
    QValueAxis* bonusAxis = nullptr;
    QValueAxis* playAxis = nullptr;
    // Where the values are written: one point per labelled bar, drawn as
    // nothing itself.
    QScatterSeries* valueLabels = nullptr;

private:
    void PlaceValueLabels();
    double TotalRangeEnd() const;
    void SetBonusRange(double from, double to);

    QChart* chart;
    std::vector<ChartPoint> bars;
    QLineSeries* bigOutline = nullptr;
    QLineSeries* regOutline = nullptr;
    QList<QGraphicsRectItem*> labelItems;
    QFont labelFont;
    bool refreshing = false;
    double fullHeight = 4;
};
