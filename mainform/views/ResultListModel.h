#pragma once

#include <QAbstractTableModel>

#include <memory>

#include "sim/PlaySeries.h"

// The play list "PLAY情報" as a virtual list: it formats a line's cells when
// the view asks for them, so a million rows cost no memory of their own.
// data() plays the role of ResultListViewData.
//
// The list co-owns the series it shows: the window may drop or replace its
// own run at any time, and the rows on show stay valid until the next Show.
class ResultListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    // Shows every row of `series`; nullptr shows none and lets the rows go.
    void Show(std::shared_ptr<const PlaySeries> series);
    const std::shared_ptr<const PlaySeries>& Series() const { return series; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::shared_ptr<const PlaySeries> series;
    int rows = 0;
};
