#include "aboutbox/HelpLinks.h"

#include <QFileInfo>
#include <QUrl>

#include "Deployment.h"
#include "platform/Shell.h"

bool OpenManual()
{
    const QString helpFile = ExecutableFolderFile(QString::fromLatin1(HELP_FILE_NAME));
    const QString target =
        QFileInfo::exists(helpFile) ? helpFile : ExecutableFolderFile(QString::fromLatin1(MANUAL_FILE_NAME));
    return QFileInfo::exists(target) && ShellExecute({ShellVerb::Open, target, {}});
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
