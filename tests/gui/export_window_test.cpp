#include <QAbstractItemView>
#include <QApplication>
#include <QChartView>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSvgRenderer>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "analysis/Report.h"
#include "mainform/AppSetup.h"
#include "mainform/CommandLine.h"
#include "mainform/Unit1.h"
#include "mainform/tools/ChartImages.h"
#include "mainform/tools/ExportDialog.h"
#include "mainform/tools/TableCopy.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "sim/SimFile.h"
#include "sim/SingleRun.h"
#include "ui_MainForm.h"

namespace {

constexpr std::uint32_t SEED = 4;

// A fixed run written as a simulation file: the same images on every machine.
QString WriteFixedRun(const QTemporaryDir& dir)
{
    RandomSource random;
    random.Seed(7);
    Slot slot(random);
    PlaySeries series;
    if (!RunSingle(slot, random, 3000, {false, 6}, series))
        QTest::qFail("the run was abandoned", __FILE__, __LINE__);
    const QString path = dir.filePath(QStringLiteral("fixed.sim"));
    if (!WriteSimFile(path.toStdString(), 6, 3000, series).Ok()) return {};
    return path;
}

struct Run {
    int status;
    QByteArray err;
};

Run RunProgram(const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // The program must not need a display for an image.
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(MIRVOSIM_PROGRAM), arguments);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return {-1, "did not finish"};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardError()};
}

// Share of the image's pixels that are not one flat colour: a chart that
// drew nothing, or only its background, scores near zero.
double InkShare(const QImage& image)
{
    const QRgb background = image.pixel(image.width() - 1, image.height() - 1);
    qsizetype ink = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            if (image.pixel(x, y) != background) ++ink;
    return static_cast<double>(ink) / ((image.width() / 2.0) * (image.height() / 2.0));
}

}  // namespace

class ExportWindowTest : public QObject {
    Q_OBJECT

    MessageBox::Recorder boxes;

private:
    std::unique_ptr<TMainForm> form;
    Ui::TMainForm* ui = nullptr;
    QTemporaryDir dir;
    QString fixedRun;

private slots:
    void initTestCase()
    {
        SetUpApplication(*qApp);
        MessageBox::SetHeadless(true);
        FileDialog::SetHeadless(true);
        QVERIFY(dir.isValid());
        fixedRun = WriteFixedRun(dir);
        QVERIFY(!fixedRun.isEmpty());
    }

    void init()
    {
        form = std::make_unique<TMainForm>(nullptr, SEED);
        ui = form->ui.get();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        MessageBox::ClearShown();
    }

    void cleanup() { form.reset(); }

