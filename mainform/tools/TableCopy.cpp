#include "mainform/tools/TableCopy.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QItemSelectionModel>
#include <QTableView>
#include <QTreeWidget>

#include <algorithm>
#include <vector>

#include "mainform/Unit1.h"
#include "platform/ErrorDisplay.h"
#include "ui_MainForm.h"

namespace {

void AppendRow(const QAbstractItemModel& model, int row, QString& text)
{
    for (int column = 0; column < model.columnCount(); ++column) {
        if (column > 0) text += QLatin1Char('\t');
        // A TAB or line break inside a cell would split it; none is expected.
        QString cell = model.data(model.index(row, column)).toString();
        cell.replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        text += cell;
    }
    text += QLatin1Char('\n');
}

// The selected rows in order, from the selection's ranges: a million selected
// rows are a few ranges, not a million indexes.
std::vector<int> SelectedRows(const QAbstractItemView& view, int limit)
{
    std::vector<std::pair<int, int>> ranges;
    if (view.selectionModel())
        for (const QItemSelectionRange& range : view.selectionModel()->selection())
            ranges.emplace_back(range.top(), range.bottom());
    std::sort(ranges.begin(), ranges.end());
    std::vector<int> rows;
    int next = 0;
    for (const auto& [top, bottom] : ranges) {
        for (int row = std::max(top, next); row <= bottom; ++row) {
            if (limit >= 0 && static_cast<int>(rows.size()) > limit) return rows;
            rows.push_back(row);
        }
        next = std::max(next, bottom + 1);
    }
    return rows;
}

void Copy(QAbstractItemView* view, bool selectedOnly, int limit, TMainForm* noteTo)
{
    bool truncated = false;
    const QString text = TableText(*view, selectedOnly, limit, &truncated);
    QApplication::clipboard()->setText(text);
    if (truncated && noteTo)
        noteTo->SetStatusText(
            QStringLiteral("先頭の%1行をコピーしました。すべての行はファイル → エクスポート... (CSV) で"
                           "書き出せます。")
                .arg(limit));
}

}  // namespace

QString TableText(const QAbstractItemView& view, bool selectedOnly, int limit, bool* truncated)
{
    const QAbstractItemModel* model = view.model();
    QString text;
    if (truncated) *truncated = false;
    if (!model) return text;
    for (int column = 0; column < model->columnCount(); ++column) {
        if (column > 0) text += QLatin1Char('\t');
        text += model->headerData(column, Qt::Horizontal).toString();
    }
    text += QLatin1Char('\n');
    std::vector<int> rows;
    if (selectedOnly) {
        rows = SelectedRows(view, limit);
    } else {
        const int count = limit >= 0 ? std::min(model->rowCount(), limit + 1) : model->rowCount();
        rows.resize(static_cast<std::size_t>(count));
        for (int row = 0; row < count; ++row) rows[static_cast<std::size_t>(row)] = row;
    }
    // One row past the limit was taken only to tell that there are more.
    if (limit >= 0 && static_cast<int>(rows.size()) > limit) {
        rows.resize(static_cast<std::size_t>(limit));
        if (truncated) *truncated = true;
    }
    for (const int row : rows) AppendRow(*model, row, text);
    return text;
}

void AddCopyCommands(QAbstractItemView* view, int limit, TMainForm* noteTo)
{
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    auto* copy = new QAction(QStringLiteral("コピー"), view);
    copy->setObjectName(view->objectName() + QStringLiteral("Copy"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    auto* copyAll = new QAction(QStringLiteral("すべてコピー"), view);
    copyAll->setObjectName(view->objectName() + QStringLiteral("CopyAll"));
    QObject::connect(copy, &QAction::triggered, view,
                     [view, limit, noteTo] { RunHandler([&] { Copy(view, true, limit, noteTo); }); });
    QObject::connect(copyAll, &QAction::triggered, view,
                     [view, limit, noteTo] { RunHandler([&] { Copy(view, false, limit, noteTo); }); });
    view->addAction(copy);
    view->addAction(copyAll);
    view->setContextMenuPolicy(Qt::ActionsContextMenu);
}

void AddCopyCommands(TMainForm& form)
{
    Ui::TMainForm& ui = *form.ui;
    AddCopyCommands(ui.ResultListView, PLAY_LIST_COPY_LIMIT, &form);
    for (QAbstractItemView* list :
         {static_cast<QAbstractItemView*>(ui.BListView), static_cast<QAbstractItemView*>(ui.RenListView),
          static_cast<QAbstractItemView*>(ui.KoyakuListView),
          static_cast<QAbstractItemView*>(ui.ModeStayListView),
          static_cast<QAbstractItemView*>(ui.RTCancelListView)})
        AddCopyCommands(list);
    // Tables of pages built in their own sources.
    for (const char* name : {"TheoryListView", "EstimateTable"})
        if (auto* table = form.findChild<QAbstractItemView*>(QString::fromLatin1(name)))
            AddCopyCommands(table);
}
