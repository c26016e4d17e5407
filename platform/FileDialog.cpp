#include "platform/FileDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include <deque>

namespace {
// Answers are queued rather than stored once so that a test can script a
// command that shows more than one dialog.
std::deque<std::optional<QStringList>> nextAnswers;
bool headlessDialogs = false;
}  // namespace

void FileDialog::SetNextAnswer(std::optional<QString> path)
{
    nextAnswers.push_back(path ? std::optional<QStringList>(QStringList{*path}) : std::nullopt);
}

void FileDialog::SetNextAnswers(const QStringList& paths)
{
    nextAnswers.push_back(paths);
}

void FileDialog::SetHeadless(bool headless)
{
    headlessDialogs = headless;
    if (!headless) nextAnswers.clear();
}

bool FileDialog::Headless()
{
    return headlessDialogs;
}

bool FileDialog::Execute(QWidget* parent, const QString& dialogTitle, const QString& fileNameLabel)
{
    title = dialogTitle;
    std::optional<QStringList> answer;
    if (!nextAnswers.empty()) {
        answer = nextAnswers.front();
        nextAnswers.pop_front();
    } else if (headlessDialogs) {
        return false;
    } else {
        QFileDialog dialog(parent);
        dialog.setAcceptMode(kind == Kind::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(kind == Kind::Save       ? QFileDialog::AnyFile
                           : kind == Kind::OpenMany ? QFileDialog::ExistingFiles
                                                    : QFileDialog::ExistingFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setNameFilters(filter.split(QStringLiteral(";;")));
        if (!dialogTitle.isEmpty()) dialog.setWindowTitle(dialogTitle);
        if (!fileNameLabel.isEmpty()) dialog.setLabelText(QFileDialog::FileName, fileNameLabel);
        const QFileInfo last(fileName);
        if (last.isAbsolute()) dialog.setDirectory(last.absolutePath());
        dialog.selectFile(last.fileName());
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
        answer = dialog.selectedFiles();
    }
    if (!answer || answer->isEmpty()) return false;
    fileNames.clear();
    for (const QString& name : *answer) fileNames.append(QFileInfo(name).absoluteFilePath());
    fileName = fileNames.constFirst();
    return true;
}
