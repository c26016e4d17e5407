#include "mainform/views/BatchResultTab.h"

#include <QAreaSeries>
#include <QChart>
#include <QGraphicsLineItem>
#include <QGraphicsRectItem>
#include <QGraphicsSimpleTextItem>
#include <QHeaderView>
#include <QLabel>
#include <QLegend>
#include <QLineSeries>
#include <QPen>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

#include "analysis/NumberFormat.h"
#include "mainform/views/TheoryTab.h"
#include "platform/ChartOps.h"
#include "platform/ZoomChartView.h"
#include "slot/MachineCodes.h"

namespace {

constexpr int COUNT_ROLE = Qt::UserRole;
constexpr int PROFIT_ROLE = Qt::UserRole + 1;
constexpr int AXIS_TICKS = 4;
// Room a tick label needs beyond its own text, so neighbours never touch.
constexpr double LABEL_GAP = 10;
constexpr double LEGEND_TOP = 17;
constexpr double LEGEND_SWATCH = 8;
// The expectation nμ + c holds once a fresh run has left its starting mode
// behind; before that it lies well below what runs do.
constexpr std::int32_t THEORY_FROM_PLAYS = 200;
const QColor GROUP_COLOR(230, 230, 230);
const QColor FAN_COLOR(0, 90, 200);
const QColor HISTOGRAM_COLOR(70, 130, 180);
const QColor THEORY_COLOR(220, 0, 0);

const char* const STATISTIC_NAMES[BatchResultTab::STATISTICS] = {
    "収支(枚)", "収支(円)", "機械割(%)", "BIG回数", "REG回数", "最大ハマリ(G)", "最低収支(枚)"};

// Rounded for the eye without ever turning a large balance into an exponent.
QString Figure(double value)
{
    if (std::isnan(value)) return QStringLiteral("-");
    if (value == 0) return QStringLiteral("0");
    const double magnitude = std::fabs(value);
    const int digits = magnitude >= 1 ? static_cast<int>(std::floor(std::log10(magnitude))) + 1 : 1;
    return QString::number(value, 'g', std::max(6, digits));
}

QTableWidgetItem* FigureItem(double value)
{
    auto* item = new QTableWidgetItem(Figure(value));
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    item->setData(Qt::UserRole, value);
    if (!std::isnan(value)) item->setToolTip(QString::fromStdString(FormatGeneral(value)));
    return item;
}

const Distribution& DistributionOf(const GroupStatistics& group, int statistic)
{
    switch (statistic) {
        case BatchResultTab::FinalBalance:
        case BatchResultTab::FinalBalanceYen:
            return group.finalBalance;
        case BatchResultTab::Payout:
            return group.payout;
        case BatchResultTab::Big:
            return group.big;
        case BatchResultTab::Reg:
            return group.reg;
        case BatchResultTab::LongestDrought:
            return group.longestDrought;
        default:
            return group.lowestBalance;
    }
}

// The theory's mean of a statistic after `plays` games of `setting`; none
// where the theory gives no such figure.
std::optional<double> TheoryMean(int statistic, int setting, std::int32_t plays)
{
    if (setting < SETTING_MIN || setting > SETTING_MAX || plays < 1) return std::nullopt;
    const SettingTheory& theory = TheoryTab::Theory()[static_cast<std::size_t>(setting - 1)];
    switch (statistic) {
        case BatchResultTab::FinalBalance:
            return theory.ExpectedBalance(plays);
        case BatchResultTab::FinalBalanceYen:
            return theory.ExpectedBalance(plays) * BatchResultTab::YEN_PER_MEDAL;
        case BatchResultTab::Payout:
            return theory.ExpectedPayout(plays);
        case BatchResultTab::Big:
            if (theory.bigOdds > 0) return plays / theory.bigOdds;
            return std::nullopt;
        case BatchResultTab::Reg:
            if (theory.regOdds > 0) return plays / theory.regOdds;
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

QChart* NewChart(const QString& title, const QFont& titleFont, QGraphicsSimpleTextItem** titleItem = nullptr)
{
    auto* chart = new QChart;
    chart->setMargins(QMargins(0, 0, 4, 0));
    chart->setBackgroundRoundness(0);
    chart->setAnimationOptions(QChart::NoAnimation);
    SetLeftAlignedTitle(chart, title, titleFont);
    if (titleItem)
        for (QGraphicsItem* item : chart->childItems())
            if (auto* text = qgraphicsitem_cast<QGraphicsSimpleTextItem*>(item);
                text && text->text() == title)
                *titleItem = text;
    return chart;
}

// Yen per unit of the histogram's axis: labels of at most four digits fit
// the narrow chart of the window's default size.
double YenUnit(double extent)
{
    return extent >= 100000 ? 10000 : extent >= 10000 ? 1000 : 1;
}

QString YenUnitName(double unit)
{
    return unit == 10000  ? QStringLiteral("万円")
           : unit == 1000 ? QStringLiteral("千円")
                          : QStringLiteral("円");
}

QValueAxis* NewAxis(QChart* chart, Qt::Alignment where, const QFont& font)
{
    auto* axis = new QValueAxis;
    axis->setLabelFormat(QStringLiteral("%.0f"));
    axis->setLabelsFont(font);
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setRange(0, 1);
    axis->setTickInterval(1);
    chart->addAxis(axis, where);
    return axis;
}

// The closest round ticks whose labels the plot has room for: the charts are
// small in the window's default size, where a fixed count would elide them.
void FitTicks(QValueAxis* axis, double plotPixels)
{
    const double span = axis->max() - axis->min();
    if (span <= 0 || plotPixels <= 0) return;
    const QFontMetricsF metrics(axis->labelsFont());
    double room = metrics.height() * 1.6;
    if (axis->orientation() == Qt::Horizontal) {
        const double widest = std::max(std::fabs(axis->min()), std::fabs(axis->max()));
        room = metrics.horizontalAdvance(QString::number(-widest, 'f', 0)) + LABEL_GAP;
    }
    double interval = NiceTickInterval(span, 10);
    while (interval * plotPixels / span < room) interval = NiceTickInterval(interval * 1.5, 1);
    if (interval != axis->tickInterval()) axis->setTickInterval(interval);
}

void Attach(QChart* chart, QAbstractSeries* series, QValueAxis* x, QValueAxis* y)
{
    chart->addSeries(series);
    series->attachAxis(x);
    series->attachAxis(y);
}

}  // namespace

BatchResultTab::BatchResultTab(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("BatchResultSheet"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    caption = new QLabel(this);
    caption->setObjectName(QStringLiteral("BatchResultCaption"));
    caption->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(caption);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setChildrenCollapsible(false);
    layout->addWidget(splitter, 1);

    table = new QTableWidget(0, THEORY_COLUMN + 1, splitter);
    table->setObjectName(QStringLiteral("BatchResultTable"));
    QStringList columns{QStringLiteral("項目"), QStringLiteral("平均"), QStringLiteral("標準偏差"),
                        QStringLiteral("最小")};
    for (const int p : PERCENTILES) columns.append(QStringLiteral("%1%").arg(p));
    columns << QStringLiteral("最大") << QStringLiteral("理論値");
    table->setHorizontalHeaderLabels(columns);
    table->horizontalHeaderItem(SD_COLUMN)->setToolTip(QStringLiteral("標本標準偏差 (n − 1)"));
    for (int c = FIRST_PERCENTILE_COLUMN; c < MAX_COLUMN; ++c)
        table->horizontalHeaderItem(c)->setToolTip(QStringLiteral("パーセンタイル（線形補間）"));
    table->horizontalHeaderItem(THEORY_COLUMN)
        ->setToolTip(QStringLiteral("設定とPlay数がそろっているときの理論上の平均"));
    table->horizontalHeaderItem(THEORY_COLUMN)->setForeground(THEORY_COLOR);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(18);
    table->horizontalHeader()->setDefaultSectionSize(58);

    histogramView = new ZoomChartView(splitter);
    histogramView->setObjectName(QStringLiteral("BatchHistogramChart"));
    fanView = new ZoomChartView(splitter);
    fanView->setObjectName(QStringLiteral("BatchFanChart"));
    BuildHistogram();
    BuildFan();
    splitter->setStretchFactor(0, 5);
    splitter->setStretchFactor(1, 3);
    splitter->setStretchFactor(2, 4);
    splitter->setSizes({500, 300, 400});
}

void BatchResultTab::BuildHistogram()
{
    QFont small = font();
    small.setPixelSize(9);
    QFont titleFont = font();
    titleFont.setPixelSize(11);
    histogramChart = NewChart(QStringLiteral("最終収支の分布（円）"), titleFont, &histogramTitle);
    histogramChart->legend()->hide();
    yenAxis = NewAxis(histogramChart, Qt::AlignBottom, small);
    countAxis = NewAxis(histogramChart, Qt::AlignLeft, small);
    histogramUpper = new QLineSeries(this);
    histogramArea = new QAreaSeries(histogramUpper);
    histogramArea->setName(QStringLiteral("シミュレーション数"));
    histogramArea->setObjectName(QStringLiteral("BatchHistogram"));
    histogramArea->setBrush(HISTOGRAM_COLOR.lighter(130));
    histogramArea->setPen(QPen(HISTOGRAM_COLOR.darker(130), 1));
    Attach(histogramChart, histogramArea, yenAxis, countAxis);
    histogramView->setChart(histogramChart);
    connect(histogramChart, &QChart::plotAreaChanged, this, &BatchResultTab::FitHistogramTicks);
    for (QValueAxis* axis : {yenAxis, countAxis})
        connect(axis, &QValueAxis::rangeChanged, this, &BatchResultTab::FitHistogramTicks);
    histogramView->setRenderHint(QPainter::Antialiasing, false);
    // The tick interval of the whole range, before a zoom reset lays out ticks.
    connect(static_cast<ZoomChartView*>(histogramView), &ZoomChartView::AboutToZoom, this, [this] {
        yenAxis->setTickInterval(NiceTickInterval(fullYen, AXIS_TICKS));
        countAxis->setTickInterval(NiceTickInterval(countAxis->max() - countAxis->min(), AXIS_TICKS));
    });
}

void BatchResultTab::BuildFan()
{
    QFont small = font();
    small.setPixelSize(9);
    QFont titleFont = font();
    titleFont.setPixelSize(11);
    fanChart = NewChart(QStringLiteral("収支の推移（枚）"), titleFont);
    playAxis = NewAxis(fanChart, Qt::AlignBottom, small);
    medalAxis = NewAxis(fanChart, Qt::AlignLeft, small);

    outerUpper = new QLineSeries(this);
    outerLower = new QLineSeries(this);
    outerBand = new QAreaSeries(outerUpper, outerLower);
    outerBand->setName(QStringLiteral("5–95%"));
    outerBand->setObjectName(QStringLiteral("BatchBand5to95"));
    QColor outer = FAN_COLOR;
    outer.setAlpha(45);
    outerBand->setBrush(outer);
    outerBand->setPen(Qt::NoPen);
    innerUpper = new QLineSeries(this);
    innerLower = new QLineSeries(this);
    innerBand = new QAreaSeries(innerUpper, innerLower);
    innerBand->setName(QStringLiteral("25–75%"));
    innerBand->setObjectName(QStringLiteral("BatchBand25to75"));
    QColor inner = FAN_COLOR;
    inner.setAlpha(100);
    innerBand->setBrush(inner);
    innerBand->setPen(Qt::NoPen);
    medianLine = new QLineSeries;
    medianLine->setName(QStringLiteral("中央値"));
    medianLine->setObjectName(QStringLiteral("BatchMedian"));
    medianLine->setPen(QPen(FAN_COLOR.darker(140), 1.5));
    theoryLine = new QLineSeries;
    theoryLine->setName(QStringLiteral("理論値"));
    theoryLine->setObjectName(QStringLiteral("BatchTheory"));
    theoryLine->setPen(QPen(THEORY_COLOR, 1.2, Qt::DashLine));
    for (QAbstractSeries* series :
         std::initializer_list<QAbstractSeries*>{outerBand, innerBand, medianLine, theoryLine})
        Attach(fanChart, series, playAxis, medalAxis);

    // The component's legend elides its entries in a chart this narrow; this
    // one wraps into rows above the plot, never over the data.
    fanChart->legend()->hide();
    legendFont = small;
    baseTop = fanChart->margins().top();

    connect(fanChart, &QChart::plotAreaChanged, this, &BatchResultTab::PlaceFanLegend);

    fanNote = new QGraphicsSimpleTextItem(fanChart);
    fanNote->setFont(small);
    fanNote->setPos(8, 40);
    fanNote->setZValue(10);
    fanView->setChart(fanChart);
    for (QValueAxis* axis : {playAxis, medalAxis})
        connect(axis, &QValueAxis::rangeChanged, this, &BatchResultTab::FitFanTicks);
    fanView->setRenderHint(QPainter::Antialiasing, true);
    connect(static_cast<ZoomChartView*>(fanView), &ZoomChartView::AboutToZoom, this, [this] {
        playAxis->setTickInterval(NiceTickInterval(fullPlays, AXIS_TICKS));
        medalAxis->setTickInterval(NiceTickInterval(fullMedals, AXIS_TICKS));
    });
}

void BatchResultTab::Show(const StudySummary& summary, const QString& source)
{
    QString study = QStringLiteral("%1シミュレーション").arg(summary.all.count);
    study += summary.commonSetting ? QStringLiteral("・設定%1").arg(*summary.commonSetting)
                                   : QStringLiteral("・設定混在");
    study += summary.commonPlays ? QStringLiteral("・%1Play").arg(*summary.commonPlays)
                                 : QStringLiteral("・Play数混在");
    caption->setText(study + QStringLiteral("　") + source);
    caption->setToolTip(source);
    FillTable(summary);
    FillHistogram(summary.histogram);
    FillFan(summary);
}

std::optional<int> BatchResultTab::GroupRow(std::optional<int> setting) const
{
    if (!setting) return wholeRow;
    const auto found = settingRows.find(*setting);
    if (found == settingRows.end()) return std::nullopt;
    return found->second;
}

void BatchResultTab::FillTable(const StudySummary& summary)
{
    table->clearSpans();
    table->setRowCount(0);
    settingRows.clear();
    auto addGroup = [&](const QString& name, const GroupStatistics& group, std::optional<int> setting) {
        const int top = table->rowCount();
        table->setRowCount(top + 1 + STATISTICS);
        auto* groupName = new QTableWidgetItem(name);
        auto* head = new QTableWidgetItem(
            QStringLiteral("%1件　収支>0: %2%").arg(group.count).arg(group.pProfit * 100, 0, 'f', 1));
        head->setToolTip(
            QStringLiteral("収支>0の割合: %1").arg(QString::fromStdString(FormatGeneral(group.pProfit))));
        head->setData(COUNT_ROLE, static_cast<qlonglong>(group.count));
        head->setData(PROFIT_ROLE, group.pProfit);
        QFont bold = head->font();
        bold.setBold(true);
        for (QTableWidgetItem* item : {groupName, head}) {
            item->setBackground(GROUP_COLOR);
            item->setFont(bold);
        }
        table->setItem(top, NAME_COLUMN, groupName);
        table->setItem(top, MEAN_COLUMN, head);
        table->setSpan(top, MEAN_COLUMN, 1, table->columnCount() - MEAN_COLUMN);
        for (int s = 0; s < STATISTICS; ++s) {
            const int row = top + 1 + s;
            table->setItem(row, NAME_COLUMN, new QTableWidgetItem(QString::fromUtf8(STATISTIC_NAMES[s])));
            const Distribution& d = DistributionOf(group, s);
            const double scale = s == FinalBalanceYen ? YEN_PER_MEDAL : 1;
            table->setItem(row, MEAN_COLUMN, FigureItem(d.mean * scale));
            table->setItem(row, SD_COLUMN, FigureItem(d.sd * scale));
            table->setItem(row, MIN_COLUMN, FigureItem(d.min * scale));
            for (std::size_t k = 0; k < PERCENTILES.size(); ++k)
                table->setItem(row, FIRST_PERCENTILE_COLUMN + static_cast<int>(k),
                               FigureItem(d.percentiles[k] * scale));
            table->setItem(row, MAX_COLUMN, FigureItem(d.max * scale));
            std::optional<double> theory;
            if (setting && summary.commonPlays) theory = TheoryMean(s, *setting, *summary.commonPlays);
            QTableWidgetItem* item = theory ? FigureItem(*theory) : new QTableWidgetItem;
            item->setForeground(THEORY_COLOR);
            table->setItem(row, THEORY_COLUMN, item);
        }
        return top;
    };
    wholeRow = addGroup(QStringLiteral("全体"), summary.all, summary.commonSetting);
    if (summary.bySetting.size() > 1)
        for (const auto& [setting, group] : summary.bySetting)
            settingRows[setting] = addGroup(QStringLiteral("設定%1").arg(setting), group, setting);
    // Columns as narrow as their figures: more of them in sight at once.
    table->resizeColumnsToContents();
    table->scrollToTop();
}

void BatchResultTab::FillHistogram(const Histogram& histogram)
{
    // Bars side by side, each edge drawn down to the axis.
    QList<QPointF> points;
    std::int64_t most = 1;
    const auto yen = [&](std::size_t k) {
        return static_cast<double>(histogram.start + static_cast<std::int64_t>(k) * histogram.width) *
               YEN_PER_MEDAL;
    };
    const double unit = histogram.counts.empty()
                            ? 1
                            : YenUnit(std::max(std::fabs(yen(0)), std::fabs(yen(histogram.counts.size()))));
    yenUnit = unit;
    if (histogramTitle)
        histogramTitle->setText(QStringLiteral("最終収支の分布（%1）").arg(YenUnitName(unit)));
    for (std::size_t k = 0; k < histogram.counts.size(); ++k) {
        const auto count = static_cast<double>(histogram.counts[k]);
        const double left = yen(k) / unit, right = yen(k + 1) / unit;
        points << QPointF(left, 0) << QPointF(left, count) << QPointF(right, count) << QPointF(right, 0);
        most = std::max(most, histogram.counts[k]);
    }
    ReplacePoints(histogramUpper, points);
    const double from = histogram.counts.empty() ? 0 : yen(0) / unit;
    const double to = histogram.counts.empty() ? 1 : yen(histogram.counts.size()) / unit;
    fullYen = to - from;
    const auto [low, high] = RoundOutRange(from, to, AXIS_TICKS);
    SetRangeRoundTicks(yenAxis, low, high, AXIS_TICKS);
    const auto top = RoundOutRange(0, static_cast<double>(most), AXIS_TICKS).second;
    SetRangeRoundTicks(countAxis, 0, top, AXIS_TICKS);
    FitHistogramTicks();
}

void BatchResultTab::FillFan(const StudySummary& summary)
{
    QList<QPointF> p5, p25, p50, p75, p95, expected;
    const bool drawn = summary.bands.has_value() && !summary.bands->plays.empty();
    double low = 0, high = 0, plays = 1;
    if (drawn) {
        const Bands& bands = *summary.bands;
        const std::array<QList<QPointF>*, BAND_PERCENTILES.size()> lines = {&p5, &p25, &p50, &p75, &p95};
        for (std::size_t k = 0; k < bands.plays.size(); ++k) {
            const double x = bands.plays[k];
            for (std::size_t j = 0; j < lines.size(); ++j) lines[j]->append(QPointF(x, bands.values[j][k]));
            low = std::min(low, bands.values.front()[k]);
            high = std::max(high, bands.values.back()[k]);
        }
        plays = bands.plays.back();
        const int setting = summary.commonSetting.value_or(0);
        if (setting >= SETTING_MIN && setting <= SETTING_MAX) {
            const SettingTheory& theory = TheoryTab::Theory()[static_cast<std::size_t>(setting - 1)];
            for (const std::int32_t n : bands.plays) {
                if (n < THEORY_FROM_PLAYS) continue;
                const double y = theory.ExpectedBalance(n);
                expected.append(QPointF(n, y));
                low = std::min(low, y);
                high = std::max(high, y);
            }
        }
    }
    ReplacePoints(outerUpper, p95);
    ReplacePoints(outerLower, p5);
    ReplacePoints(innerUpper, p75);
    ReplacePoints(innerLower, p25);
    ReplacePoints(medianLine, p50);
    ReplacePoints(theoryLine, expected);
    theoryLine->setVisible(!expected.isEmpty());
    fanNote->setText(drawn ? QString()
                           : QStringLiteral("Play数がそろっていないため、推移は表示できません。"));

    fullPlays = plays;
    SetRangeRoundTicks(playAxis, 0, plays, AXIS_TICKS);
    const double pad = std::max(1.0, (high - low) * 0.05);
    const auto [from, to] = RoundOutRange(low - pad, high + pad, AXIS_TICKS);
    fullMedals = to - from;
    SetRangeRoundTicks(medalAxis, from, to, AXIS_TICKS);
    FitFanTicks();
    PlaceFanLegend();
}

void BatchResultTab::FitHistogramTicks()
{
    const QRectF plot = histogramChart->plotArea();
    if (plot.width() < 10) return;
    FitTicks(yenAxis, plot.width());
    FitTicks(countAxis, plot.height());
}

void BatchResultTab::FitFanTicks()
{
    const QRectF plot = fanChart->plotArea();
    if (plot.width() < 10) return;
    FitTicks(playAxis, plot.width());
    FitTicks(medalAxis, plot.height());
}

void BatchResultTab::PlaceFanLegend()
{
    FitFanTicks();
    delete fanLegend;
    fanLegend = nullptr;
    struct Entry {
        QString name;
        QBrush swatch;
        QPen line;
    };
    std::vector<Entry> entries;
    for (const QAreaSeries* band : {outerBand, innerBand})
        entries.push_back({band->name(), band->brush(), Qt::NoPen});
    for (const QLineSeries* line : {medianLine, theoryLine})
        if (line->isVisible() && line->count() > 0)
            entries.push_back({line->name(), Qt::NoBrush, line->pen()});
    if (medianLine->count() == 0) entries.clear();

    const QFontMetricsF metrics(legendFont);
    const double row = std::ceil(metrics.height()) + 1;
    const double width = fanChart->size().width() > 0 ? fanChart->size().width() : fanView->width();
    // Rows of entries, each as wide as its swatch and name.
    std::vector<std::pair<QPointF, const Entry*>> placed;
    double x = 8, y = LEGEND_TOP;
    for (const Entry& entry : entries) {
        const double w = LEGEND_SWATCH + 3 + metrics.horizontalAdvance(entry.name) + 8;
        if (x > 8 && x + w > width - 4) {
            x = 8;
            y += row;
        }
        placed.emplace_back(QPointF(x, y), &entry);
        x += w;
    }
    const double bottom = entries.empty() ? 0 : y + row + 2;
    // The plot moves down to make room; placing again once it has.
    const int top = baseTop + static_cast<int>(std::ceil(std::max(0.0, bottom - LEGEND_TOP)));
    if (fanChart->margins().top() != top) {
        QMargins margins = fanChart->margins();
        margins.setTop(top);
        fanChart->setMargins(margins);
    }
    if (entries.empty()) return;
    fanLegend = new QGraphicsRectItem(fanChart);
    fanLegend->setPen(Qt::NoPen);
    fanLegend->setZValue(10);
    for (const auto& [at, entry] : placed) {
        const QRectF swatch(at.x(), at.y() + (row - LEGEND_SWATCH) / 2, LEGEND_SWATCH, LEGEND_SWATCH);
        if (entry->line.style() == Qt::NoPen) {
            auto* box = new QGraphicsRectItem(swatch, fanLegend);
            box->setBrush(entry->swatch);
            box->setPen(Qt::NoPen);
        } else {
            auto* mark = new QGraphicsLineItem(
                QLineF(swatch.left(), swatch.center().y(), swatch.right(), swatch.center().y()), fanLegend);
            mark->setPen(entry->line);
        }
        auto* text = new QGraphicsSimpleTextItem(entry->name, fanLegend);
        text->setFont(legendFont);
        text->setPos(at.x() + LEGEND_SWATCH + 3, at.y() + (row - metrics.height()) / 2);
    }
}
