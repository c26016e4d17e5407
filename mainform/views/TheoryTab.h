#pragma once

#include <QObject>
#include <QSize>

#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "slot/MachineCodes.h"
#include "theory/Theory.h"

class PlaySeries;
class QAreaSeries;
class QChart;
class QChartView;
class QLabel;
class QLineSeries;
class QTabWidget;
class QWidget;
class QTableWidget;
class QValueAxis;

// The convergence chart: a run's running payout over its normal games, the
// expected payout of each setting at N (a fresh run starts below the long-run
// value, so the lines bend towards it) and the 95 % band of one setting,
// narrowing as 1/√N.
//
// The running payout is kept once per normal game as a float; the chart gets
// its minimum and maximum per pixel column of the plot, recomputed only when
// the run or the plot's width changes, so a repaint draws a few thousand
// points whatever the run's length.
class ConvergenceChart : public QObject {
    Q_OBJECT

public:
    // Builds the chart inside `view` (which owns it).
    ConvergenceChart(QChartView* view, const std::array<SettingTheory, SETTING_COUNT>& theory);

    // The run of `series`; the band is that of `bandSetting` (none: no band).
    void Show(const PlaySeries& series, std::optional<int> bandSetting);
    void SetBandSetting(std::optional<int> setting);
    void Clear();

    QChart* Chart() const { return chart; }
    QLineSeries* RunSeries() const { return runSeries; }
    const std::array<QLineSeries*, SETTING_COUNT>& SettingLines() const { return settingLines; }
    QAreaSeries* Band() const { return band; }

private:
    void Refresh();
    int PlotColumns() const;

    QChartView* view;
    QChart* chart;
    const std::array<SettingTheory, SETTING_COUNT>& theory;
    std::vector<float> payout;  // running payout after normal game n + 1
    std::optional<int> bandSetting;
    QLineSeries* runSeries = nullptr;
    std::array<QLineSeries*, SETTING_COUNT> settingLines{};
    QLineSeries* bandUpper = nullptr;
    QLineSeries* bandLower = nullptr;
    QAreaSeries* band = nullptr;
    QValueAxis* axisX = nullptr;
    QValueAxis* axisY = nullptr;
    int columnsShown = -1;
};

// Draws the convergence chart of `series` into a view of its own, for saving
// as an image: `bandSetting` as in ConvergenceChart::Show. The view is not
// shown; grab() it or render its scene.
std::unique_ptr<QChartView> RenderConvergenceChart(const PlaySeries& series, std::optional<int> bandSetting,
                                                   QSize size);

// The tab "理論値": the table of every figure (the run beside the theory of
// the six settings, the run's setting column marked once it is known) and the
// convergence chart below it.
class TheoryTab : public QObject {
    Q_OBJECT

public:
    // Adds the tab to `pages` right after the six result tabs.
    explicit TheoryTab(QTabWidget* pages);

    // A run: `knownSetting` is none for a hidden setting not yet revealed.
    void Show(const PlaySeries& series, std::optional<int> knownSetting);
    // 設定確認 of a hidden run: marks its setting and shows its band.
    void RevealSetting(int setting);
    void Clear();
    // A file the comparison refuses: no run figures, `reason` above the table.
    void Refuse(const QString& reason);

    std::optional<int> MarkedSetting() const { return marked; }
    QWidget* Page() const { return page; }
    QTableWidget* Table() const { return table; }
    QLabel* RefusalLabel() const { return refusal; }
    ConvergenceChart* Convergence() const { return convergence; }
    QChartView* ChartView() const { return chartView; }

    // The theory of the six settings, computed once on first use.
    static const std::array<SettingTheory, SETTING_COUNT>& Theory();

private:
    void Mark(std::optional<int> setting);
    void ScrollToMarked();

    QWidget* page;
    QTableWidget* table;
    QLabel* refusal;
    QChartView* chartView;
    ConvergenceChart* convergence;
    std::optional<int> marked;
    bool shown = false;
};
