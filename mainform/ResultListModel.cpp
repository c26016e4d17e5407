#include "mainform/ResultListModel.h"

#include <algorithm>
#include <climits>

#include "analysis/PlayListText.h"
#include "analysis/ResultAnalysis.h"
#include "sim/PlaySeries.h"

ResultListModel::ResultListModel(const PlaySeries& series, QObject* parent)
    : QAbstractTableModel(parent), windowSeries(series), series(&series)
{
}

void ResultListModel::SetRowCount(std::size_t count)
{
    beginResetModel();
    series = &windowSeries;
    keptRows = PlaySeries();
    // A view counts rows in int; longer runs are refused before they start.
    rows =
        static_cast<int>(std::min<std::size_t>({count, series->Size(), static_cast<std::size_t>(INT_MAX)}));
    endResetModel();
}

void ResultListModel::KeepShownRows(PlaySeries& windowSeriesToEmpty)
{
    // Rows kept already are the ones on show (the window's series then holds
    // a batch's last simulation, never shown).
    if (series != &keptRows) {
        keptRows = std::move(windowSeriesToEmpty);
        series = &keptRows;
    }
    windowSeriesToEmpty = PlaySeries();
}

void ResultListModel::ReturnKeptRows(PlaySeries& windowSeriesToFill)
{
    if (series != &keptRows) {
        windowSeriesToFill.Clear();
        return;
    }
    windowSeriesToFill = std::move(keptRows);
    keptRows = PlaySeries();
    series = &windowSeries;
}

int ResultListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows;
}

int ResultListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : PLAY_LIST_COLUMNS;
}

QVariant ResultListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole ||
        !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const auto row = static_cast<std::size_t>(index.row());
    if (row >= series->Size()) return {};
    return QString::fromStdString(PlayListCell((*series)[row], index.column()));
}

QVariant ResultListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= PLAY_LIST_COLUMNS)
        return {};
    const std::string_view caption = PLAY_LIST_CAPTIONS[static_cast<std::size_t>(section)];
    return QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size()));
}
