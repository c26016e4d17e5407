#pragma once

#include <QWidget>

#include <array>
#include <string>

#include "estimate/SettingEstimate.h"
#include "slot/MachineCodes.h"

class QChart;
class QChartView;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QTableWidget;

// The bar chart of a posterior: six bars, the most likely one in its own
// colour. Empty bars for an estimate that failed. The caller owns the chart;
// the export of charts saves the same picture.
QChart* MakePosteriorChart(const SettingEstimate& estimate);

// The line chart of P(setting s) over the run's plays, a point after each bonus.
QChart* MakePosteriorPathChart(const SettingEstimate& estimate);

// The tab "設定推測": the posterior over the settings of the run shown.
//
// To be used as follows: Show() after every display pass with the series it
// showed; the page computes both evidences' likelihoods once and keeps them,
// so switching the evidence or editing the prior never reads the series again
// (a batch may have replaced it meanwhile). Nothing on the page tells the run's
// setting: the likelihood never reads it, and a hidden setting stays hidden
// until RevealSetting() (設定確認) names it.
class EstimatePage : public QWidget {
    Q_OBJECT

public:
    explicit EstimatePage(QWidget* parent = nullptr);

    void Show(const PlaySeries& series);
    void Clear();
    // A file the estimate refuses: no posterior, `reason` below the table.
    void Refuse(const std::string& reason);
    // Marks the run's setting in the table, once the user has asked for it.
    void RevealSetting(int setting);

    const SettingEstimate& Estimate() const { return estimate; }
    // The posterior bars, which the window offers as a chart image.
    QChartView* PosteriorView() const { return barView; }
    SettingValues Prior() const;
    void SetPrior(const SettingValues& prior);
    void SetEvidence(Evidence evidence);

    // A hall's usual distribution of settings (weights of settings 1..6).
    static constexpr SettingValues HALL_PRIOR = {35, 25, 18, 10, 7, 5};

private:
    void Update();
    void SavePrior() const;

    QComboBox* evidenceBox = nullptr;
    std::array<QDoubleSpinBox*, SETTING_COUNT> weightBoxes{};
    QChartView* barView = nullptr;
    QChartView* pathView = nullptr;
    QTableWidget* table = nullptr;
    QLabel* payoutLabel = nullptr;

    bool shown = false;
    SeriesLikelihood hall;
    SeriesLikelihood record;
    SettingEstimate estimate;
    std::string refusal;
    int revealed = 0;
    bool loading = false;
};
