#pragma once

#include <QObject>
#include <QString>

struct StatTab;
class QChartView;
class QPieSeries;
class QTreeWidget;

// One statistics tab (連チャン, 小役, モード滞在, RT解除): its list of rates and
// the pie beside it, filled from the analysis of a run.
class RateStatisticsView : public QObject {
    Q_OBJECT

public:
    // Builds the pie inside `chartView`; `seriesName` names the pie's series
    // as the report names its section.
    RateStatisticsView(QTreeWidget* rateList, QChartView* chartView, const QString& seriesName);

    void Show(const StatTab& tab);
    void Clear();

    QTreeWidget* List() const { return list; }
    QPieSeries* Pie() const { return pie; }

private:
    QTreeWidget* list;
    QPieSeries* pie;
};
