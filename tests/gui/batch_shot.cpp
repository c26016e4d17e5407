// Saves a picture of the tab "一括結果", for the documentation:
//   batch_shot batch <plays> <setting> <sims> <folder> <out.png> [--maximized] [--seed=S]
//   batch_shot files <out.png> <file>... [--maximized]      複数ファイルを集計
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>

#include <cstdio>

#include "mainform/AppSetup.h"
#include "mainform/Unit1.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "tests/gui/ShotSupport.h"
#include "ui_MainForm.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QStringList args = QApplication::arguments().mid(1);
    const bool maximized = args.removeAll(QStringLiteral("--maximized")) > 0;
    std::optional<std::uint32_t> seed;
    for (qsizetype i = args.size() - 1; i >= 0; --i)
        if (args[i].startsWith(QStringLiteral("--seed="))) seed = args.takeAt(i).mid(7).toUInt();
    const QString mode = args.value(0);
    if (!((mode == QLatin1String("batch") && args.size() == 6) ||
          (mode == QLatin1String("files") && args.size() >= 3))) {
        std::fputs(
            "usage: batch_shot batch <plays> <setting> <sims> <folder> <out.png> | files <out.png> "
            "<file>... [--maximized] [--seed=S]\n",
            stderr);
        return 2;
    }
    SetUpApplication(app);
    MessageBox::SetHeadless(true);
    FileDialog::SetHeadless(true);
    const MessageBox::Recorder boxes;
    TMainForm form(nullptr, seed);
    ShowForShot(form, maximized);
    const QString out = mode == QLatin1String("batch") ? args[5] : args[1];
    int status = 1;
    QTimer::singleShot(300, &form, [&] {
        if (mode == QLatin1String("batch")) {
            form.ui->PlayNumEdit->setText(args[1]);
            form.ui->FlevelComboBox->setCurrentText(args[2]);
            form.ui->SimNumEdit->setText(args[3]);
            FileDialog::SetNextAnswer(QDir(args[4]).filePath(QStringLiteral("batch.sim")));
            form.ui->StartButton->click();
        } else {
            FileDialog::SetNextAnswers(args.mid(2));
            form.FileSummaryMenuClick(nullptr);
        }
        QTimer::singleShot(600, &form, [&] {
            status = SaveShot(form, out) ? 0 : 1;
            app.quit();
        });
    });
    QApplication::exec();
    for (const auto& box : MessageBox::Shown()) std::fprintf(stderr, "box: %s\n", qPrintable(box.text));
    return status;
}
