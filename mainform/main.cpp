#include <QApplication>

#include "AppSetup.h"
#include "Unit1.h"
#include "Unit2.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    SetUpApplication(app);
    TMainForm mainForm;
    TAboutBox aboutBox(&mainForm);
    mainForm.SetAboutBox(&aboutBox);
    mainForm.show();
    QApplication::exec();
    // Errors are shown where they happen; the program always ends normally.
    return 0;
}
