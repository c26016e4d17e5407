#include "mainform/charts/BonusBars.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QGraphicsRectItem>
#include <QGraphicsSimpleTextItem>
#include <QLineSeries>
#include <QLinearGradient>
#include <QScatterSeries>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

#include "platform/ChartOps.h"
#include "platform/ZoomChartView.h"

namespace {
constexpr double BAR_HALF_WIDTH = 0.4;
constexpr int FALLBACK_COLUMNS = 540;
constexpr double HUGE_TICK_INTERVAL = 1e12;
constexpr int PLAY_TICKS = 4;

QAreaSeries* AddOutline(QChart* chart, QLineSeries* outline, const QColor& color)
{
    auto* area = new QAreaSeries(outline);
    area->setBrush(color);
    area->setPen(QPen(Qt::white, 1));
    chart->addSeries(area);
    return area;
}

void AppendRectangle(QList<QPointF>& outline, double left, double right, double height)
{
    outline.append({left, 0});
    outline.append({left, height});
    outline.append({right, height});
    outline.append({right, 0});
}
}  // namespace

BonusBars::BonusBars(QChartView* view) : QObject(view), chart(new QChart)
{
    QFont titleFont(QStringLiteral("MS UI Gothic"));
    titleFont.setPixelSize(12);
    // Small axis texts leave the short chart room for its bars.
    QFont axisFont = titleFont;
    axisFont.setPixelSize(10);

    chart->setBackgroundRoundness(0);
    chart->setMargins(QMargins(4, 0, 4, 0));
    chart->setAnimationOptions(QChart::NoAnimation);
    QLinearGradient gradient(0, 0, 0, 1);
    gradient.setCoordinateMode(QGradient::ObjectBoundingMode);
    gradient.setColorAt(0, Qt::white);
    gradient.setColorAt(1, QColor(192, 192, 192));
    chart->setBackgroundBrush(gradient);
    chart->legend()->hide();
    SetLeftAlignedTitle(chart, QStringLiteral("スランプグラフ"), titleFont);

    bonusAxis = new QValueAxis;
    bonusAxis->setTitleText(QStringLiteral("ボーナス回数"));
    bonusAxis->setLabelFormat(QStringLiteral("%.0f"));
    bonusAxis->setTickType(QValueAxis::TicksDynamic);
    bonusAxis->setTickAnchor(0);
    bonusAxis->setTickInterval(1);
    playAxis = new QValueAxis;
    playAxis->setTitleText(QStringLiteral("Play数"));
    playAxis->setLabelFormat(QStringLiteral("%.0f"));
    for (QValueAxis* axis : {bonusAxis, playAxis}) {
        axis->setTitleFont(axisFont);
        axis->setLabelsFont(axisFont);
    }
    chart->addAxis(bonusAxis, Qt::AlignBottom);
    chart->addAxis(playAxis, Qt::AlignLeft);

    bigOutline = new QLineSeries(this);
    regOutline = new QLineSeries(this);
    for (QAreaSeries* area :
         {AddOutline(chart, bigOutline, QColor(255, 0, 0)), AddOutline(chart, regOutline, Qt::black)}) {
        area->attachAxis(bonusAxis);
        area->attachAxis(playAxis);
    }
    valueLabels = new QScatterSeries;
    valueLabels->setMarkerSize(1);
    valueLabels->setColor(Qt::transparent);
    valueLabels->setBorderColor(Qt::transparent);
    labelFont = axisFont;
    chart->addSeries(valueLabels);
    valueLabels->attachAxis(bonusAxis);
    valueLabels->attachAxis(playAxis);

    KeepRoundTicks(playAxis, PLAY_TICKS);
    connect(bonusAxis, &QValueAxis::rangeChanged, this, &BonusBars::Refresh);
    connect(chart, &QChart::plotAreaChanged, this, &BonusBars::PlaceValueLabels);
    // A tick per bonus of the whole run would be thousands of labels.
    if (auto* zoomView = qobject_cast<ZoomChartView*>(view))
        connect(zoomView, &ZoomChartView::AboutToZoom, this, [this] {
            bonusAxis->setTickInterval(NiceTickInterval(TotalRangeEnd() - 0.5, 10));
            playAxis->setTickInterval(NiceTickInterval(fullHeight, PLAY_TICKS));
        });
    view->setChart(chart);
    Clear();
}

void BonusBars::Clear()
{
    bars.clear();
    bars.shrink_to_fit();
    refreshing = true;
    // No tick per bonus while the zoom goes back to a range of old bars.
    bonusAxis->setTickInterval(HUGE_TICK_INTERVAL);
    playAxis->setTickInterval(HUGE_TICK_INTERVAL);
    chart->zoomReset();
    SetBonusRange(0.5, 1.5);
    fullHeight = 4;
    SetRangeRoundTicks(playAxis, 0, fullHeight, PLAY_TICKS);
    refreshing = false;
    Refresh();
}

