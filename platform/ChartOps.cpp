#include "platform/ChartOps.h"

#include <QChart>
#include <QFont>
#include <QFontMetrics>
#include <QGraphicsRectItem>
#include <QGraphicsSimpleTextItem>
#include <QPen>
#include <QValueAxis>
#include <QXYSeries>

#include <algorithm>
#include <cmath>

namespace {
std::pair<std::size_t, std::size_t> VisibleSpan(std::span<const QPointF> points, double xMin, double xMax)
{
    const auto byX = [](const QPointF& p, double x) { return p.x() < x; };
    std::size_t first =
        static_cast<std::size_t>(std::lower_bound(points.begin(), points.end(), xMin, byX) - points.begin());
    std::size_t last =
        static_cast<std::size_t>(std::upper_bound(points.begin(), points.end(), xMax,
                                                  [](double x, const QPointF& p) { return x < p.x(); }) -
                                 points.begin());
    return {first, last};
}
}  // namespace

QList<QPointF> DecimateMinMax(std::span<const QPointF> points, double xMin, double xMax, int columns)
{
    QList<QPointF> out;
    if (points.empty() || !(xMax >= xMin)) return out;
    auto [first, last] = VisibleSpan(points, xMin, xMax);
    // One neighbour beyond each end keeps the line running to the edges.
    if (first > 0) --first;
    if (last < points.size()) ++last;
    columns = std::max(columns, 1);
    if (last - first <= static_cast<std::size_t>(columns) * 2) {
        out.reserve(static_cast<qsizetype>(last - first));
        for (std::size_t i = first; i < last; ++i) out.append(points[i]);
        return out;
    }
    out.reserve(columns * 4 + 2);
    const double width = (xMax - xMin) / columns;
    const auto columnOf = [&](double x) {
        if (width <= 0) return 0LL;
        // The end points and the outside neighbours join the edge columns.
        return std::clamp(static_cast<long long>(std::floor((x - xMin) / width)), 0LL,
                          static_cast<long long>(columns) - 1);
    };
    std::size_t i = first;
    while (i < last) {
        const long long column = columnOf(points[i].x());
        std::size_t minAt = i, maxAt = i, begin = i;
        std::size_t j = i + 1;
        for (; j < last && columnOf(points[j].x()) == column; ++j) {
            if (points[j].y() < points[minAt].y()) minAt = j;
            if (points[j].y() > points[maxAt].y()) maxAt = j;
        }
        const std::size_t end = j - 1;
        // In index order, without repeats: first, extremes, last.
        std::size_t picks[4] = {begin, std::min(minAt, maxAt), std::max(minAt, maxAt), end};
        std::size_t previous = static_cast<std::size_t>(-1);
        for (std::size_t k : picks) {
            if (k != previous) out.append(points[k]);
            previous = k;
        }
        i = j;
    }
    return out;
}

QList<QPointF> DecimateScatter(std::span<const QPointF> points, double xMin, double xMax, double yMin,
                               double yMax, int columns, int rows)
{
    QList<QPointF> out;
    if (points.empty() || !(xMax >= xMin) || !(yMax >= yMin)) return out;
    const auto [first, last] = VisibleSpan(points, xMin, xMax);
    columns = std::max(columns, 1);
    rows = std::max(rows, 1);
    if (last - first <= static_cast<std::size_t>(columns)) {
        for (std::size_t i = first; i < last; ++i)
            if (points[i].y() >= yMin && points[i].y() <= yMax) out.append(points[i]);
        return out;
    }
    const double cellWidth = (xMax - xMin) / columns;
    const double cellHeight = (yMax - yMin) / rows;
    long long currentColumn = -1;
    std::vector<bool> rowUsed(static_cast<std::size_t>(rows) + 1);
    for (std::size_t i = first; i < last; ++i) {
        const QPointF& p = points[i];
        if (p.y() < yMin || p.y() > yMax) continue;
        const long long column = cellWidth > 0 ? static_cast<long long>((p.x() - xMin) / cellWidth) : 0;
        if (column != currentColumn) {
            currentColumn = column;
            std::fill(rowUsed.begin(), rowUsed.end(), false);
        }
        const auto row = cellHeight > 0 ? static_cast<std::size_t>((p.y() - yMin) / cellHeight) : 0;
        if (row < rowUsed.size() && !rowUsed[row]) {
            rowUsed[row] = true;
            out.append(p);
        }
    }
    return out;
}

void ReplacePoints(QXYSeries* series, const QList<QPointF>& points)
{
    series->replace(points);
}

void SetLeftAlignedTitle(QChart* chart, const QString& text, const QFont& font)
{
    auto* title = new QGraphicsSimpleTextItem(text, chart);
    title->setFont(font);
    title->setBrush(Qt::black);
    title->setPos(8, 2);
    title->setZValue(10);
    // A blank title line would cost the plot more than the text needs.
    QMargins margins = chart->margins();
    margins.setTop(margins.top() + QFontMetrics(font).height() - 6);
    chart->setMargins(margins);
}

double NiceTickInterval(double span, int ticks)
{
    const double raw = span / std::max(ticks, 1);
    double step = 1;
    while (step < raw) {
        if (step * 2 >= raw) return step * 2;
        if (step * 5 >= raw) return step * 5;
        step *= 10;
    }
    return step;
}

void KeepRoundTicks(QValueAxis* axis, int ticks)
{
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setTickInterval(NiceTickInterval(axis->max() - axis->min(), ticks));
    QObject::connect(axis, &QValueAxis::rangeChanged, axis, [axis, ticks](qreal min, qreal max) {
        axis->setTickInterval(NiceTickInterval(max - min, ticks));
    });
}

void SetRangeRoundTicks(QValueAxis* axis, double min, double max, int ticks)
{
    axis->setTickInterval(NiceTickInterval(max - min, ticks));
    axis->setRange(min, max);
}

std::pair<double, double> RoundOutRange(double min, double max, int ticks)
{
    const double interval = NiceTickInterval(max - min, ticks);
    return {std::floor(min / interval) * interval, std::ceil(max / interval) * interval};
}

void SetCompactLegend(QChart* chart, const QList<LegendEntry>& entries, const QRectF& area, const QFont& font)
{
    constexpr int TAG_KEY = 0;
    const QString tag = QStringLiteral("CompactLegend");
    for (QGraphicsItem* child : chart->childItems())
        if (child->data(TAG_KEY).toString() == tag) delete child;
    if (entries.isEmpty()) return;

    const QFontMetricsF metrics(font);
    const qreal line =
        std::min<qreal>(metrics.height(), (area.height() - 4) / static_cast<qreal>(entries.size()));
    const qreal box = std::max<qreal>(6, line - 6);
    auto* frame = new QGraphicsRectItem(area, chart);
    frame->setData(TAG_KEY, tag);
    frame->setBrush(Qt::white);
    frame->setPen(QPen(Qt::black));
    frame->setZValue(20);
    qreal y = area.top() + (area.height() - line * static_cast<qreal>(entries.size())) / 2;
    for (const LegendEntry& entry : entries) {
        auto* swatch = new QGraphicsRectItem(area.left() + 6, y + (line - box) / 2, box, box, frame);
        swatch->setBrush(entry.color);
        swatch->setPen(QPen(Qt::black));
        auto* text = new QGraphicsSimpleTextItem(entry.name, frame);
        text->setFont(font);
        text->setPos(area.left() + 10 + box, y + (line - metrics.height()) / 2);
        y += line;
    }
}
