#include <QApplication>
#include <QAreaSeries>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>

#include "batchstats/RecordsFile.h"
#include "batchstats/Statistics.h"
#include "mainform/AppSetup.h"
#include "mainform/Unit1.h"
#include "mainform/tools/ChartImages.h"
#include "mainform/tools/TableCopy.h"
#include "mainform/views/BatchResultTab.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "sim/SimFile.h"
#include "sim/SingleRun.h"
#include "slot/RandomSource.h"
#include "slot/Slot.h"
#include "tests/support/StatusSupport.h"
#include "ui_MainForm.h"

namespace {

constexpr std::uint32_t SEED = 777;

void SetInputs(TMainForm& form, const QString& plays, const QString& setting, const QString& sims)
{
    form.ui->PlayNumEdit->setText(plays);
    form.ui->FlevelComboBox->setEditText(setting);
    form.ui->SimNumEdit->setText(sims);
}

// What `summary` prints for these files: the reference the tab must show.
StudySummary SummaryOfFiles(const QStringList& files)
{
    RecordTable table;
    for (const QString& file : files) {
        std::string error;
        if (!Succeeded(ReadStudyFile(QFile::encodeName(file).toStdString(), table), error))
            qFatal("%s", error.c_str());
    }
    return Summarise(table);
}

QStringList FilesIn(const QTemporaryDir& dir, const QString& glob)
{
    QStringList paths;
    for (const QString& name : QDir(dir.path()).entryList({glob}, QDir::Files)) paths << dir.filePath(name);
    return paths;
}

double Cell(const QTableWidget* table, int row, int column)
{
    const QTableWidgetItem* item = table->item(row, column);
    return item ? item->data(Qt::UserRole).toDouble() : -12345.678;
}

QList<QPointF> Points(const QLineSeries* series)
{
    return series ? series->points() : QList<QPointF>();
}

// Every figure of one group; equal to the last bit, as the tab and the
// reference summarise the same records with the same code.
void CheckGroup(const QTableWidget* table, int top, const GroupStatistics& group)
{
    const QTableWidgetItem* head = table->item(top, BatchResultTab::MEAN_COLUMN);
    QVERIFY(head);
    QCOMPARE(head->data(Qt::UserRole).toLongLong(), group.count);
    QCOMPARE(head->data(Qt::UserRole + 1).toDouble(), group.pProfit);
    const Distribution* rows[BatchResultTab::STATISTICS] = {
        &group.finalBalance, &group.finalBalance,   &group.payout,       &group.big,
        &group.reg,          &group.longestDrought, &group.lowestBalance};
    for (int s = 0; s < BatchResultTab::STATISTICS; ++s) {
        const Distribution& d = *rows[s];
        const double scale = s == BatchResultTab::FinalBalanceYen ? 20 : 1;
        const int row = top + 1 + s;
        QCOMPARE(Cell(table, row, BatchResultTab::MEAN_COLUMN), d.mean * scale);
        if (std::isnan(d.sd))
            QCOMPARE(table->item(row, BatchResultTab::SD_COLUMN)->text(), QStringLiteral("-"));
        else
            QCOMPARE(Cell(table, row, BatchResultTab::SD_COLUMN), d.sd * scale);
        QCOMPARE(Cell(table, row, BatchResultTab::MIN_COLUMN), d.min * scale);
        for (std::size_t k = 0; k < PERCENTILES.size(); ++k)
            QCOMPARE(Cell(table, row, BatchResultTab::FIRST_PERCENTILE_COLUMN + static_cast<int>(k)),
                     d.percentiles[k] * scale);
        QCOMPARE(Cell(table, row, BatchResultTab::MAX_COLUMN), d.max * scale);
    }
}

// The whole tab against the summary: table, histogram and fan chart.
void CheckTab(const BatchResultTab* tab, const StudySummary& summary)
{
    QVERIFY(tab);
    const QTableWidget* table = tab->Table();
    QVERIFY(tab->GroupRow(std::nullopt));
    CheckGroup(table, *tab->GroupRow(std::nullopt), summary.all);
    if (QTest::currentTestFailed()) return;
    for (int setting = 1; setting <= 6; ++setting) {
        const auto group = summary.bySetting.find(setting);
        const bool listed = summary.bySetting.size() > 1 && group != summary.bySetting.end();
        QCOMPARE(tab->GroupRow(setting).has_value(), listed);
        if (listed) CheckGroup(table, *tab->GroupRow(setting), group->second);
        if (QTest::currentTestFailed()) return;
    }

    QList<QPointF> bars;
    for (std::size_t k = 0; k < summary.histogram.counts.size(); ++k) {
        const double from = static_cast<double>(summary.histogram.start +
                                                static_cast<std::int64_t>(k) * summary.histogram.width) *
                            20;
        const double to = from + static_cast<double>(summary.histogram.width) * 20;
        const auto count = static_cast<double>(summary.histogram.counts[k]);
        const double unit = tab->HistogramYenUnit();
        bars << QPointF(from / unit, 0) << QPointF(from / unit, count) << QPointF(to / unit, count)
             << QPointF(to / unit, 0);
    }
    QCOMPARE(Points(tab->HistogramArea()->upperSeries()), bars);

    QList<QPointF> p5, p25, p50, p75, p95;
    if (summary.bands) {
        for (std::size_t k = 0; k < summary.bands->plays.size(); ++k) {
            const double x = summary.bands->plays[k];
            p5 << QPointF(x, summary.bands->values[0][k]);
            p25 << QPointF(x, summary.bands->values[1][k]);
            p50 << QPointF(x, summary.bands->values[2][k]);
            p75 << QPointF(x, summary.bands->values[3][k]);
            p95 << QPointF(x, summary.bands->values[4][k]);
        }
    }
    QCOMPARE(Points(tab->OuterBand()->lowerSeries()), p5);
    QCOMPARE(Points(tab->InnerBand()->lowerSeries()), p25);
    QCOMPARE(Points(tab->MedianLine()), p50);
    QCOMPARE(Points(tab->InnerBand()->upperSeries()), p75);
    QCOMPARE(Points(tab->OuterBand()->upperSeries()), p95);
    const bool theory = summary.commonSetting.has_value() && summary.bands.has_value();
    QCOMPARE(tab->TheoryLine()->isVisible(), theory);
    qsizetype settled = 0;  // the expectation is drawn where it holds
    if (theory)
        settled = std::count_if(summary.bands->plays.begin(), summary.bands->plays.end(),
                                [](std::int32_t n) { return n >= 200; });
    QCOMPARE(tab->TheoryLine()->count(), settled);
    if (theory) QVERIFY(settled > 0);
    const int top = *tab->GroupRow(std::nullopt);
    QCOMPARE(tab->Table()->item(top + 1, BatchResultTab::THEORY_COLUMN)->text().isEmpty(), !theory);
}

}  // namespace

