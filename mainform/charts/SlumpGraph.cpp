#include "mainform/charts/SlumpGraph.h"

#include <QChart>
#include <QChartView>
#include <QGraphicsEllipseItem>
#include <QGraphicsPolygonItem>
#include <QGraphicsRectItem>
#include <QGraphicsSimpleTextItem>
#include <QLineSeries>
#include <QLinearGradient>
#include <QScatterSeries>
#include <QValueAxis>

#include <algorithm>
#include <climits>
#include <cmath>

#include "platform/ChartOps.h"
#include "platform/ZoomChartView.h"
#include "slot/MachineCodes.h"

namespace {
// Plot area the chart has before it was ever laid out (hidden window).
constexpr int FALLBACK_COLUMNS = 520;
constexpr int FALLBACK_ROWS = 160;
constexpr double START_PLAY_AXIS_MAX = 24;
constexpr int PLAY_TICKS = 6;
constexpr int MEDAL_TICKS = 5;
constexpr double MODE_AXIS_MIN = 0.5;
constexpr double MODE_AXIS_MAX = 3.5;
constexpr int MARKER_CELL = 3;
constexpr double HUGE_TICK_INTERVAL = 1e12;
constexpr qreal LEGEND_GAP = 4;
constexpr qreal LEGEND_TOP = 1;
constexpr qreal LEGEND_SYMBOL = 7;

struct MarkerLook {
    MarkerSeries marker;
    QScatterSeries::MarkerShape shape;
};
// Legend order of the marker series.
constexpr MarkerLook MARKER_LOOKS[] = {
    {MARKER_BIG, QScatterSeries::MarkerShapeRotatedRectangle},
    {MARKER_REG, QScatterSeries::MarkerShapeTriangle},
    {MARKER_CHERRY, QScatterSeries::MarkerShapeCircle},
    {MARKER_BENTOU, QScatterSeries::MarkerShapeCircle},
    {MARKER_BELL, QScatterSeries::MarkerShapeTriangle},
    {MARKER_HAZURE, QScatterSeries::MarkerShapeTriangle},
    {MARKER_CHANCE, QScatterSeries::MarkerShapeCircle},
};

// The mode line: game by game while a pixel column holds few games; beyond
// that the mode of most games of each column, as steps. A line through every
// game's mode flips every few hundred games and fills the plot solid.
constexpr int MODE_GAMES_PER_COLUMN = 4;

QList<QPointF> ModeLine(const std::vector<QPointF>& points, double xMin, double xMax, int columns)
{
    columns = std::max(columns, 1);
    const auto first = std::lower_bound(points.begin(), points.end(), xMin,
                                        [](const QPointF& p, double x) { return p.x() < x; });
    const auto last = std::upper_bound(points.begin(), points.end(), xMax,
                                       [](double x, const QPointF& p) { return x < p.x(); });
    if (last - first <= static_cast<std::ptrdiff_t>(columns) * MODE_GAMES_PER_COLUMN)
        return DecimateMinMax(points, xMin, xMax, columns);
    QList<QPointF> out;
    const double width = (xMax - xMin) / columns;
    auto at = first;
    for (int column = 0; column < columns && at != last; ++column) {
        const double end = xMin + width * (column + 1);
        // The line's y is the mode as shown, 1..MODE_COUNT.
        int counts[MODE_COUNT + 1] = {};
        for (; at != last && (at->x() < end || column == columns - 1); ++at)
            ++counts[std::clamp(static_cast<int>(at->y()), 0, MODE_COUNT)];
        const int most = static_cast<int>(std::max_element(counts, counts + MODE_COUNT + 1) - counts);
        if (counts[most] == 0) continue;
        const double left = xMin + width * column;
        if (!out.isEmpty() && out.constLast().y() == most) {
            out.last().setX(end);
        } else {
            out.append({left, static_cast<double>(most)});
            out.append({end, static_cast<double>(most)});
        }
    }
    return out;
}

QColor ToColor(const Rgb& rgb)
{
    return QColor(rgb.r, rgb.g, rgb.b);
}
}  // namespace

