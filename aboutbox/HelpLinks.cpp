#include "aboutbox/HelpLinks.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "Deployment.h"
#include "platform/Shell.h"

bool OpenManual()
{
    const QString target = ManualPath(QCoreApplication::applicationDirPath());
    return QFileInfo::exists(target) && ShellExecute({ShellVerb::Open, target, {}});
}

QString ManualPath(const QString& programFolder)
{
    const QDir folder(programFolder);
    const QString candidates[] = {
        folder.filePath(QString::fromLatin1(HELP_FILE_NAME)),
        folder.filePath(QString::fromLatin1(MANUAL_FILE_NAME)),
        QDir::cleanPath(folder.filePath(QString::fromUtf8(INSTALLED_MANUAL_FOLDER) + QLatin1Char('/') +
                                        QString::fromLatin1(MANUAL_FILE_NAME))),
    };
    for (const QString& candidate : candidates)
        if (QFileInfo(candidate).isFile()) return candidate;
    return candidates[0];
}

bool RunJWordInstaller()
{
    const QString installer = ExecutableFolderFile(QString::fromLatin1(JWORD_INSTALLER_NAME));
    return QFileInfo::exists(installer) &&
           ShellExecute({ShellVerb::Run, installer, QString::fromLatin1(JWORD_INSTALLER_PARAMETERS)});
}

bool OpenHomePage()
{
    return ShellExecute({ShellVerb::Open, HomePageUrl(), {}});
}

bool OpenAdPage()
{
    return ShellExecute({ShellVerb::Open, AdPageUrl(), {}});
}

bool OpenMailToAuthor()
{
    return ShellExecute({ShellVerb::Open, MailToUrl(), {}});
}

QString HomePageUrl()
{
    return QString::fromUtf8(HOME_PAGE_URL);
}

QString AdPageUrl()
{
    return QUrl(HomePageUrl()).resolved(QUrl(QString::fromUtf8(AD_PAGE))).toString();
}

QString MailToUrl()
{
    return QStringLiteral("mailto:") + QString::fromUtf8(MAIL_ADDRESS);
}
