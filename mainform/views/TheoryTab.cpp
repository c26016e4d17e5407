#include "mainform/views/TheoryTab.h"

#include <QAreaSeries>
#include <QBrush>
#include <QChart>
#include <QChartView>
#include <QGraphicsLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QPen>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

#include "mainform/views/SettingPalette.h"
#include "sim/PlaySeries.h"
#include "theory/RunComparison.h"

namespace {

// Plot width before the chart was ever laid out (hidden window).
constexpr int FALLBACK_COLUMNS = 300;
// The first games swing too wildly to set the payout axis by.
constexpr std::int64_t SETTLE_GAMES = 200;
constexpr int RUN_COLUMN = 0;
// The tab goes right after the six result tabs, whatever was added since.
constexpr int SIX_TABS = 6;

const QColor MARK_COLOR(255, 255, 170);

QString Number(double value)
{
    return QString::number(value, 'g', 6);
}

}  // namespace

ConvergenceChart::ConvergenceChart(QChartView* chartView,
                                   const std::array<SettingTheory, SETTING_COUNT>& theories)
    : QObject(chartView), view(chartView), chart(new QChart), theory(theories)
{
    chart->setMargins(QMargins(0, 0, 0, 0));
    chart->setBackgroundRoundness(0);
    chart->setAnimationOptions(QChart::NoAnimation);
    // The tab is small: no title or legend; the table beside it names the
    // lines' colours in its headers.
    chart->legend()->hide();
    QFont small = view->font();
    small.setPixelSize(9);

    axisX = new QValueAxis;
    axisX->setLabelFormat(QStringLiteral("%.0f"));
    axisX->setLabelsFont(small);
    axisX->setTickCount(3);
    axisY = new QValueAxis;
    axisY->setLabelFormat(QStringLiteral("%.0f%%"));
    axisY->setLabelsFont(small);
    axisY->setTickCount(5);
    chart->addAxis(axisX, Qt::AlignBottom);
    chart->addAxis(axisY, Qt::AlignLeft);

    bandUpper = new QLineSeries(this);
    bandLower = new QLineSeries(this);
    band = new QAreaSeries(bandUpper, bandLower);
    band->setName(QStringLiteral("95%帯"));
    band->setObjectName(QStringLiteral("TheoryBand"));
    band->setBrush(QColor(255, 160, 0, 70));
    band->setPen(QPen(QColor(255, 160, 0, 160), 1));
    chart->addSeries(band);
    for (int s = 0; s < SETTING_COUNT; ++s) {
        auto* line = new QLineSeries;
        line->setName(QStringLiteral("設定%1").arg(s + 1));
        line->setObjectName(QStringLiteral("TheorySetting%1").arg(s + 1));
        line->setPen(QPen(THEORY_SETTING_COLOURS[static_cast<std::size_t>(s)], 1, Qt::DashLine));
        chart->addSeries(line);
        settingLines[static_cast<std::size_t>(s)] = line;
    }
    runSeries = new QLineSeries;
    runSeries->setName(QStringLiteral("このシミュレーション"));
    runSeries->setObjectName(QStringLiteral("TheoryRunSeries"));
    runSeries->setPen(QPen(Qt::red, 1.5));
    runSeries->setUseOpenGL(false);
    chart->addSeries(runSeries);
    for (QAbstractSeries* series : chart->series()) {
        series->attachAxis(axisX);
        series->attachAxis(axisY);
    }
    view->setChart(chart);
    view->setRenderHint(QPainter::Antialiasing, false);
    connect(chart, &QChart::plotAreaChanged, this, [this] {
        if (PlotColumns() != columnsShown) Refresh();
    });
    Clear();
}

void ConvergenceChart::Clear()
{
    payout.clear();
    payout.shrink_to_fit();
    Refresh();
}

void ConvergenceChart::Show(const PlaySeries& series, std::optional<int> setting)
{
    payout.clear();
    // Bounded by the rows too: the last play count of a damaged file can be anything.
    if (!series.Empty() && series.Back().playCount > 0)
        payout.reserve(std::min(static_cast<std::size_t>(series.Back().playCount), series.Size()));
    for (const PlayRow& row : series.Rows()) {
        if (!row.IsNormalGame() || row.playCount < 1) continue;
        const double in = 3.0 * row.playCount;
        payout.push_back(static_cast<float>((row.medals + in) / in * 100));
    }
    bandSetting = setting;
    Refresh();
}

void ConvergenceChart::SetBandSetting(std::optional<int> setting)
{
    bandSetting = setting;
    Refresh();
}

int ConvergenceChart::PlotColumns() const
{
    const int width = static_cast<int>(chart->plotArea().width());
    return width > 10 ? width : FALLBACK_COLUMNS;
}