SlumpGraph::SlumpGraph(QChartView* chartView) : QObject(chartView), view(chartView), chart(new QChart)
{
    const QFont gothic(QStringLiteral("MS UI Gothic"));
    QFont mincho(QStringLiteral("ＭＳ Ｐ明朝"));
    mincho.setPixelSize(12);
    QFont titleFont = gothic;
    titleFont.setPixelSize(12);

    chart->setMargins(QMargins(4, 0, 4, 0));
    chart->setBackgroundRoundness(0);
    QLinearGradient gradient(0, 0, 0, 1);
    gradient.setCoordinateMode(QGradient::ObjectBoundingMode);
    gradient.setColorAt(0, QColor(192, 192, 192));
    gradient.setColorAt(1, Qt::white);
    chart->setBackgroundBrush(gradient);
    chart->setPlotAreaBackgroundVisible(false);
    chart->setAnimationOptions(QChart::NoAnimation);
    SetLeftAlignedTitle(chart, QStringLiteral("スランプグラフ"), titleFont);

    bottomAxis = new QValueAxis;
    bottomAxis->setTitleText(QStringLiteral("play"));
    bottomAxis->setLabelFormat(QStringLiteral("%.0f"));
    leftAxis = new QValueAxis;
    leftAxis->setTitleText(QStringLiteral("Medal"));
    leftAxis->setLabelFormat(QStringLiteral("%.0f"));
    rightAxis = new QValueAxis;
    rightAxis->setTitleText(QStringLiteral("滞在モード"));
    rightAxis->setRange(MODE_AXIS_MIN, MODE_AXIS_MAX);
    rightAxis->setTickType(QValueAxis::TicksDynamic);
    rightAxis->setTickAnchor(1);
    rightAxis->setTickInterval(1);
    rightAxis->setMinorTickCount(4);
    rightAxis->setLabelFormat(QStringLiteral("%.0f"));
    for (QValueAxis* axis : {bottomAxis, leftAxis, rightAxis}) {
        axis->setLabelsFont(mincho);
        axis->setTitleFont(mincho);
    }
    chart->addAxis(bottomAxis, Qt::AlignBottom);
    chart->addAxis(leftAxis, Qt::AlignLeft);
    chart->addAxis(rightAxis, Qt::AlignRight);

    ModeSeries = new QLineSeries;
    ModeSeries->setName(QStringLiteral("ModeSeries"));
    ModeSeries->setObjectName(ModeSeries->name());
    ModeSeries->setPen(QPen(QColor(0, 128, 255), 1));
    SlumpSeries = new QLineSeries;
    SlumpSeries->setName(QStringLiteral("SlumpSeries"));
    SlumpSeries->setObjectName(SlumpSeries->name());
    SlumpSeries->setPen(QPen(QColor(255, 0, 0), 2));
    chart->addSeries(ModeSeries);
    ModeSeries->attachAxis(bottomAxis);
    ModeSeries->attachAxis(rightAxis);
    chart->addSeries(SlumpSeries);
    SlumpSeries->attachAxis(bottomAxis);
    SlumpSeries->attachAxis(leftAxis);
    for (const MarkerLook& look : MARKER_LOOKS) {
        auto* series = new QScatterSeries;
        series->setName(QString::fromUtf8(MARKER_SERIES_NAMES[look.marker]));
        series->setObjectName(series->name());
        series->setMarkerShape(look.shape);
        series->setMarkerSize(7);
        series->setColor(ToColor(MARKER_COLORS[look.marker]));
        series->setBorderColor(QColor(64, 64, 64));
        chart->addSeries(series);
        series->attachAxis(bottomAxis);
        series->attachAxis(leftAxis);
        series->setVisible(false);
        markerSeries[look.marker] = series;
    }

    // The component's legend lays its entries out in a box of its own
    // choosing that cuts entries off or covers the plot; this one is drawn.
    chart->legend()->hide();
    legendFont = mincho;
    connect(chart, &QChart::plotAreaChanged, this, &SlumpGraph::PlaceLegend);

    KeepRoundTicks(bottomAxis, PLAY_TICKS);
    KeepRoundTicks(leftAxis, MEDAL_TICKS);
    connect(bottomAxis, &QValueAxis::rangeChanged, this, &SlumpGraph::Refresh);
    if (auto* zoomView = qobject_cast<ZoomChartView*>(view))
        connect(zoomView, &ZoomChartView::AboutToZoom, this, [this] {
            bottomAxis->setTickInterval(NiceTickInterval(fullPlayRange, PLAY_TICKS));
            leftAxis->setTickInterval(NiceTickInterval(fullMedalRange, MEDAL_TICKS));
        });
    connect(leftAxis, &QValueAxis::rangeChanged, this, &SlumpGraph::Refresh);
    // Scrolling and zooming move every axis of the chart; the modes stay where
    // their labels say.
    connect(rightAxis, &QValueAxis::rangeChanged, this, [this](qreal min, qreal max) {
        if (min != MODE_AXIS_MIN || max != MODE_AXIS_MAX) rightAxis->setRange(MODE_AXIS_MIN, MODE_AXIS_MAX);
    });

    view->setChart(chart);
    view->setRenderHint(QPainter::Antialiasing, false);
    Clear();
}

