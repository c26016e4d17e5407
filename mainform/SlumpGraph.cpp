#include "SlumpGraph.h"

#include <QChart>
#include <QChartView>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLinearGradient>
#include <QScatterSeries>
#include <QValueAxis>

#include <algorithm>
#include <climits>

#include "ChartOps.h"
#include "ZoomChartView.h"

namespace {
// Plot area the chart has before it was ever laid out (hidden window).
constexpr int FALLBACK_COLUMNS = 520;
constexpr int FALLBACK_ROWS = 160;
constexpr double START_PLAY_AXIS_MAX = 24;
constexpr int PLAY_TICKS = 6;
constexpr int MARKER_CELL = 3;
constexpr double HUGE_TICK_INTERVAL = 1e12;
constexpr qreal LEGEND_WIDTH = 78;
constexpr qreal LEGEND_LINE = 18;
constexpr qreal LEGEND_PADDING = 12;

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

QColor ToColor(const Rgb& rgb)
{
    return QColor(rgb.r, rgb.g, rgb.b);
}
}  // namespace

SlumpGraph::SlumpGraph(QChartView* view) : QObject(view), view(view), chart(new QChart)
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
    bottomAxis->setTickType(QValueAxis::TicksDynamic);
    bottomAxis->setTickAnchor(0);
    leftAxis = new QValueAxis;
    leftAxis->setTitleText(QStringLiteral("Medal"));
    leftAxis->setLabelFormat(QStringLiteral("%.0f"));
    rightAxis = new QValueAxis;
    rightAxis->setTitleText(QStringLiteral("滞在モード"));
    rightAxis->setRange(0.5, 3.5);
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

    QLegend* legend = chart->legend();
    legend->setFont(mincho);
    legend->setBackgroundVisible(true);
    legend->setBrush(Qt::white);
    legend->setPen(QPen(Qt::black));
    legend->markers(ModeSeries).constFirst()->setVisible(false);
    legend->markers(SlumpSeries).constFirst()->setVisible(false);
    legend->detachFromChart();
    legend->hide();
    connect(chart, &QChart::plotAreaChanged, this, &SlumpGraph::PlaceLegend);

    connect(bottomAxis, &QValueAxis::rangeChanged, this, &SlumpGraph::Refresh);
    if (auto* zoomView = qobject_cast<ZoomChartView*>(view))
        connect(zoomView, &ZoomChartView::AboutToZoom, this,
                [this] { bottomAxis->setTickInterval(NiceTickInterval(fullPlayRange, PLAY_TICKS)); });
    connect(leftAxis, &QValueAxis::rangeChanged, this, &SlumpGraph::Refresh);

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
    leftAxis->setRange(0, 4);  // whole-number ticks while empty
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
    SetPlayRange(static_cast<double>(analysis.axisMin), static_cast<double>(analysis.axisMax));
    leftAxis->setRange(low, high);
    leftAxis->applyNiceNumbers();
    refreshing = false;
    Refresh();
}

void SlumpGraph::SetPlayRange(double from, double to)
{
    // Ticks are laid out as soon as a range changes: never one per game.
    bottomAxis->setTickInterval(HUGE_TICK_INTERVAL);
    chart->zoomReset();
    fullPlayRange = to - from;
    bottomAxis->setTickInterval(NiceTickInterval(fullPlayRange, PLAY_TICKS));
    bottomAxis->setRange(from, to);
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
    // The legend lists the markers shown, at the top right inside the plot,
    // clear of the mode axis beside it.
    const auto shown = std::count(markerShown.cbegin(), markerShown.cend(), true);
    QLegend* legend = chart->legend();
    legend->setVisible(shown > 0);
    if (shown == 0) return;
    const QRectF plot = chart->plotArea();
    const qreal right = plot.width() > 0 ? plot.right() : 520;
    const qreal height = LEGEND_PADDING + LEGEND_LINE * static_cast<qreal>(shown);
    legend->setGeometry(QRectF(right - LEGEND_WIDTH - 2, 5, LEGEND_WIDTH, height));
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
    bottomAxis->setTickInterval(NiceTickInterval(xMax - xMin, PLAY_TICKS));
    const int columns = PlotColumns();
    ReplacePoints(SlumpSeries, DecimateMinMax(slumpPoints, xMin, xMax, columns));
    ReplacePoints(ModeSeries, DecimateMinMax(modePoints, xMin, xMax, columns));
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
    ReplacePoints(markerSeries[static_cast<std::size_t>(marker)],
                  DecimateScatter(markerPoints[static_cast<std::size_t>(marker)], bottomAxis->min(),
                                  bottomAxis->max(), yMin, yMax, std::max(columns / MARKER_CELL, 1),
                                  std::max(rows / MARKER_CELL, 1)));
}
