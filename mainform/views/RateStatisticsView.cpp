#include "mainform/views/RateStatisticsView.h"

#include <QChart>
#include <QChartView>
#include <QLegend>
#include <QPieSeries>
#include <QPieSlice>
#include <QTreeWidget>

#include "analysis/ResultAnalysis.h"
#include "platform/ChartOps.h"
#include "platform/FormFont.h"

namespace {
constexpr qreal PIE_LEGEND_LEFT = 148;
constexpr int LEGEND_PIXELS = 12;

QPieSeries* BuildPieChart(QChartView* view, const QString& seriesName)
{
    auto* chart = new QChart;
    chart->setBackgroundRoundness(0);
    chart->setMargins(QMargins(2, 2, 2, 2));
    chart->setAnimationOptions(QChart::NoAnimation);
    // The slices are named by a compact legend (see Show).
    chart->legend()->hide();
    auto* series = new QPieSeries;
    series->setName(QStringLiteral("円"));
    series->setObjectName(seriesName);
    series->setPieSize(0.85);
    series->setHorizontalPosition(0.29);
    chart->addSeries(series);
    view->setChart(chart);
    view->setRenderHint(QPainter::Antialiasing);
    return series;
}
}  // namespace

RateStatisticsView::RateStatisticsView(QTreeWidget* rateList, QChartView* chartView,
                                       const QString& seriesName)
    : QObject(rateList), list(rateList), pie(BuildPieChart(chartView, seriesName))
{
}

void RateStatisticsView::Show(const StatTab& tab)
{
    Clear();
    QList<QTreeWidgetItem*> items;
    for (const StatLine& line : tab.lines) {
        const QStringList texts{QString::fromStdString(line.name), QString::fromStdString(line.count),
                                QString::fromStdString(line.rate), QString::fromStdString(line.inverse)};
        auto* item = new QTreeWidgetItem(texts);
        // Rates keep all their digits, more than a column shows.
        for (int column = 0; column < texts.size(); ++column) item->setToolTip(column, texts[column]);
        items.append(item);
    }
    list->addTopLevelItems(items);
    for (const PieSlice& slice : tab.slices) {
        QPieSlice* added = pie->append(QString::fromStdString(slice.label), static_cast<qreal>(slice.y));
        added->setColor(QColor(slice.color.r, slice.color.g, slice.color.b));
        added->setBorderColor(Qt::black);
        added->setLabelVisible(false);
    }
    QList<LegendEntry> legend;
    for (const PieSlice& slice : tab.slices)
        legend.append(
            {QString::fromStdString(slice.label), QColor(slice.color.r, slice.color.g, slice.color.b)});
    QChart* chart = pie->chart();
    QFont font(FORM_FONT_FAMILY);
    font.setPixelSize(LEGEND_PIXELS);
    const QSizeF size = chart->size();
    SetCompactLegend(chart, legend,
                     QRectF(PIE_LEGEND_LEFT, 4, size.width() - PIE_LEGEND_LEFT - 4, size.height() - 8), font);
}

void RateStatisticsView::Clear()
{
    list->clear();
    pie->clear();
    SetCompactLegend(pie->chart(), {}, {}, list->window()->font());
}
