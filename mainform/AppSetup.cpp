#include "AppSetup.h"

#include <QApplication>
#include <QFont>
#include <QIcon>

void SetUpApplication(QApplication& app)
{
    Q_INIT_RESOURCE(mirvosim);
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication::setApplicationName(QStringLiteral("Mirvosim"));
    QApplication::setApplicationDisplayName(QStringLiteral("Mirvosim"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/mirvosim.png")));
    // The window's fonts are Windows fonts; these are the nearest that ship
    // with the desktop, and they hold every Japanese text of the window.
    for (const char* family : {"ＭＳ Ｐゴシック", "MS UI Gothic", "ＭＳ Ｐ明朝"})
        QFont::insertSubstitution(QString::fromUtf8(family), QStringLiteral("Noto Sans CJK JP"));
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPixelSize(12);
    app.setFont(font);
}