void BonusBars::Show(const std::vector<ChartPoint>& newBars)
{
    bars = newBars;
    qreal highest = 1;
    for (const ChartPoint& bar : bars) highest = std::max(highest, static_cast<qreal>(bar.y));
    refreshing = true;
    // No tick per bonus while the zoom goes back to a range of old bars.
    bonusAxis->setTickInterval(HUGE_TICK_INTERVAL);
    playAxis->setTickInterval(HUGE_TICK_INTERVAL);
    chart->zoomReset();
    SetBonusRange(0.5, TotalRangeEnd());
    // Room above the tallest bar for its value.
    const auto [low, high] = RoundOutRange(0, std::max<qreal>(highest, 1) * 1.2, PLAY_TICKS);
    fullHeight = high - low;
    SetRangeRoundTicks(playAxis, low, high, PLAY_TICKS);
    refreshing = false;
    Refresh();
}

double BonusBars::TotalRangeEnd() const
{
    return std::max<double>(static_cast<double>(bars.size()), 1) + 0.5;
}

void BonusBars::SetBonusRange(double from, double to)
{
    // The interval first: ticks are laid out as soon as the range changes.
    bonusAxis->setTickInterval(NiceTickInterval(to - from, 10));
    bonusAxis->setRange(from, to);
}

void BonusBars::Refresh()
{
    if (refreshing) return;
    refreshing = true;
    const double xMin = bonusAxis->min();
    const double xMax = bonusAxis->max();
    bonusAxis->setTickInterval(NiceTickInterval(xMax - xMin, 10));
    const auto plotWidth = static_cast<int>(chart->plotArea().width());
    const int columns = plotWidth > 0 ? plotWidth : FALLBACK_COLUMNS;

    // Bar k (1-based) stands at x = k.
    const auto first = static_cast<std::size_t>(std::clamp(std::ceil(xMin - BAR_HALF_WIDTH), 1.0, 1e12)) - 1;
    const auto last = static_cast<std::size_t>(
        std::clamp(std::floor(xMax + BAR_HALF_WIDTH), 0.0, static_cast<double>(bars.size())));
    QList<QPointF> big;
    QList<QPointF> reg;
    QList<QPointF> labels;
    const std::size_t visible = last > first ? last - first : 0;
    if (visible * 2 <= static_cast<std::size_t>(columns)) {
        for (std::size_t i = first; i < last; ++i) {
            const double x = static_cast<double>(i + 1);
            const double height = static_cast<double>(bars[i].y);
            AppendRectangle(bars[i].color == BAR_REG_COLOR ? reg : big, x - BAR_HALF_WIDTH,
                            x + BAR_HALF_WIDTH, height);
            if (visible * LABEL_SPACING <= static_cast<std::size_t>(columns)) labels.append({x, height});
        }
    } else {
        // Narrower than a pixel: the tallest bar of each colour per column.
        const double width = (xMax - xMin) / columns;
        std::size_t i = first;
        while (i < last) {
            const auto column = static_cast<long long>((static_cast<double>(i + 1) - xMin) / width);
            double tallestBig = -1;
            double tallestReg = -1;
            for (; i < last && static_cast<long long>((static_cast<double>(i + 1) - xMin) / width) == column;
                 ++i) {
                double& tallest = bars[i].color == BAR_REG_COLOR ? tallestReg : tallestBig;
                tallest = std::max(tallest, static_cast<double>(bars[i].y));
            }
            const double left = xMin + static_cast<double>(column) * width;
            if (tallestBig >= 0) AppendRectangle(big, left, left + width, tallestBig);
            if (tallestReg >= 0) AppendRectangle(reg, left, left + width, tallestReg);
        }
    }
    ReplacePoints(bigOutline, big);
    ReplacePoints(regOutline, reg);
    ReplacePoints(valueLabels, labels);
    PlaceValueLabels();
    refreshing = false;
}

void BonusBars::PlaceValueLabels()
{
    // The component writes point labels without a background; these stand
    // on white above their bars.
    qDeleteAll(labelItems);
    labelItems.clear();
    for (const QPointF& point : valueLabels->points()) {
        const QPointF top = chart->mapToPosition(point, valueLabels);
        auto* back = new QGraphicsRectItem(chart);
        auto* text = new QGraphicsSimpleTextItem(QString::number(point.y(), 'f', 0), back);
        text->setFont(labelFont);
        const QRectF size = text->boundingRect();
        back->setRect(0, 0, size.width() + 2, size.height());
        back->setPos(top.x() - size.width() / 2 - 1, top.y() - size.height() - 1);
        text->setPos(1, 0);
        back->setBrush(Qt::white);
        back->setPen(Qt::NoPen);
        back->setZValue(10);
        labelItems.append(back);
    }
}