class BatchResultTest : public QObject {
    Q_OBJECT

    MessageBox::Recorder boxes;
    std::unique_ptr<QTemporaryDir> dir;

private slots:
    void initTestCase()
    {
        SetUpApplication(*qApp);
        FileDialog::SetHeadless(true);
        MessageBox::SetHeadless(true);
    }
    void init()
    {
        MessageBox::ClearShown();
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
    }

    void BatchShowsTheSummaryOfItsFiles_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::newRow("one setting, with the theory") << "2";
        QTest::newRow("hidden settings, one group each") << "?";
    }
    void BatchShowsTheSummaryOfItsFiles()
    {
        QFETCH(QString, setting);
        TMainForm form(nullptr, SEED);
        QVERIFY(!form.BatchResultView());
        SetInputs(form, "600", setting, "12");
        FileDialog::SetNextAnswer(dir->filePath("b.sim"));
        form.StartButtonClic(nullptr);

        const QStringList files = FilesIn(*dir, "*.sim");
        QCOMPARE(files.size(), 12);
        const StudySummary expected = SummaryOfFiles(files);
        if (setting == "?") QVERIFY2(expected.bySetting.size() > 1, "the seed should mix settings");
        BatchResultTab* tab = form.BatchResultView();
        QVERIFY(tab);
        QCOMPARE(form.ui->PageControl1->currentWidget(), tab);
        QCOMPARE(form.ui->PageControl1->tabText(form.ui->PageControl1->indexOf(tab)),
                 QStringLiteral("一括結果"));
        CheckTab(tab, expected);
        QVERIFY(MessageBox::Shown().empty());

        // A copy keeps each row's name, for a spreadsheet.
        const QStringList copied = TableText(*tab->Table(), false, -1).split('\n');
        QVERIFY(copied.size() > 3);
        QVERIFY(copied[1].startsWith(QStringLiteral("全体\t")));
        QVERIFY(copied[2].startsWith(QStringLiteral("収支(枚)\t")));

        // Both charts save as images like the window's others.
        QStringList kinds;
        for (const ChartImageEntry& entry : ChartImageEntries(&form)) kinds << entry.kind;
        QVERIFY(kinds.contains("batch-histogram") && kinds.contains("batch-fan"));
    }

    // Stopped after the second file: the tab shows exactly the files written
    // whole, and a later stop before any file leaves it as it was.
    void StoppedBatchShowsTheCompleteFiles()
    {
        TMainForm form(nullptr, SEED);
        SetInputs(form, "3000", "5", "8");
        FileDialog::SetNextAnswer(dir->filePath("s.sim"));
        QTimer poll;
        connect(&poll, &QTimer::timeout, &form, [&] {
            // From the second file on, so a late timer still stops the batch.
            const QString status = form.StatusText();
            if (form.IsBusy() && status.startsWith(QStringLiteral("シミュレーションファイルに保存中")) &&
                !status.endsWith(QStringLiteral("_1.sim")))
                form.StopButtonClick(nullptr);
        });
        poll.start(0);
        form.StartButtonClic(nullptr);
        poll.stop();
        QCOMPARE(form.StatusText(), QStringLiteral("シミュレーションを中止しました"));

        const QStringList files = FilesIn(*dir, "*.sim");
        QVERIFY2(files.size() >= 2 && files.size() < 8, qPrintable(files.join(' ')));
        const StudySummary expected = SummaryOfFiles(files);
        QCOMPARE(expected.all.count, files.size());
        CheckTab(form.BatchResultView(), expected);
        QCOMPARE(form.ui->PageControl1->currentWidget(), form.BatchResultView());

        const QString caption = form.BatchResultView()->Caption()->text();
        form.ui->PageControl1->setCurrentIndex(0);
        QTemporaryDir other;
        FileDialog::SetNextAnswer(other.filePath("none.sim"));
        poll.disconnect();
        connect(&poll, &QTimer::timeout, &form, [&] {
            if (form.IsBusy()) form.StopButtonClick(nullptr);
        });
        poll.start(0);
        form.StartButtonClic(nullptr);
        poll.stop();
        QVERIFY(QDir(other.path()).isEmpty());
        QCOMPARE(form.BatchResultView()->Caption()->text(), caption);
        CheckTab(form.BatchResultView(), expected);
        QCOMPARE(form.ui->PageControl1->currentIndex(), 0);
    }

    // Simulation files and a records file together, one file unreadable: the
    // others are summarised as the command line does, the bad one is named.
    void SummaryOfFilesSkipsAndNamesABadFile()
    {
        RandomSource random;
        random.Seed(SEED);
        Slot slot(random);
        PlaySeries series;
        QStringList good;
        for (const int setting : {1, 4}) {
            QVERIFY(RunSingle(slot, random, 400, {false, setting}, series));
            const QString path = dir->filePath(QStringLiteral("run%1.sim").arg(setting));
            QVERIFY(
                WriteSimFile(QFile::encodeName(path).toStdString(), setting, slot.playCount, series).Ok());
            good << path;
        }
        // Another N: the fan chart cannot be drawn for this study.
        const QString records = dir->filePath("more.csv");
        {
            RecordsWriter writer;
            std::string error;
            QVERIFY(Succeeded(writer.Open(QFile::encodeName(records).toStdString()), error));
            for (int i = 1; i <= 3; ++i) {
                QVERIFY(RunSingle(slot, random, 250, {false, 6}, series));
                SimRecord record;
                QVERIFY(RecordFromSeries(series, 6, i, record));
                QVERIFY(writer.Write(record));
            }
            QVERIFY(Succeeded(writer.Commit(), error));
        }
        good << records;
        const QString bad = dir->filePath("broken.sim");
        {
            QFile file(bad);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("not a simulation");
        }

        TMainForm form;
        FileDialog::SetNextAnswers({good[0], bad, good[1], good[2]});
        form.FileSummaryMenuClick(nullptr);
        const StudySummary expected = SummaryOfFiles(good);
        QVERIFY(!expected.bands);
        CheckTab(form.BatchResultView(), expected);
        QCOMPARE(form.ui->PageControl1->currentWidget(), form.BatchResultView());
        QCOMPARE(MessageBox::Shown().size(), std::size_t{1});
        const QString text = MessageBox::Shown().front().text;
        QVERIFY2(text.startsWith(QStringLiteral("1個のファイルを読み込めなかったため")) && text.contains(bad),
                 qPrintable(text));
        QCOMPARE(form.StatusText(),
                 QStringLiteral("集計完了（3ファイル、5シミュレーション）、1ファイルを除外"));
        QVERIFY(form.ui->StartButton->isEnabled());

        // Nothing readable: said so, and the tab keeps what it showed.
        MessageBox::ClearShown();
        const QString caption = form.BatchResultView()->Caption()->text();
        FileDialog::SetNextAnswers({bad});
        form.FileSummaryMenuClick(nullptr);
        QCOMPARE(MessageBox::Shown().size(), std::size_t{1});
        QVERIFY(MessageBox::Shown().front().text.startsWith(
            QStringLiteral("どのファイルも読み込めませんでした。")));
        QCOMPARE(form.BatchResultView()->Caption()->text(), caption);
        CheckTab(form.BatchResultView(), expected);
    }

    // 中止 while the files are read: nothing is shown, nothing is reported.
    void StoppedSummaryChangesNothing()
    {
        RandomSource random;
        Slot slot(random);
        PlaySeries series;
        QStringList paths;
        for (int i = 1; i <= 2; ++i) {
            QVERIFY(RunSingle(slot, random, 200, {false, 1}, series));
            paths << dir->filePath(QStringLiteral("r%1.sim").arg(i));
            QVERIFY(
                WriteSimFile(QFile::encodeName(paths.back()).toStdString(), 1, slot.playCount, series).Ok());
        }
        TMainForm form;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &form, [&] {
            if (form.IsBusy()) form.StopButtonClick(nullptr);
        });
        poll.start(0);
        FileDialog::SetNextAnswers(paths);
        form.FileSummaryMenuClick(nullptr);
        poll.stop();
        QCOMPARE(form.StatusText(), QStringLiteral("ファイルの集計を中止しました"));
        QVERIFY(!form.BatchResultView());
        QVERIFY(MessageBox::Shown().empty());
        QVERIFY(form.ui->StartButton->isEnabled());
    }
};

QTEST_MAIN(BatchResultTest)
#include "batch_result_test.moc"
