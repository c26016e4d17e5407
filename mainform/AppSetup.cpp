#include "mainform/AppSetup.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "platform/FormFont.h"

void SetUpApplication(QApplication& app)
{
    Q_INIT_RESOURCE(mirvosim);
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication::setApplicationName(QStringLiteral("Mirvosim"));
    QApplication::setApplicationDisplayName(QStringLiteral("Mirvosim"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/mirvosim.png")));
    // The window's fonts are Windows fonts; these are the nearest that ship
    // with the desktop, and they hold every Japanese text of the window.
    for (const QString& family :
         {FORM_FONT_FAMILY, QStringLiteral("MS UI Gothic"), QStringLiteral("ＭＳ Ｐ明朝")})
        QFont::insertSubstitution(family, QStringLiteral("Noto Sans CJK JP"));
    QFont font(FORM_FONT_FAMILY);
    font.setPixelSize(12);
    app.setFont(font);

    // A Japanese program whatever the desktop's language: Qt's own dialogs,
    // buttons and messages in Japanese, and Japanese number and date texts.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    auto* qtTexts = new QTranslator(&app);
    if (qtTexts->load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(qtTexts);
    else
        delete qtTexts;
}
