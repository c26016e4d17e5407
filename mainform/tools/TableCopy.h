#pragma once

#include <QString>

class QAbstractItemView;
class TMainForm;

// Copying from the window's lists to the clipboard as TAB-separated text
// with the header line, ready to paste into a spreadsheet: Ctrl+C and the
// context menu's "コピー" take the selected rows, "すべてコピー" the whole
// list. The play list copies at most PLAY_LIST_COPY_LIMIT rows; beyond that
// the status bar points to CSV export.

constexpr int PLAY_LIST_COPY_LIMIT = 100000;

// The header and the rows (selected ones only when `selectedOnly`), each line
// ending in LF; at most `limit` rows. `truncated` tells whether rows were left.
QString TableText(const QAbstractItemView& view, bool selectedOnly, int limit, bool* truncated = nullptr);

// Gives a list the row selection, the shortcut and the context menu.
void AddCopyCommands(QAbstractItemView* view, int limit = -1, TMainForm* noteTo = nullptr);

// The window's six lists.
void AddCopyCommands(TMainForm& form);