void SlumpGraph::Clear()
{
    slumpPoints.clear();
    slumpPoints.shrink_to_fit();
    modePoints.clear();
    modePoints.shrink_to_fit();
    for (auto& points : markerPoints) {
        points.clear();
        points.shrink_to_fit();
    }
    refreshing = true;
    SetPlayRange(0, START_PLAY_AXIS_MAX);
    SetMedalRange(0, 4);
    refreshing = false;
    Refresh();
}

void SlumpGraph::Show(const PlaySeries& series, const ResultAnalysis& analysis)
{
    slumpPoints.reserve(analysis.normalRows.size());
    modePoints.reserve(analysis.normalRows.size());
    for (const std::int32_t row : analysis.normalRows) {
        const PlayRow& r = series[static_cast<std::size_t>(row)];
        const ChartPoint slump = SlumpPoint(r);
        const ChartPoint mode = ModePoint(r);
        slumpPoints.emplace_back(static_cast<double>(slump.x), static_cast<double>(slump.y));
        modePoints.emplace_back(static_cast<double>(mode.x), static_cast<double>(mode.y));
    }
    for (int m = 0; m < MARKER_COUNT; ++m) {
        auto& points = markerPoints[static_cast<std::size_t>(m)];
        points.reserve(analysis.markerRows[static_cast<std::size_t>(m)].size());
        for (const std::int32_t row : analysis.markerRows[static_cast<std::size_t>(m)]) {
            const PlayRow& r = series[static_cast<std::size_t>(row)];
            points.emplace_back(r.playCount, r.medals);
        }
    }
    // The balance axis follows the data, markers of bonus games included.
    std::int32_t low = INT_MAX;
    std::int32_t high = INT_MIN;
    for (const PlayRow& r : series.Rows()) {
        low = std::min(low, r.medals);
        high = std::max(high, r.medals);
    }
    if (low == high) {
        --low;
        ++high;
    }
    refreshing = true;
    double from = static_cast<double>(analysis.axisMin);
    double to = static_cast<double>(analysis.axisMax);
    // A one-play run still spans its play, not the empty graph's range.
    if (to <= from) {
        from -= 0.5;
        to += 0.5;
    }
    SetPlayRange(from, to);
    const auto [medalMin, medalMax] = RoundOutRange(low, high, MEDAL_TICKS);
    SetMedalRange(medalMin, medalMax);
    refreshing = false;
    Refresh();
}

void SlumpGraph::SetPlayRange(double from, double to)
{
    // Ticks are laid out as soon as a range changes: never one per game.
    bottomAxis->setTickInterval(HUGE_TICK_INTERVAL);
    leftAxis->setTickInterval(HUGE_TICK_INTERVAL);
    chart->zoomReset();
    fullPlayRange = to - from;
    SetRangeRoundTicks(bottomAxis, from, to, PLAY_TICKS);
}

void SlumpGraph::SetMedalRange(double from, double to)
{
    fullMedalRange = to - from;
    SetRangeRoundTicks(leftAxis, from, to, MEDAL_TICKS);
}

void SlumpGraph::SetMarkerShown(int marker, bool shown)
{
    markerShown[static_cast<std::size_t>(marker)] = shown;
    QScatterSeries* series = markerSeries[static_cast<std::size_t>(marker)];
    if (shown) RefreshMarker(marker, leftAxis->min(), leftAxis->max(), PlotColumns(), PlotRows());
    series->setVisible(shown);
    PlaceLegend();
}

bool SlumpGraph::MarkerShown(int marker) const
{
    return markerShown[static_cast<std::size_t>(marker)];
}