void ConvergenceChart::Refresh()
{
    const int columns = PlotColumns();
    columnsShown = columns;
    const auto n = static_cast<std::int64_t>(payout.size());
    band->setVisible(n > 0 && bandSetting.has_value());
    if (n == 0) {
        runSeries->clear();
        for (QLineSeries* line : settingLines) line->clear();
        bandUpper->clear();
        bandLower->clear();
        axisX->setRange(1, 8000);
        axisY->setRange(90, 120);
        return;
    }

    // Minimum and maximum of each pixel column, in the order they were reached.
    QList<QPointF> points;
    points.reserve(2 * columns + 2);
    const std::int64_t settle = std::min<std::int64_t>(SETTLE_GAMES, n / 2);
    double low = payout[static_cast<std::size_t>(settle)], high = low;
    for (int c = 0; c < columns; ++c) {
        const std::int64_t from = n * c / columns, to = n * (c + 1) / columns;
        if (from >= to) continue;
        std::int64_t lo = from, hi = from;
        for (std::int64_t i = from; i < to; ++i) {
            if (payout[static_cast<std::size_t>(i)] < payout[static_cast<std::size_t>(lo)]) lo = i;
            if (payout[static_cast<std::size_t>(i)] > payout[static_cast<std::size_t>(hi)]) hi = i;
        }
        const std::int64_t first = std::min(lo, hi), second = std::max(lo, hi);
        points.append(QPointF(static_cast<double>(first) + 1.0, payout[static_cast<std::size_t>(first)]));
        if (second != first)
            points.append(
                QPointF(static_cast<double>(second) + 1.0, payout[static_cast<std::size_t>(second)]));
        if (to > settle) {
            const std::int64_t start = std::max(from, settle);
            for (std::int64_t i : {start, lo, hi})
                if (i >= settle) {
                    low = std::min<double>(low, payout[static_cast<std::size_t>(i)]);
                    high = std::max<double>(high, payout[static_cast<std::size_t>(i)]);
                }
        }
    }
    runSeries->replace(points);

    // Theory from the settled start on: the expectation at each N bends with
    // the fresh-start offset, so it is drawn as sampled, one point a column.
    const double x0 = std::max<double>({1.0, static_cast<double>(settle), static_cast<double>(n) / 25});
    const double x1 = static_cast<double>(n);
    auto at = [&](int c) {
        return static_cast<std::int64_t>(std::llround(x0 + (x1 - x0) * c / std::max(1, columns - 1)));
    };
    for (int s = 0; s < SETTING_COUNT; ++s) {
        QList<QPointF> line;
        line.reserve(columns);
        for (int c = 0; c < columns; ++c) {
            const std::int64_t games = at(c);
            line.append(QPointF(static_cast<double>(games),
                                theory[static_cast<std::size_t>(s)].ExpectedPayout(games)));
        }
        low = std::min(low, line.back().y());
        high = std::max(high, line.back().y());
        settingLines[static_cast<std::size_t>(s)]->replace(line);
    }
    QList<QPointF> upper, lower;
    if (bandSetting) {
        const SettingTheory& t = theory[static_cast<std::size_t>(*bandSetting - 1)];
        upper.reserve(columns);
        lower.reserve(columns);
        for (int c = 0; c < columns; ++c) {
            const std::int64_t games = at(c);
            const TheoryBand b = t.PayoutBand(games);
            upper.append(QPointF(static_cast<double>(games), b.high));
            lower.append(QPointF(static_cast<double>(games), b.low));
        }
    }
    bandUpper->replace(upper);
    bandLower->replace(lower);

    const double pad = std::max(1.0, (high - low) * 0.08);
    axisX->setRange(1, std::max<double>(2, x1));
    axisY->setRange(std::floor(low - pad), std::ceil(high + pad));
}

std::unique_ptr<QChartView> RenderConvergenceChart(const PlaySeries& series, std::optional<int> bandSetting,
                                                   QSize size)
{
    auto view = std::make_unique<QChartView>();
    view->resize(size);
    auto* chart = new ConvergenceChart(view.get(), TheoryTab::Theory());
    chart->Chart()->resize(size);
    if (QGraphicsLayout* layout = chart->Chart()->layout()) layout->activate();
    chart->Show(series, bandSetting);
    return view;
}

const std::array<SettingTheory, SETTING_COUNT>& TheoryTab::Theory()
{
    static const std::array<SettingTheory, SETTING_COUNT> all = ComputeAllTheory();
    return all;
}

