// Saves a picture of the main window after a run, for the README:
//   window_shot <plays> <setting> <out.png> [tab] [--markers] [--maximized] [--seed=S]
// --markers ticks every 役出現表示 box; --maximized shows the window maximized;
// --seed opens 詳細 and runs with seed S.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <cstdio>

#include "mainform/AppSetup.h"
#include "mainform/Unit1.h"
#include "platform/MessageBox.h"
#include "tests/gui/ShotSupport.h"
#include "ui_MainForm.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QStringList args = QApplication::arguments().mid(1);
    const bool markers = args.removeAll(QStringLiteral("--markers")) > 0;
    const bool maximized = args.removeAll(QStringLiteral("--maximized")) > 0;
    QString seed;
    for (const QString& arg : args)
        if (arg.startsWith(QStringLiteral("--seed="))) seed = arg.mid(7);
    args.removeIf([](const QString& arg) { return arg.startsWith(QStringLiteral("--seed=")); });
    if (args.size() != 3 && args.size() != 4) {
        std::fputs(
            "usage: window_shot <plays> <setting> <out.png> [tab] [--markers] [--maximized] [--seed=S]\n",
            stderr);
        return 2;
    }
    SetUpApplication(app);
    MessageBox::SetHeadless(true);
    const MessageBox::Recorder boxes;
    TMainForm form;
    ShowForShot(form, maximized);
    form.ui->PlayNumEdit->setText(args[0]);
    form.ui->FlevelComboBox->setCurrentText(args[1]);
    const QString out = args[2];
    if (!seed.isEmpty()) {
        form.DetailsButton->click();
        form.SeedEdit->setText(seed);
    }
    int status = 1;
    QTimer::singleShot(300, &form, [&] {
        if (markers)
            for (QCheckBox* box : form.ui->GroupBox1->findChildren<QCheckBox*>()) box->click();
        form.ui->StartButton->click();
        if (args.size() == 4) form.ui->PageControl1->setCurrentIndex(args[3].toInt());
        // Let the clock tick and every chart paint before the picture.
        QTimer::singleShot(600, &form, [&] {
            status = SaveShot(form, out) ? 0 : 1;
            app.quit();
        });
    });
    QApplication::exec();
    for (const auto& box : MessageBox::Shown()) std::fprintf(stderr, "box: %s\n", qPrintable(box.text));
    return status;
}
