#include "platform/Shell.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QProcess>
#include <QUrl>

namespace {

ShellRecorder& Recorder()
{
    static ShellRecorder recorder;
    return recorder;
}

QUrl DocumentUrl(const QString& target)
{
    if (QDir::isAbsolutePath(target)) return QUrl::fromLocalFile(target);
    return QUrl(target, QUrl::StrictMode);
}

}  // namespace

bool ShellExecute(const ShellCall& call)
{
    if (Recorder()) {
        Recorder()(call);
        return true;
    }
    switch (call.verb) {
        case ShellVerb::Open:
            return QDesktopServices::openUrl(DocumentUrl(call.target));
        case ShellVerb::Run:
            return QProcess::startDetached(call.target, QProcess::splitCommand(call.parameters));
    }
    return false;
}

QString ExecutableFolderFile(const QString& fileName)
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(fileName);
}

void SetShellRecorder(ShellRecorder recorder)
{
    Recorder() = std::move(recorder);
}