    // Every chart of the window, drawn by the program without a display, at
    // the window's size and at a chosen one, as PNG and SVG.
    void ExportChartFromTheCommandLine_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("size");
        QTest::addColumn<QSize>("expected");
        const std::pair<const char*, QSize> windowSizes[] = {
            {"slump", QSize(597, 217)},  {"bonus", QSize(597, 149)}, {"ren", QSize(260, 173)},
            {"koyaku", QSize(260, 173)}, {"mode", QSize(260, 173)},  {"rt", QSize(260, 173)},
        };
        for (const auto& [kind, size] : windowSizes) {
            const QString name = QString::fromLatin1(kind);
            QTest::addRow("%s png", kind) << name << "png" << QString() << size;
            QTest::addRow("%s png 1280x720", kind) << name << "png"
                                                   << "1280x720" << QSize(1280, 720);
            QTest::addRow("%s svg", kind) << name << "svg"
                                          << "800x450" << QSize(800, 450);
        }
        // Pages built in their own sources take part by their mark.
        for (const char* kind : {"theory", "estimate"}) {
            const QString name = QString::fromLatin1(kind);
            QTest::addRow("%s png 1280x720", kind) << name << "png"
                                                   << "1280x720" << QSize(1280, 720);
            QTest::addRow("%s svg", kind) << name << "svg"
                                          << "800x450" << QSize(800, 450);
        }
    }
    void ExportChartFromTheCommandLine()
    {
        QFETCH(QString, kind);
        QFETCH(QString, suffix);
        QFETCH(QString, size);
        QFETCH(QSize, expected);
        const QString out = dir.filePath(kind + size + QLatin1Char('.') + suffix);
        QStringList arguments{QStringLiteral("--export-chart"), kind, fixedRun, QStringLiteral("--out"), out};
        if (!size.isEmpty()) arguments << QStringLiteral("--size") << size;
        const Run run = RunProgram(arguments);
        QVERIFY2(run.status == 0, run.err.constData());
        if (suffix == QLatin1String("svg")) {
            QSvgRenderer svg(out);
            QVERIFY(svg.isValid());
            QCOMPARE(svg.viewBox().size(), expected);
            QImage image(expected, QImage::Format_ARGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            svg.render(&painter);
            painter.end();
            QVERIFY2(InkShare(image) > 0.05, qPrintable(QString::number(InkShare(image))));
        } else {
            const QImage image(out);
            QCOMPARE(image.size(), expected);
            QVERIFY2(InkShare(image) > 0.05, qPrintable(QString::number(InkShare(image))));
        }
    }

    void ExportChartRefusals_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const QString out = dir.filePath(QStringLiteral("refused.png"));
        const QString chart = QStringLiteral("--export-chart");
        QTest::newRow("unknown kind")
            << QStringList{chart, "pie", fixedRun, "--out", out} << 2 << "unknown chart 'pie'";
        QTest::newRow("no --out") << QStringList{chart, "slump", fixedRun} << 2 << "needs one FILE and --out";
        QTest::newRow("bad size") << QStringList{chart, "slump", fixedRun, "--out", out, "--size", "0x5"} << 2
                                  << "--size '0x5'";
        QTest::newRow("missing file")
            << QStringList{chart, "slump", dir.filePath("none.sim"), "--out", out} << 1 << "none.sim";
        QTest::newRow("folder missing")
            << QStringList{chart, "slump", fixedRun, "--out", dir.filePath("no/x.png")} << 1
            << "cannot create";
    }
    void ExportChartRefusals()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, message);
        const Run run = RunProgram(arguments);
        QCOMPARE(run.status, status);
        QVERIFY2(QString::fromLocal8Bit(run.err).contains(message), run.err.constData());
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("refused.png"))));
    }

    void ImageOptionsBelongToExportChart()
    {
        const CommandLine line =
            ParseCommandLine({fixedRun, QStringLiteral("--size"), QStringLiteral("10x10")});
        QCOMPARE(line.action, CommandLine::Action::Error);
        QVERIFY2(line.error.contains(QStringLiteral("go with --export-chart")), qPrintable(line.error));
        const CommandLine chart = ParseCommandLine(
            {QStringLiteral("--export-chart"), QStringLiteral("rt"), fixedRun, QStringLiteral("--out"),
             QStringLiteral("a.svg"), QStringLiteral("--size"), QStringLiteral("1920x1080")});
        QCOMPARE(chart.action, CommandLine::Action::ExportChart);
        QCOMPARE(chart.chartSize, QSize(1920, 1080));
        QCOMPARE(chart.file, fixedRun);
    }

    // ファイル → グラフを画像で保存...: the chosen chart at the chosen size,
    // and the window's chart keeps its own size afterwards.
    void SaveChartImageFromTheMenu()
    {
        form->OpenFile(fixedRun);
        const QSize before = ui->SlumpChart->size();
        const QString out = dir.filePath(QStringLiteral("menu.png"));
        SetNextChartImageChoice(QStringLiteral("slump"), QSize(1920, 1080));
        FileDialog::SetNextAnswer(out);
        form->findChild<QAction*>(QStringLiteral("FileChartImageMenu"))->trigger();
        QCOMPARE(MessageBox::Shown().size(), std::size_t{0});
        QCOMPARE(QImage(out).size(), QSize(1920, 1080));
        QCOMPARE(ui->SlumpChart->size(), before);
        QCOMPARE(ui->SlumpChart->chart()->size().toSize(), before);

        // A name without a known suffix is saved as PNG under name + ".png".
        SetNextChartImageChoice(QStringLiteral("rt"), QSize());
        FileDialog::SetNextAnswer(dir.filePath(QStringLiteral("rt-pie")));
        form->findChild<QAction*>(QStringLiteral("FileChartImageMenu"))->trigger();
        QCOMPARE(QImage(dir.filePath(QStringLiteral("rt-pie.png"))).size(), ui->RTCancelChart->size());

        // A write that fails says so and leaves nothing.
        SetNextChartImageChoice(QStringLiteral("bonus"), QSize());
        FileDialog::SetNextAnswer(dir.filePath(QStringLiteral("no/such/folder.png")));
        form->findChild<QAction*>(QStringLiteral("FileChartImageMenu"))->trigger();
        QCOMPARE(MessageBox::Shown().size(), std::size_t{1});
        QVERIFY(MessageBox::Shown().front().text.contains(QStringLiteral("画像を保存できませんでした")));
    }

    // "すべてコピー" puts each list on the clipboard exactly as the report
    // prints its section; Ctrl+C and "コピー" take the selected rows.
    void CopyFromEveryList()
    {
        form->OpenFile(fixedRun);
        const QString report = QString::fromStdString(ReportText(form->ShownSeries(), form->LastAnalysis()));
        const auto section = [&report](const QString& caption) {
            const qsizetype start = report.indexOf(QLatin1Char('[') + caption + QStringLiteral("]\n"));
            const qsizetype from = report.indexOf(QLatin1Char('\n'), start) + 1;
            const qsizetype end = report.indexOf(QStringLiteral("\n\n"), from);
            return report.mid(from, (end < 0 ? report.size() : end + 1) - from);
        };
        const std::pair<QAbstractItemView*, const char*> lists[] = {
            {ui->ResultListView, "PLAY情報"},
            {ui->BListView, "ボーナス情報"},
            {ui->RenListView, "1G連情報"},
            {ui->KoyakuListView, "小役出現率"},
            {ui->ModeStayListView, "モード別滞在率"},
            {ui->RTCancelListView, "RT解除情報"},
        };
        for (const auto& [view, caption] : lists) {
            const QString expected = section(QString::fromUtf8(caption));
            QVERIFY2(expected.count(QLatin1Char('\n')) > 2, caption);
            QApplication::clipboard()->clear();
            view->findChild<QAction*>(view->objectName() + QStringLiteral("CopyAll"))->trigger();
            QCOMPARE(QApplication::clipboard()->text(), expected);

            // Rows 2 and 0 selected (in that order): copied in list order.
            const QStringList lines = expected.split(QLatin1Char('\n'));
            ui->PageControl1->setCurrentWidget(view->parentWidget());
            view->setFocus();
            view->clearSelection();
            const auto flags = QItemSelectionModel::Select | QItemSelectionModel::Rows;
            view->selectionModel()->select(view->model()->index(2, 0), flags);
            view->selectionModel()->select(view->model()->index(0, 0), flags);
            QApplication::clipboard()->clear();
            QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
            QCOMPARE(QApplication::clipboard()->text(), lines[0] + '\n' + lines[1] + '\n' + lines[3] + '\n');
            QCOMPARE(view->contextMenuPolicy(), Qt::ActionsContextMenu);
            QCOMPARE(view->actions().size(), 2);
            QCOMPARE(view->actions()[0]->text(), QStringLiteral("コピー"));
            QCOMPARE(view->actions()[1]->text(), QStringLiteral("すべてコピー"));
        }
    }

    // Beyond the limit the play list copies its first rows and says where the
    // rest is.
    void CopyOfALongPlayListStopsAtTheLimit()
    {
        ui->PlayNumEdit->setText(QString::number(PLAY_LIST_COPY_LIMIT));
        ui->FlevelComboBox->setCurrentText(QStringLiteral("6"));
        ui->SimNumEdit->setText(QStringLiteral("1"));
        ui->StartButton->click();
        QVERIFY(form->ShownSeries().Size() > static_cast<std::size_t>(PLAY_LIST_COPY_LIMIT));
        ui->ResultListView->findChild<QAction*>(QStringLiteral("ResultListViewCopyAll"))->trigger();
        const QString text = QApplication::clipboard()->text();
        QCOMPARE(text.count(QLatin1Char('\n')), PLAY_LIST_COPY_LIMIT + 1);
        QVERIFY2(form->StatusText(0).contains(QStringLiteral("エクスポート")),
                 qPrintable(form->StatusText(0)));
        ui->ResultListView->selectAll();
        QApplication::clipboard()->clear();
        ui->ResultListView->findChild<QAction*>(QStringLiteral("ResultListViewCopy"))->trigger();
        QCOMPARE(QApplication::clipboard()->text().count(QLatin1Char('\n')), PLAY_LIST_COPY_LIMIT + 1);
    }

    // ファイル → エクスポート... writes what the export library writes.
    void ExportFromTheMenu()
    {
        QAction* menu = form->findChild<QAction*>(QStringLiteral("FileExportMenu"));
        menu->trigger();  // nothing shown yet
        QCOMPARE(MessageBox::Shown().size(), std::size_t{1});
        MessageBox::ClearShown();

        form->OpenFile(fixedRun);
        const auto expected = [this](const ExportOptions& options) {
            std::string bytes;
            const bool written = WriteExport(form->ShownSeries(), form->LastAnalysis(), options,
                                             [&bytes](std::string_view piece) {
                                                 bytes += piece;
                                                 return true;
                                             });
            if (!written) QTest::qFail("the export failed", __FILE__, __LINE__);
            return QByteArray::fromStdString(bytes);
        };
        const auto read = [](const QString& path) {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing");
        };
        ExportOptions csv;
        csv.what = ExportWhat::Plays;
        csv.bom = true;
        SetNextExportChoice(csv);
        FileDialog::SetNextAnswer(dir.filePath(QStringLiteral("plays")));  // ".csv" is added
        menu->trigger();
        QCOMPARE(read(dir.filePath(QStringLiteral("plays.csv"))), expected(csv));

        ExportOptions json;
        json.format = ExportFormat::Json;
        SetNextExportChoice(json);
        FileDialog::SetNextAnswer(dir.filePath(QStringLiteral("all.json")));
        menu->trigger();
        QCOMPARE(read(dir.filePath(QStringLiteral("all.json"))), expected(json));

        ExportOptions folder;  // all tables as CSV: one file each
        SetNextExportChoice(folder);
        FileDialog::SetNextAnswer(dir.filePath(QStringLiteral("tables")));
        menu->trigger();
        for (const ExportWhat part : CsvParts(ExportWhat::All)) {
            ExportOptions one = folder;
            one.what = part;
            QCOMPARE(
                read(dir.filePath(QStringLiteral("tables/") + QString::fromStdString(CsvFileName(part)))),
                expected(one));
        }
        QCOMPARE(MessageBox::Shown().size(), std::size_t{0});

        SetNextExportChoice(csv);
        FileDialog::SetNextAnswer(dir.filePath(QStringLiteral("no/such/plays.csv")));
        menu->trigger();
        QCOMPARE(MessageBox::Shown().size(), std::size_t{1});
        QVERIFY(MessageBox::Shown().front().text.contains(QStringLiteral("エクスポートできませんでした")));
    }

    // A batch shows nothing, so an export after it is still of the run on
    // show, rows and tables alike, not of the batch's last simulation.
    void ExportAfterABatchIsOfTheShownRun()
    {
        form->OpenFile(fixedRun);
        const auto exportPlays = [this](const QString& name) {
            ExportOptions csv;
            csv.what = ExportWhat::Plays;
            SetNextExportChoice(csv);
            FileDialog::SetNextAnswer(dir.filePath(name));
            form->findChild<QAction*>(QStringLiteral("FileExportMenu"))->trigger();
            QFile file(dir.filePath(name));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing");
        };
        const QByteArray before = exportPlays(QStringLiteral("before.csv"));

        ui->PlayNumEdit->setText(QStringLiteral("300"));
        ui->SimNumEdit->setText(QStringLiteral("2"));
        FileDialog::SetNextAnswer(dir.filePath(QStringLiteral("batch.sim")));
        ui->StartButton->click();
        QVERIFY(form->StatusText(0).startsWith(QStringLiteral("シミュレーション完了")));
        QCOMPARE(form->HeldSeries().Back().playCount, 300);
        QVERIFY(form->ShownSeries().Back().playCount != 300);

        QCOMPARE(exportPlays(QStringLiteral("after.csv")), before);
        QVERIFY(MessageBox::Shown().empty());
    }

    void EveryChartIsRegistered()
    {
        QStringList kinds;
        for (const ChartImageEntry& entry : ChartImageEntries(form.get())) {
            kinds << entry.kind;
            QVERIFY(!entry.caption.isEmpty());
        }
        for (const char* kind : {"slump", "bonus", "ren", "koyaku", "mode", "rt", "theory", "estimate"})
            QVERIFY2(kinds.contains(QLatin1String(kind)), kind);
        QVERIFY(form->findChild<QAbstractItemView*>(QStringLiteral("TheoryListView"))
                    ->findChild<QAction*>(QStringLiteral("TheoryListViewCopyAll")));
        QVERIFY(form->findChild<QAbstractItemView*>(QStringLiteral("EstimateTable"))
                    ->findChild<QAction*>(QStringLiteral("EstimateTableCopyAll")));
    }
};

QTEST_MAIN(ExportWindowTest)
#include "export_window_test.moc"
