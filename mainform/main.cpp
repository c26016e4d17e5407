#include <QApplication>
#include <QScreen>

#include "AppSetup.h"
#include "ErrorDisplay.h"
#include "Unit1.h"
#include "Unit2.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    SetUpApplication(app);
    // Handlers show their own errors; this catches what escapes start-up.
    RunHandler([] {
        TMainForm mainForm;
        TAboutBox aboutBox(&mainForm);
        mainForm.SetAboutBox(&aboutBox);
        const QRect desktop = mainForm.screen()->availableGeometry();
        mainForm.move(desktop.center() - QPoint(mainForm.width() / 2, mainForm.height() / 2));
        mainForm.show();
        QApplication::exec();
    });
    // Errors are shown where they happen; the program always ends normally.
    return 0;
}