TheoryTab::TheoryTab(QTabWidget* pages) : QObject(pages)
{
    page = new QWidget;
    page->setObjectName(QStringLiteral("TheorySheet"));
    auto* layout = new QHBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);

    const std::vector<std::string> names = FigureNames();
    table = new QTableWidget(static_cast<int>(names.size()), 7, page);
    table->setObjectName(QStringLiteral("TheoryListView"));
    QStringList columns{QStringLiteral("このシミュレーション")};
    for (int s = SETTING_MIN; s <= SETTING_MAX; ++s) columns.append(QStringLiteral("設定%1").arg(s));
    table->setHorizontalHeaderLabels(columns);
    QStringList rows;
    for (const std::string& name : names) rows.append(QString::fromStdString(name));
    table->setVerticalHeaderLabels(rows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->setDefaultSectionSize(18);
    table->horizontalHeader()->setDefaultSectionSize(62);
    table->setColumnWidth(RUN_COLUMN, std::max(112, table->horizontalHeader()->sectionSizeHint(RUN_COLUMN)));
    table->horizontalHeaderItem(RUN_COLUMN)->setForeground(Qt::red);
    table->horizontalHeaderItem(RUN_COLUMN)
        ->setToolTip(QStringLiteral(
            "このシミュレーションの値。グラフの赤線は機械割の推移、点線は各設定の期待値、帯は設定の95%範囲"));
    for (int s = 0; s < SETTING_COUNT; ++s) {
        const std::vector<std::optional<double>> values = TheoryValues(Theory()[static_cast<std::size_t>(s)]);
        for (std::size_t r = 0; r < values.size(); ++r) {
            auto* item = new QTableWidgetItem(values[r] ? Number(*values[r]) : QStringLiteral("-"));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (values[r]) item->setToolTip(QString::number(*values[r], 'g', 15));
            table->setItem(static_cast<int>(r), s + 1, item);
        }
    }
    for (int r = 0; r < table->rowCount(); ++r) {
        auto* item = new QTableWidgetItem;
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        table->setItem(r, RUN_COLUMN, item);
    }

    refusal = new QLabel(page);
    refusal->setObjectName(QStringLiteral("TheoryRefusalLabel"));
    refusal->setWordWrap(true);
    refusal->setStyleSheet(QStringLiteral("color: #c00000"));
    refusal->hide();
    auto* left = new QVBoxLayout;
    left->setContentsMargins(0, 0, 0, 0);
    left->setSpacing(2);
    left->addWidget(refusal);
    left->addWidget(table, 1);

    chartView = new QChartView(page);
    chartView->setObjectName(QStringLiteral("TheoryChart"));
    convergence = new ConvergenceChart(chartView, Theory());
    layout->addLayout(left, 3);
    layout->addWidget(chartView, 2);
    pages->insertTab(std::min(SIX_TABS, pages->count()), page, QStringLiteral("理論値"));
    // A hidden table has no width to scroll in: bring the marked column into
    // view when the tab is shown.
    connect(pages, &QTabWidget::currentChanged, this, [this, pages](int index) {
        if (pages->widget(index) == page) ScrollToMarked();
    });
    Clear();
}

void TheoryTab::Show(const PlaySeries& series, std::optional<int> knownSetting)
{
    refusal->hide();
    const RunFigures run = ComputeRunFigures(series);
    for (std::size_t r = 0; r < run.rows.size(); ++r) {
        QTableWidgetItem* item = table->item(static_cast<int>(r), RUN_COLUMN);
        const auto& value = run.rows[r].run;
        item->setText(value ? Number(*value) : QStringLiteral("-"));
        item->setToolTip(value ? QString::number(*value, 'g', 15) : QString());
    }
    shown = run.plays > 0;
    if (knownSetting && (*knownSetting < SETTING_MIN || *knownSetting > SETTING_MAX)) knownSetting.reset();
    Mark(knownSetting);
    convergence->Show(series, knownSetting);
}

void TheoryTab::RevealSetting(int setting)
{
    if (!shown || marked || setting < SETTING_MIN || setting > SETTING_MAX) return;
    Mark(setting);
    convergence->SetBandSetting(setting);
}

void TheoryTab::Clear()
{
    for (int r = 0; r < table->rowCount(); ++r) table->item(r, RUN_COLUMN)->setText(QString());
    shown = false;
    refusal->hide();
    Mark(std::nullopt);
    convergence->Clear();
}

void TheoryTab::Refuse(const QString& reason)
{
    Clear();
    for (int r = 0; r < table->rowCount(); ++r) table->item(r, RUN_COLUMN)->setText(QStringLiteral("-"));
    refusal->setText(QStringLiteral("このファイルは理論値と比べられません: %1").arg(reason));
    refusal->show();
}

void TheoryTab::ScrollToMarked()
{
    if (!marked || !table->isVisible()) return;
    table->scrollToItem(table->item(std::max(table->currentRow(), 0), *marked));
}

void TheoryTab::Mark(std::optional<int> setting)
{
    marked = setting;
    for (int s = SETTING_MIN; s <= SETTING_MAX; ++s) {
        const bool on = setting == s;
        QTableWidgetItem* header = table->horizontalHeaderItem(s);
        header->setText(on ? QStringLiteral("▶設定%1").arg(s) : QStringLiteral("設定%1").arg(s));
        header->setForeground(THEORY_SETTING_COLOURS[static_cast<std::size_t>(s - 1)]);
        QFont font = header->font();
        font.setBold(on);
        header->setFont(font);
        for (int r = 0; r < table->rowCount(); ++r)
            table->item(r, s)->setBackground(on ? QBrush(MARK_COLOR) : QBrush());
    }
    ScrollToMarked();
}
