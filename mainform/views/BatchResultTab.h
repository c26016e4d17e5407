#pragma once

#include <QFont>
#include <QString>
#include <QWidget>

#include <map>
#include <optional>

#include "batchstats/Statistics.h"

class QAreaSeries;
class QChart;
class QChartView;
class QGraphicsRectItem;
class QGraphicsSimpleTextItem;
class QLabel;
class QLineSeries;
class QTableWidget;
class QValueAxis;

// The tab "一括結果": what many simulations say together. A table of the
// study's statistics (per setting too when the settings differ), the
// histogram of final balance in yen and the fan chart of balance over the
// plays: the 5–95 % and 25–75 % bands, the median, and the theory's
// expectation when every simulation has the same setting.
//
// Every figure cell keeps its exact value under Qt::UserRole (the text is
// rounded for the eye; the tooltip is the summary command's text).
class BatchResultTab : public QWidget {
    Q_OBJECT

public:
    // Rows of one group in the table, in order, below the group's own row.
    enum Statistic {
        FinalBalance,
        FinalBalanceYen,
        Payout,
        Big,
        Reg,
        LongestDrought,
        LowestBalance,
        STATISTICS
    };
    // Columns: the row's name, mean, sd, min, the percentiles, max, then the
    // theory's mean. The names are a column, not a header, so that a copy
    // of the table keeps them.
    static constexpr int NAME_COLUMN = 0;
    static constexpr int MEAN_COLUMN = 1;
    static constexpr int SD_COLUMN = 2;
    static constexpr int MIN_COLUMN = 3;
    static constexpr int FIRST_PERCENTILE_COLUMN = 4;
    static constexpr int MAX_COLUMN = FIRST_PERCENTILE_COLUMN + static_cast<int>(PERCENTILES.size());
    static constexpr int THEORY_COLUMN = MAX_COLUMN + 1;
    // Yen per medal, as the run's summary converts its balance.
    static constexpr int YEN_PER_MEDAL = 20;

    explicit BatchResultTab(QWidget* parent = nullptr);

    // `source` names where the simulations came from (above the table).
    void Show(const StudySummary& summary, const QString& source);

    // The row of a group's own line: the whole study, or one setting of a
    // study whose settings differ. Its item in MEAN_COLUMN holds the count
    // under Qt::UserRole and the share in profit under Qt::UserRole + 1; the
    // group's statistics follow in the rows below, in Statistic order.
    std::optional<int> GroupRow(std::optional<int> setting) const;

    QLabel* Caption() const { return caption; }
    QTableWidget* Table() const { return table; }
    QChartView* HistogramView() const { return histogramView; }
    QChartView* FanView() const { return fanView; }
    // x in yen / HistogramYenUnit() (1, 1000 or 10000, as the title says).
    QAreaSeries* HistogramArea() const { return histogramArea; }
    double HistogramYenUnit() const { return yenUnit; }
    QAreaSeries* OuterBand() const { return outerBand; }
    QAreaSeries* InnerBand() const { return innerBand; }
    QLineSeries* MedianLine() const { return medianLine; }
    // The theory's expected balance from 200 plays on, where it holds.
    QLineSeries* TheoryLine() const { return theoryLine; }

private:
    void BuildHistogram();
    void BuildFan();
    void FillTable(const StudySummary& summary);
    void FillHistogram(const Histogram& histogram);
    void FillFan(const StudySummary& summary);
    void FitHistogramTicks();
    void FitFanTicks();
    void PlaceFanLegend();

    QLabel* caption = nullptr;
    QTableWidget* table = nullptr;
    QChartView* histogramView = nullptr;
    QChartView* fanView = nullptr;
    QChart* histogramChart = nullptr;
    QChart* fanChart = nullptr;
    QAreaSeries* histogramArea = nullptr;
    QLineSeries* histogramUpper = nullptr;
    QValueAxis* yenAxis = nullptr;
    QValueAxis* countAxis = nullptr;
    QAreaSeries* outerBand = nullptr;
    QAreaSeries* innerBand = nullptr;
    QLineSeries* outerUpper = nullptr;
    QLineSeries* outerLower = nullptr;
    QLineSeries* innerUpper = nullptr;
    QLineSeries* innerLower = nullptr;
    QLineSeries* medianLine = nullptr;
    QLineSeries* theoryLine = nullptr;
    QValueAxis* playAxis = nullptr;
    QValueAxis* medalAxis = nullptr;
    QGraphicsSimpleTextItem* fanNote = nullptr;
    QGraphicsSimpleTextItem* histogramTitle = nullptr;
    double yenUnit = 1;
    QGraphicsRectItem* fanLegend = nullptr;
    QFont legendFont;
    int baseTop = 0;
    double fullPlays = 1;
    double fullYen = 1;
    double fullMedals = 1;
    std::optional<int> wholeRow;
    std::map<int, int> settingRows;
};
