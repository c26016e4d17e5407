#include "mainform/views/ResultListModel.h"

#include <algorithm>
#include <climits>

#include "analysis/PlayListText.h"
#include "analysis/ResultAnalysis.h"
#include "sim/PlaySeries.h"

void ResultListModel::Show(std::shared_ptr<const PlaySeries> shown)
{
    beginResetModel();
    series = std::move(shown);
    // A view counts rows in int; longer runs are refused before they start.
    rows = series ? static_cast<int>(std::min<std::size_t>(series->Size(), static_cast<std::size_t>(INT_MAX)))
                  : 0;
    endResetModel();
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
    if (!series || row >= series->Size()) return {};
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
