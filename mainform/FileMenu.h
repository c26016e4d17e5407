#pragma once

class QAction;
class QMenu;

// The commands of ファイル by name. The designer's entries come with the
// window; the others are made by the parts of the window that run them.
struct FileMenuEntries {
    QAction* open = nullptr;
    QAction* summary = nullptr;
    QMenu* recent = nullptr;
    QAction* save = nullptr;
    QAction* chartImages = nullptr;
    QAction* exportFile = nullptr;
    QAction* start = nullptr;
    QAction* exit = nullptr;
};

// Lays out `menu` once, in the order users know: the commands that read or
// write files, the designer's separator, then 開始 and 終了. Call it after
// every entry exists; nothing is inserted by position later.
void BuildFileMenu(QMenu& menu, const FileMenuEntries& entries);
