#pragma once

#include <QAbstractTableModel>

#include <cstddef>

#include "sim/PlaySeries.h"

// The play list "PLAY情報" as a virtual list: it holds only a row count and
// formats a line's cells when the view asks for them, so a million rows cost
// no memory of their own. data() plays the role of ResultListViewData.
//
// The series must not change while the count is above 0: the window sets the
// count after a display pass and back to 0 before the series is replaced, or
// hands the shown rows over with KeepShownRows when it replaces the series
// without showing the new ones (a batch).
class ResultListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit ResultListModel(const PlaySeries& series, QObject* parent = nullptr);

    // Rows 0..count-1 of the window's series become visible (count <= series
    // size); rows kept by KeepShownRows are released.
    void SetRowCount(std::size_t count);
    // Takes the rows on show, so the list keeps showing them while the window's
    // series is refilled. The window's series is left empty.
    void KeepShownRows(PlaySeries& windowSeries);
    // Gives rows taken by KeepShownRows back to the window's series (which
    // must not be on show); without kept rows the series is emptied.
    void ReturnKeptRows(PlaySeries& windowSeries);
    // True while the list reads rows of the window's series.
    bool ReadsWindowSeries() const { return series == &windowSeries && rows > 0; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const PlaySeries& windowSeries;
    const PlaySeries* series;  // the window's series or keptRows
    PlaySeries keptRows;
    int rows = 0;
};