void SlumpGraph::PlaceLegend()
{
    // The markers shown, in one row at the top right: right of the title and
    // above the plot, whose top is kept below the row so it covers no data.
    delete legendFrame;
    legendFrame = nullptr;
    const QFontMetricsF metrics(legendFont);
    const qreal row = std::ceil(metrics.height()) + 2;
    const QRectF plot = chart->plotArea();
    if (plot.height() > 0 && plot.top() < LEGEND_TOP + row + LEGEND_GAP) {
        QMargins margins = chart->margins();
        margins.setTop(margins.top() +
                       static_cast<int>(std::ceil(LEGEND_TOP + row + LEGEND_GAP - plot.top())));
        chart->setMargins(margins);  // plotAreaChanged places the legend again
        return;
    }
    qreal width = LEGEND_GAP;
    for (const MarkerLook& look : MARKER_LOOKS)
        if (markerShown[look.marker])
            width += LEGEND_SYMBOL + 3 + metrics.horizontalAdvance(markerSeries[look.marker]->name()) + 8;
    if (width == LEGEND_GAP) return;
    const qreal chartWidth = chart->size().width() > 0 ? chart->size().width() : view->width();
    const qreal left = std::max<qreal>(0, chartWidth - width - LEGEND_GAP);
    legendFrame = new QGraphicsRectItem(left, LEGEND_TOP, width, row, chart);
    legendFrame->setBrush(Qt::white);
    legendFrame->setPen(QPen(Qt::black));
    legendFrame->setZValue(20);
    qreal x = left + LEGEND_GAP;
    const qreal middle = LEGEND_TOP + row / 2;
    for (const MarkerLook& look : MARKER_LOOKS) {
        if (!markerShown[look.marker]) continue;
        const QScatterSeries* series = markerSeries[look.marker];
        const QRectF symbol(x, middle - LEGEND_SYMBOL / 2, LEGEND_SYMBOL, LEGEND_SYMBOL);
        QAbstractGraphicsShapeItem* shape = nullptr;
        switch (look.shape) {
            case QScatterSeries::MarkerShapeCircle:
                shape = new QGraphicsEllipseItem(symbol, legendFrame);
                break;
            case QScatterSeries::MarkerShapeTriangle:
                shape = new QGraphicsPolygonItem(QPolygonF({QPointF(symbol.center().x(), symbol.top()),
                                                            symbol.bottomRight(), symbol.bottomLeft()}),
                                                 legendFrame);
                break;
            default:
                shape = new QGraphicsPolygonItem(QPolygonF({QPointF(symbol.center().x(), symbol.top()),
                                                            QPointF(symbol.right(), symbol.center().y()),
                                                            QPointF(symbol.center().x(), symbol.bottom()),
                                                            QPointF(symbol.left(), symbol.center().y())}),
                                                 legendFrame);
                break;
        }
        shape->setBrush(series->color());
        shape->setPen(QPen(series->borderColor()));
        auto* text = new QGraphicsSimpleTextItem(series->name(), legendFrame);
        text->setFont(legendFont);
        text->setPos(x + LEGEND_SYMBOL + 3, middle - metrics.height() / 2);
        x += LEGEND_SYMBOL + 3 + metrics.horizontalAdvance(series->name()) + 8;
    }
}

int SlumpGraph::PlotColumns() const
{
    const int width = static_cast<int>(chart->plotArea().width());
    return width > 0 ? width : FALLBACK_COLUMNS;
}

int SlumpGraph::PlotRows() const
{
    const int height = static_cast<int>(chart->plotArea().height());
    return height > 0 ? height : FALLBACK_ROWS;
}

void SlumpGraph::Refresh()
{
    if (refreshing) return;
    refreshing = true;
    const double xMin = bottomAxis->min();
    const double xMax = bottomAxis->max();
    const int columns = PlotColumns();
    ReplacePoints(SlumpSeries, DecimateMinMax(slumpPoints, xMin, xMax, columns));
    ReplacePoints(ModeSeries, ModeLine(modePoints, xMin, xMax, columns));
    for (int m = 0; m < MARKER_COUNT; ++m) {
        if (markerShown[static_cast<std::size_t>(m)]) {
            RefreshMarker(m, leftAxis->min(), leftAxis->max(), columns, PlotRows());
        } else if (markerSeries[static_cast<std::size_t>(m)]->count() > 0) {
            markerSeries[static_cast<std::size_t>(m)]->clear();
        }
    }
    refreshing = false;
}

void SlumpGraph::RefreshMarker(int marker, double yMin, double yMax, int columns, int rows)
{
    // One marker per cell of MARKER_CELL pixels: a marker is wider than that,
    // so a finer grid only draws markers over each other.
    ReplacePoints(
        markerSeries[static_cast<std::size_t>(marker)],
        DecimateScatter(markerPoints[static_cast<std::size_t>(marker)], bottomAxis->min(), bottomAxis->max(),
                        yMin, yMax, std::max(columns / MARKER_CELL, 1), std::max(rows / MARKER_CELL, 1)));
}
