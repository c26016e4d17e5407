// Saves a picture of the tab "理論値", for the documentation:
//   theory_shot run <plays> <setting> <out.png> [--maximized]
//   theory_shot open <file.sim> <out.png> [--maximized]
//   theory_shot reveal <plays> <out.png> [--maximized]   a "?" run, then 設定確認
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>

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
    const bool maximized = args.removeAll(QStringLiteral("--maximized")) > 0;
    const QString mode = args.value(0);
    if (!((mode == QLatin1String("run") && args.size() == 4) ||
          (mode != QLatin1String("run") && args.size() == 3))) {
        std::fputs(
            "usage: theory_shot run <plays> <setting> <out.png> | open <file> <out.png> | reveal <plays> "
            "<out.png> [--maximized]\n",
            stderr);
        return 2;
    }
    SetUpApplication(app);
    MessageBox::SetHeadless(true);
    const MessageBox::Recorder boxes;
    TMainForm form;
    ShowForShot(form, maximized);
    const QString out = args.back();
    int status = 1;
    QTimer::singleShot(300, &form, [&] {
        if (mode == QLatin1String("open")) {
            form.OpenFile(args[1]);
        } else {
            form.ui->PlayNumEdit->setText(args[1]);
            form.ui->FlevelComboBox->setCurrentText(mode == QLatin1String("run") ? args[2]
                                                                                 : QStringLiteral("?"));
            form.ui->StartButton->click();
            if (mode == QLatin1String("reveal")) form.ui->FlevelButton->click();
        }
        for (int i = 0; i < form.ui->PageControl1->count(); ++i)
            if (form.ui->PageControl1->tabText(i) == QStringLiteral("理論値"))
                form.ui->PageControl1->setCurrentIndex(i);
        QTimer::singleShot(600, &form, [&] {
            status = SaveShot(form, out) ? 0 : 1;
            app.quit();
        });
    });
    QApplication::exec();
    for (const auto& box : MessageBox::Shown()) std::fprintf(stderr, "box: %s\n", qPrintable(box.text));
    return status;
}
