#pragma once

#include <QColor>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <span>
#include <utility>

class QValueAxis;
class QXYSeries;

// A line of many points drawn through a chart: at most the first, minimum,
// maximum and last point of each pixel column of the visible x range, plus
// the nearest point outside each end so the line reaches the plot's edges.
// `points` must be sorted by x. Fewer points than two per column come back
// unchanged (within the range).
QList<QPointF> DecimateMinMax(std::span<const QPointF> points, double xMin, double xMax, int columns);

// Markers of many points: one point per occupied pixel cell of the visible
// area (`columns` × `rows`), in x order. `points` must be sorted by x.
QList<QPointF> DecimateScatter(std::span<const QPointF> points, double xMin, double xMax, double yMin,
                               double yMax, int columns, int rows);

// Replaces every point of a series at once; appending one by one to a series
// shown in a chart costs a redraw of the whole series per point.
void ReplacePoints(QXYSeries* series, const QList<QPointF>& points);

class QChart;
class QFont;

// A chart title at the chart's upper left (the component centres its own
// title); the chart's top margin grows to make room for it.
void SetLeftAlignedTitle(QChart* chart, const QString& text, const QFont& font);

// Tick interval for about `ticks` ticks over `span`: 1, 2 or 5 times a power
// of ten, never below 1 (the axes count games and bonuses).
double NiceTickInterval(double span, int ticks);

// Keeps an axis's ticks at round whole values (NiceTickInterval apart,
// anchored at 0) for about `ticks` ticks over whatever range it shows, so no
// two labels repeat and zoom or scroll never gives odd ones.
void KeepRoundTicks(QValueAxis* axis, int ticks);
// Sets the range with the tick interval it needs: the component lays out the
// ticks as soon as the range changes, and the old interval could mean
// millions of them.
void SetRangeRoundTicks(QValueAxis* axis, double min, double max, int ticks);
// The range [min, max] widened to whole multiples of its round tick interval.
std::pair<double, double> RoundOutRange(double min, double max, int ticks);

// A legend of colour boxes and names drawn into `area` of the chart, with
// tighter lines than the component's own legend (which cannot fit seven
// entries beside a small pie). Replaces the legend this function drew before.
struct LegendEntry {
    QString name;
    QColor color;
};
void SetCompactLegend(QChart* chart, const QList<LegendEntry>& entries, const QRectF& area,
                      const QFont& font);
