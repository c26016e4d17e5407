#include "aboutbox/HelpLinks.h"

#include <QFileInfo>
#include <QUrl>

#include "Deployment.h"
#include "platform/Shell.h"

void OpenManual()
{
    const QString helpFile = ExecutableFolderFile(QString::fromLatin1(HELP_FILE_NAME));
    const QString target =
        QFileInfo::exists(helpFile) ? helpFile : ExecutableFolderFile(QString::fromLatin1(MANUAL_FILE_NAME));
    ShellExecute({ShellVerb::Open, target, {}});
}

void RunJWordInstaller()
{
    ShellExecute({ShellVerb::Run, ExecutableFolderFile(QString::fromLatin1(JWORD_INSTALLER_NAME)),
                  QString::fromLatin1(JWORD_INSTALLER_PARAMETERS)});
}

void OpenHomePage()
{
    ShellExecute({ShellVerb::Open, HomePageUrl(), {}});
}

void OpenAdPage()
{
    ShellExecute({ShellVerb::Open, AdPageUrl(), {}});
}

void OpenMailToAuthor()
{
    ShellExecute({ShellVerb::Open, MailToUrl(), {}});
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
