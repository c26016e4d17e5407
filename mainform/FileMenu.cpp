#include "mainform/FileMenu.h"

#include <QAction>
#include <QMenu>

void BuildFileMenu(QMenu& menu, const FileMenuEntries& entries)
{
    // The separator is the designer's own (it carries its name), so keep it.
    QAction* separator = nullptr;
    for (QAction* action : menu.actions()) {
        if (action->isSeparator() && !separator) separator = action;
        menu.removeAction(action);
    }
    if (!separator) {
        separator = new QAction(&menu);
        separator->setSeparator(true);
    }
    menu.addActions({entries.open, entries.summary, entries.recent->menuAction(), entries.save,
                     entries.chartImages, entries.exportFile, separator, entries.start, entries.exit});
}
