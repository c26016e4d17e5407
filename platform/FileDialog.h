#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

// The window's open and save dialogs: initial name "*.sim", the one filter
// "Mirvosimファイル (*.sim)", no default extension, no question before
// replacing a file. Each dialog keeps the last name confirmed in it and
// proposes it the next time.
//
// Tests queue the answer of the next Execute with SetNextAnswer (a path to
// confirm, or nullopt to cancel) or SetNextAnswers (the paths of an OpenMany
// dialog); with SetHeadless(true) an Execute without a queued answer cancels
// instead of showing a dialog, so no test ever blocks.
class FileDialog {
public:
    // OpenMany: existing files, any number of them (FileNames()).
    enum class Kind { Open, Save, OpenMany };

    explicit FileDialog(Kind dialogKind) : kind(dialogKind) {}
    // A dialog for other files (exports, images): its own name filters
    // ("PNG (*.png);;SVG (*.svg)") and first proposed name.
    FileDialog(Kind dialogKind, QString nameFilters, QString initialName)
        : kind(dialogKind), filter(std::move(nameFilters)), fileName(std::move(initialName))
    {
    }

    // Modal. True when the user confirmed a name; FileName() is then its full
    // path. A cancel leaves FileName() as it was.
    // A non-empty title and file-name label replace the dialog's own; the
    // title stays readable through Title() until the next Execute.
    bool Execute(QWidget* parent, const QString& title = QString(), const QString& fileNameLabel = QString());
    QString FileName() const { return fileName; }
    // Every name confirmed by the last Execute, as full paths (one for Open
    // and Save).
    QStringList FileNames() const { return fileNames; }
    QString Title() const { return title; }
    void SetFileName(const QString& name) { fileName = name; }

    static void SetNextAnswer(std::optional<QString> path);
    static void SetNextAnswers(const QStringList& paths);
    static void SetHeadless(bool headless);
    static bool Headless();

private:
    Kind kind;
    QString filter = QStringLiteral("Mirvosimファイル (*.sim)");
    QString fileName = QStringLiteral("*.sim");
    QStringList fileNames;
    QString title;
};
