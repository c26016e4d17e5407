#pragma once

#include <QFont>
#include <QObject>
#include <QPointF>

#include <array>
#include <vector>

#include "analysis/ResultAnalysis.h"

class QChart;
class QChartView;
class QGraphicsRectItem;
class QLineSeries;
class QScatterSeries;
class QValueAxis;

// The slump graph (SlumpChart): the medal balance and the mode line of every
// normal game, and a marker series per chosen role.
//
// The full data stays here; the chart's series get only what the pixels can
// show of the visible range (min and max per pixel column) and are rebuilt,
// one replace() each, whenever an axis range changes (zoom, scroll, a new
// run). A marker series is drawn only while its check box shows it.
class SlumpGraph : public QObject {
    Q_OBJECT

public:
    explicit SlumpGraph(QChartView* view);

    // Every series empty, the play axis at its start range.
    void Clear();
    // The run of `series`, as analysed.
    void Show(const PlaySeries& series, const ResultAnalysis& analysis);
    void SetMarkerShown(int marker, bool shown);
    bool MarkerShown(int marker) const;

    // The full data, in the order the analysis lists it.
    const std::vector<QPointF>& SlumpPoints() const { return slumpPoints; }
    const std::vector<QPointF>& ModePoints() const { return modePoints; }
    const std::vector<QPointF>& MarkerPoints(int marker) const
    {
        return markerPoints[static_cast<std::size_t>(marker)];
    }

    QChart* Chart() const { return chart; }
    QLineSeries* ModeSeries = nullptr;
    QLineSeries* SlumpSeries = nullptr;
    std::array<QScatterSeries*, MARKER_COUNT> markerSeries{};
    QValueAxis* bottomAxis = nullptr;
    QValueAxis* leftAxis = nullptr;
    QValueAxis* rightAxis = nullptr;

    // The legend of the markers shown (null while none is): a frame whose
    // text items are the series' names.
    const QGraphicsRectItem* Legend() const { return legendFrame; }

    // Rebuilds the chart's points for the visible range.
    void Refresh();

private:
    void PlaceLegend();
    void SetPlayRange(double from, double to);
    void SetMedalRange(double from, double to);
    void RefreshMarker(int marker, double yMin, double yMax, int columns, int rows);
    int PlotColumns() const;
    int PlotRows() const;

    QChartView* view;
    QChart* chart;
    std::vector<QPointF> slumpPoints;
    std::vector<QPointF> modePoints;
    std::array<std::vector<QPointF>, MARKER_COUNT> markerPoints;
    std::array<bool, MARKER_COUNT> markerShown{};
    double fullPlayRange = 1;
    double fullMedalRange = 1;
    bool refreshing = false;
    QGraphicsRectItem* legendFrame = nullptr;
    QFont legendFont;
};
