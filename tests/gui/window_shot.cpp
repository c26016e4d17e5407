// Saves a picture of the main window after a run, for the README:
//   window_shot <plays> <setting> <out.png> [tab]
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>

#include "AppSetup.h"
#include "MessageBox.h"
#include "Unit1.h"
#include "ui_MainForm.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 4 && argc != 5) {
        std::fputs("usage: window_shot <plays> <setting> <out.png> [tab]\n", stderr);
        return 2;
    }
    SetUpApplication(app);
    MessageBox::SetHeadless(true);
    TMainForm form;
    form.show();
    form.ui->PlayNumEdit->setText(QString::fromLocal8Bit(argv[1]));
    form.ui->FlevelComboBox->setCurrentText(QString::fromLocal8Bit(argv[2]));
    const QString out = QString::fromLocal8Bit(argv[3]);
    int status = 1;
    QTimer::singleShot(300, &form, [&] {
        form.ui->StartButton->click();
        if (argc == 5) form.ui->PageControl1->setCurrentIndex(QString::fromLocal8Bit(argv[4]).toInt());
        // Let the clock tick and every chart paint before the picture.
        QTimer::singleShot(600, &form, [&] {
            QPixmap picture = form.screen()->grabWindow(form.winId(), 0, 0, -1, -1);
            if (picture.isNull() || picture.width() < form.width()) picture = form.grab();
            status = picture.save(out) ? 0 : 1;
            app.quit();
        });
    });
    QApplication::exec();
    for (const auto& box : MessageBox::Shown()) std::fprintf(stderr, "box: %s\n", qPrintable(box.text));
    return status;
}
