#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPieSeries>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

#include "aboutbox/Unit2.h"
#include "mainform/AppSetup.h"
#include "mainform/Unit1.h"
#include "mainform/charts/BonusBars.h"
#include "mainform/charts/SlumpGraph.h"
#include "mainform/views/RateStatisticsView.h"
#include "mainform/views/ResultListModel.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"
#include "sim/BatchName.h"
#include "sim/SimFile.h"
#include "sim/SingleRun.h"
#include "tests/support/FileSizeLimit.h"
#include "ui_MainForm.h"

namespace {

constexpr std::uint32_t SEED = 4242;
const QString DONE_TEXT = QStringLiteral("シミュレーション完了");
const QString NOT_SIM_FILE = QString::fromUtf8(NOT_SIM_FILE_MESSAGE);

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray ToBytes(const std::string& bytes)
{
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// Everything the result views show, one text per line, so that two states
// of the window compare as a whole and a difference names its view.
QStringList Snapshot(const TMainForm& form)
{
    QStringList lines;
    for (const auto* view : form.findChildren<QAbstractItemView*>()) {
        const QAbstractItemModel* model = view->model();
        if (!model || qobject_cast<const QHeaderView*>(view)) continue;
        // The batch's own tab shows the batch (batch_result_test).
        if (view->objectName() == QStringLiteral("BatchResultTable")) continue;
        for (int r = 0; r < model->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < model->columnCount(); ++c) cells << model->index(r, c).data().toString();
            lines << view->objectName() + ": " + cells.join(QLatin1Char('|'));
        }
    }
    lines << "ResultLabel: " + form.ui->ResultLabel->text();
    const auto points = [&lines](const QString& name, const std::vector<QPointF>& series) {
        QStringList texts;
        for (const QPointF& p : series) texts << QStringLiteral("%1,%2").arg(p.x()).arg(p.y());
        lines << name + ": " + texts.join(QLatin1Char(' '));
    };
    const SlumpGraph* graph = form.SlumpGraphView();
    points("SlumpSeries", graph->SlumpPoints());
    points("ModeSeries", graph->ModePoints());
    for (int marker = 0; marker < MARKER_COUNT; ++marker)
        points(MARKER_SERIES_NAMES[marker], graph->MarkerPoints(marker));
    for (const RateStatisticsView* view : form.StatisticsViews())
        for (const QPieSeries* pie = view->Pie(); const QPieSlice* slice : pie->slices())
            lines << pie->objectName() + ": " + slice->label() + " " + QString::number(slice->value());
    const BonusBars* bonusBars = form.BonusBarsView();
    QStringList bars;
    for (const ChartPoint& bar : bonusBars->Bars())
        bars << QStringLiteral("%1,%2,%3")
                    .arg(bar.x)
                    .arg(bar.y)
                    .arg(bar.color == BAR_REG_COLOR ? "REG" : "BIG");
    lines << "BonusBars: " + bars.join(QLatin1Char(' '));
    for (const QLineSeries* outline : {bonusBars->BigOutline(), bonusBars->RegOutline()}) {
        const QList<QPointF> drawn = outline->points();
        points(outline == bonusBars->BigOutline() ? "BigOutline" : "RegOutline",
               std::vector<QPointF>(drawn.cbegin(), drawn.cend()));
    }
    return lines;
}

// The window's inputs, as a user types them.
void SetInputs(TMainForm& form, const QString& plays, const QString& setting, const QString& sims)
{
    form.ui->PlayNumEdit->setText(plays);
    form.ui->FlevelComboBox->setEditText(setting);
    form.ui->SimNumEdit->setText(sims);
}

void Start(TMainForm& form)
{
    form.StartButtonClic(form.ui->StartButton);
}

// Single runs of the same program outside the window: the reference a batch
// must reproduce file for file. A run starts from where the machine's last
// run left it, so a run shown before the batch is played here first.
struct ReferenceFile {
    QString name;
    QByteArray bytes;
};
std::vector<ReferenceFile> ReferenceBatch(std::uint32_t seed, int plays, SettingChoice setting, int sims,
                                          const QString& baseName, int playsShownBefore = 0)
{
    RandomSource random;
    random.Seed(seed);
    Slot slot(random);
    PlaySeries series;
    if (playsShownBefore > 0 && !RunSingle(slot, random, playsShownBefore, {false, 2}, series))
        QTest::qFail("the run was abandoned", __FILE__, __LINE__);
    std::vector<ReferenceFile> files;
    for (int i = 1; i <= sims; ++i) {
        if (!RunSingle(slot, random, plays, setting, series))
            QTest::qFail("the run was abandoned", __FILE__, __LINE__);
        const std::string name = BatchFileName(baseName.toStdString(), slot.GetSetting(), slot.playCount, i);
        files.push_back({QString::fromStdString(name),
                         ToBytes(EncodeSimFile(slot.GetSetting(), slot.playCount, series))});
    }
    return files;
}

}  // namespace

class FilesTest : public QObject {
    Q_OBJECT

    MessageBox::Recorder boxes;

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

    void SaveThenOpenShowsTheSameResult()
    {
        TMainForm form(nullptr, SEED);
        SetInputs(form, "3000", "4", "1");
        Start(form);
        QCOMPARE(form.StatusText(), DONE_TEXT);
        const QStringList shown = Snapshot(form);
        QVERIFY(shown.size() > 3000);

        const QString path = dir->filePath("run.sim");
        FileDialog::SetNextAnswer(path);
        form.FileSaveMenuClick(nullptr);
        QCOMPARE(form.StatusText(), QStringLiteral("シミュレーションファイルに保存完了"));
        QCOMPARE(ReadAll(path), ToBytes(EncodeSimFile(4, 3000, form.HeldSeries())));

        // Something else on screen, then the file again.
        SetInputs(form, "500", "?", "1");
        Start(form);
        QVERIFY(Snapshot(form) != shown);
        FileDialog::SetNextAnswer(path);
        form.FileOpenMenuClick(nullptr);

        QCOMPARE(Snapshot(form), shown);
        QCOMPARE(form.ui->FlevelComboBox->currentText(), QStringLiteral("4"));
        QCOMPARE(form.ui->PlayNumEdit->text(), QStringLiteral("3000"));
        QCOMPARE(form.StatusText(), QStringLiteral("シミュレーションファイルの読み込み完了"));
        QVERIFY(form.ui->StartButton->isEnabled());
        QVERIFY(MessageBox::Shown().empty());
        // Open leaves the Slot with the last run: its hint and its setting.
        QCOMPARE(form.ui->Label3->text(), QStringLiteral("終了時に設定が確認できます"));
        QCOMPARE(form.Machine().playCount, 500);

        // Each dialog proposes the name last confirmed in it.
        QCOMPARE(form.OpenDialog.FileName(), path);
        QCOMPARE(form.SaveDialog.FileName(), path);

        // Saved again: the file as it was, under its own header, not under
        // the machine's last run (500 plays at a drawn setting).
        const QString copy = dir->filePath("copy.sim");
        FileDialog::SetNextAnswer(copy);
        form.FileSaveMenuClick(nullptr);
        QCOMPARE(ReadAll(copy), ReadAll(path));

        // After a batch the held run is its last simulation, with its header.
        SetInputs(form, "300", "5", "2");
        FileDialog::SetNextAnswer(dir->filePath("batch.sim"));
        Start(form);
        const QString last = dir->filePath("last.sim");
        FileDialog::SetNextAnswer(last);
        form.FileSaveMenuClick(nullptr);
        QCOMPARE(ReadAll(last), ReadAll(dir->filePath("batch5_300_2.sim")));
    }

    void OpenRefusesWhatHoldsNoGame_data()
    {
        QTest::addColumn<QByteArray>("content");
        const QByteArray header = ToBytes(EncodeSimFile(2, 100, PlaySeries()));
        PlaySeries noPlays;
        noPlays.Append(PlayRow{});  // a crafted record whose playCount is 0
        QTest::newRow("text file") << QByteArray("Play数 1000\n設定 3\n");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("3 bytes") << QByteArray("\x05\x00\x00", 3);
        QTest::newRow("header cut") << header.left(8);
        QTest::newRow("12-byte header only") << header;
        QTest::newRow("record cut, none whole") << header + QByteArray(43, '\x01');
        QTest::newRow("last playCount 0") << ToBytes(EncodeSimFile(2, 100, noPlays));
    }
    void OpenRefusesWhatHoldsNoGame()
    {
        QFETCH(QByteArray, content);
        TMainForm form(nullptr, SEED);
        SetInputs(form, "800", "2", "1");
        Start(form);
        const QStringList shown = Snapshot(form);
        const QString path = dir->filePath("refused.sim");
        WriteBytes(path, content);

        FileDialog::SetNextAnswer(path);
        form.FileOpenMenuClick(nullptr);

        QCOMPARE(MessageBox::Shown().size(), std::size_t(1));
        QCOMPARE(MessageBox::Shown().front().text, NOT_SIM_FILE);
        QCOMPARE(form.StatusText(), QStringLiteral("シミュレーションファイルの読み込み中断"));
        QCOMPARE(Snapshot(form), shown);
        // What is on screen can still be saved.
        QCOMPARE(form.HeldSeries().Back().playCount, 800);
        QCOMPARE(form.ui->PlayNumEdit->text(), QStringLiteral("800"));
        QCOMPARE(form.ui->FlevelComboBox->currentText(), QStringLiteral("2"));
        QVERIFY(form.ui->StartButton->isEnabled());
    }

    void OpenShowsTheWholeRecordsOfACutFile()
    {
        RandomSource random;
        random.Seed(SEED);
        Slot slot(random);
        PlaySeries series;
        QVERIFY(RunSingle(slot, random, 400, {false, 5}, series));
        const QByteArray whole = ToBytes(EncodeSimFile(5, 400, series));
        const QString path = dir->filePath("cut.sim");
        WriteBytes(path, whole.left(whole.size() - 20));

        TMainForm form;
        FileDialog::SetNextAnswer(path);
        form.FileOpenMenuClick(nullptr);

        QVERIFY(MessageBox::Shown().empty());
        QCOMPARE(form.HeldSeries().Size(), series.Size() - 1);
        QCOMPARE(form.ResultListViewModel()->rowCount(), static_cast<int>(series.Size() - 1));
        QCOMPARE(form.HeldSeries().Back(), series[series.Size() - 2]);
        QCOMPARE(form.StatusText(), QStringLiteral("シミュレーションファイルの読み込み完了"));
        QVERIFY(form.ui->FileSaveMenu->isEnabled());
    }

    void OpenOfWhatCannotBeOpenedChangesNothing()
    {
        TMainForm form;
        form.SetStatusText(QStringLiteral("before"));
        FileDialog::SetNextAnswer(dir->filePath("missing.sim"));
        form.FileOpenMenuClick(nullptr);
        FileDialog::SetNextAnswer(dir->path());
        form.FileOpenMenuClick(nullptr);
        FileDialog::SetNextAnswer(std::nullopt);
        form.FileOpenMenuClick(nullptr);
        QCOMPARE(form.StatusText(), QStringLiteral("before"));
        QVERIFY(MessageBox::Shown().empty());
        QVERIFY(!form.ui->FileSaveMenu->isEnabled());
    }

    void BatchWritesOneFileEqualToASingleRunPerSimulation_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("baseName");
        QTest::addColumn<QString>("writtenAs");
        QTest::newRow("fixed setting") << "3"
                                       << "test.sim"
                                       << "test.sim";
        QTest::newRow("hidden setting") << "?"
                                        << "test.sim"
                                        << "test.sim";
        // A name typed without extension is a simulation file, as for Save.
        QTest::newRow("no extension") << "6"
                                      << "plain"
                                      << "plain.sim";
        QTest::newRow("dotted folder, no extension") << "2"
                                                     << "my.runs/plain"
                                                     << "my.runs/plain.sim";
    }
    void BatchWritesOneFileEqualToASingleRunPerSimulation()
    {
        QFETCH(QString, setting);
        QFETCH(QString, baseName);
        QFETCH(QString, writtenAs);
        QVERIFY(QDir(dir->path()).mkpath(QFileInfo(baseName).path()));
        TMainForm form(nullptr, SEED);
        SetInputs(form, "150", "2", "1");
        Start(form);
        const QStringList before = Snapshot(form);
        SetInputs(form, "700", setting, "3");
        FileDialog::SetNextAnswer(dir->filePath(baseName));
        Start(form);
        const QString base = dir->filePath(writtenAs);
        QCOMPARE(form.SaveDialog.FileName(), base);

        const SettingChoice choice =
            setting == "?" ? SettingChoice{true, 1} : SettingChoice{false, setting.toInt()};
        const auto expected = ReferenceBatch(SEED, 700, choice, 3, base, 150);
        QStringList written = QDir(QFileInfo(base).path()).entryList(QDir::Files);
        QCOMPARE(written.size(), 3);
        for (const ReferenceFile& file : expected) {
            QVERIFY2(QFileInfo(file.name).dir() == QFileInfo(base).dir(), qPrintable(file.name));
            QVERIFY2(ReadAll(file.name) == file.bytes, qPrintable(file.name));
        }
        // How many files and where, as one pattern of their names.
        const QString pattern = QFile::decodeName(
            BatchFilePattern(base.toStdString(),
                             setting == "?" ? std::nullopt : std::optional<int>(setting.toInt()), 700)
                .c_str());
        QCOMPARE(form.StatusText(), QStringLiteral("シミュレーション完了（3ファイル: %1）").arg(pattern));
        QCOMPARE(form.ui->ProgressBar1->value(), 100);
        QVERIFY(form.ui->StartButton->isEnabled());
        // A batch shows nothing: every view, the play list included, keeps
        // the run shown before, while the window holds its last simulation.
        QCOMPARE(Snapshot(form), before);
        QVERIFY(form.ui->FileSaveMenu->isEnabled());
        QCOMPARE(
            ToBytes(EncodeSimFile(form.Machine().GetSetting(), form.Machine().playCount, form.HeldSeries())),
            expected.back().bytes);
        form.FlevelButtonClick(nullptr);
        QCOMPARE(form.ui->FlevelComboBox->currentText(), QString::number(form.Machine().GetSetting()));
        QVERIFY(expected.back().name.contains(QStringLiteral("%1_700_3").arg(form.Machine().GetSetting())));
    }

    void BatchProgressAndStatusPerSimulation()
    {
        TMainForm form;
        SetInputs(form, "50", "1", "3");
        const QString base = dir->filePath("steps.sim");
        FileDialog::SetNextAnswer(base);
        QStringList seen;
        QStringList counts;
        // Seen at each simulation's message processing: what the one before set.
        QTimer watcher;
        connect(&watcher, &QTimer::timeout, &form, [&] {
            const QString step = QString::number(form.ui->ProgressBar1->value()) + " " + form.StatusText();
            if (seen.isEmpty() || seen.back() != step) seen << step;
            const QString count =
                form.ui->ProgressBar1->isTextVisible() ? form.ui->ProgressBar1->text() : QString();
            if (counts.isEmpty() || counts.back() != count) counts << count;
        });
        watcher.start(0);
        Start(form);
        watcher.stop();
        const QString saving = QStringLiteral("シミュレーションファイルに保存中。");
        QCOMPARE(seen, (QStringList{"0 シミュレーション実行中・・・",
                                    "33 " + saving + dir->filePath("steps1_50_1.sim"),
                                    "66 " + saving + dir->filePath("steps1_50_2.sim")}));
        QCOMPARE(form.ui->ProgressBar1->value(), 100);
        QCOMPARE(counts, (QStringList{"1 / 3", "2 / 3", "3 / 3"}));
        QVERIFY(!form.ui->ProgressBar1->isTextVisible());
    }

    void BatchErrorStopKeepsTheEarlierFiles()
    {
        TMainForm form(nullptr, SEED);
        SetInputs(form, "300", "1", "5");
        const QString base = dir->filePath("stop.sim");
        QVERIFY(QDir(dir->path()).mkdir("stop1_300_3.sim"));  // simulation 3 cannot be created
        FileDialog::SetNextAnswer(base);
        Start(form);

        QCOMPARE(form.StatusText(), QStringLiteral("エラーにより強制終了しました。"));
        QVERIFY(form.ui->StartButton->isEnabled());
        const auto expected = ReferenceBatch(SEED, 300, {false, 1}, 3, base);
        QCOMPARE(ReadAll(expected[0].name), expected[0].bytes);
        QCOMPARE(ReadAll(expected[1].name), expected[1].bytes);
        QVERIFY(QFileInfo(expected[2].name).isDir());
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
        QCOMPARE(form.ui->ProgressBar1->value(), 40);
        // The window holds the simulation whose file failed.
        QCOMPARE(ToBytes(EncodeSimFile(1, 300, form.HeldSeries())), expected[2].bytes);
        // The box says which file failed, not only the status bar that it did.
        QCOMPARE(MessageBox::Shown().size(), std::size_t(1));
        QVERIFY(MessageBox::Shown().back().text.contains(QStringLiteral("stop1_300_3.sim")));
        QCOMPARE(form.SaveDialog.Title(), QStringLiteral("一括シミュレーションの保存先"));
    }

    void WriteFailuresAreReportedAndDamageNothing()
    {
        TMainForm form(nullptr, SEED);
        SetInputs(form, "2000", "2", "1");
        Start(form);
        form.SetStatusText(QStringLiteral("before"));

        FileDialog::SetNextAnswer(QStringLiteral("/dev/full"));
        form.FileSaveMenuClick(nullptr);
        QCOMPARE(MessageBox::Shown().size(), std::size_t(1));
        QVERIFY(MessageBox::Shown().back().text.contains(QStringLiteral("/dev/full")));
        QCOMPARE(form.StatusText(), QStringLiteral("before"));

        // A disk that fills up under an existing file: the old file stays.
        const QString kept = dir->filePath("kept.sim");
        const QByteArray old = ToBytes(EncodeSimFile(6, 1, PlaySeries()));
        WriteBytes(kept, old);
        {
            FileSizeLimit full(4096);
            FileDialog::SetNextAnswer(kept);
            form.FileSaveMenuClick(nullptr);
        }
        QCOMPARE(MessageBox::Shown().size(), std::size_t(2));
        QVERIFY(MessageBox::Shown().back().text.contains(kept));
        QCOMPARE(form.StatusText(), QStringLiteral("before"));
        QCOMPARE(ReadAll(kept), old);

        // The same in a batch is its error stop.
        SetInputs(form, "2000", "2", "2");
        {
            FileSizeLimit full(4096);
            FileDialog::SetNextAnswer(dir->filePath("full.sim"));
            Start(form);
        }
        QCOMPARE(form.StatusText(), QStringLiteral("エラーにより強制終了しました。"));
        QCOMPARE(MessageBox::Shown().size(), std::size_t(3));
        QVERIFY(MessageBox::Shown().back().text.contains(dir->filePath("full2_2000_1.sim")));
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"kept.sim"});
    }

    void SaveThatCannotCreateIsSilent()
    {
        TMainForm form;
        SetInputs(form, "100", "1", "1");
        Start(form);
        form.SetStatusText(QStringLiteral("before"));
        FileDialog::SetNextAnswer(dir->filePath("no/such/folder/x.sim"));
        form.FileSaveMenuClick(nullptr);
        QVERIFY(MessageBox::Shown().empty());
        QCOMPARE(form.StatusText(), QStringLiteral("before"));
    }

    void CancelledBatchDialogRunsNothing()
    {
        TMainForm form(nullptr, SEED);
        SetInputs(form, "300", "?", "3");
        form.SetProgress(17);
        FileDialog::SetNextAnswer(std::nullopt);
        Start(form);

        QCOMPARE(form.StatusText(), QString());
        QVERIFY(form.ui->StartButton->isEnabled());
        QCOMPARE(form.Machine().playCount, 0);
        QVERIFY(form.HeldSeries().Empty());
        QCOMPARE(form.ui->ProgressBar1->value(), 17);
        QCOMPARE(form.ui->Label3->text(), QString());
        QVERIFY(QDir(dir->path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
        // The dialog still proposes its initial name.
        QCOMPARE(form.SaveDialog.FileName(), QStringLiteral("*.sim"));
    }

    // Closing the window at a simulation's message processing ends the batch
    // there: the files written so far are whole, no other file appears, and
    // nothing else could start meanwhile.
    void ClosingStopsTheBatchCleanly()
    {
        TMainForm form;
        form.show();
        SetInputs(form, "300", "?", "5");
        const QString base = dir->filePath("closed.sim");
        bool heldOff = false;
        QTimer closer;
        connect(&closer, &QTimer::timeout, &form, [&] {
            if (QDir(dir->path()).entryList(QDir::Files).size() < 2) return;
            closer.stop();
            form.FlevelButtonClick(nullptr);
            FileDialog::SetNextAnswer(dir->filePath("other.sim"));
            form.FileSaveMenuClick(nullptr);
            heldOff =
                form.ui->FlevelComboBox->currentText() == "?" && !QFile::exists(dir->filePath("other.sim"));
            form.close();
        });
        closer.start(0);
        FileDialog::SetNextAnswer(base);
        Start(form);
        FileDialog::SetHeadless(false);  // drops the answer Save must not have taken
        FileDialog::SetHeadless(true);

        QVERIFY(heldOff);
        QTRY_VERIFY(!form.isVisible());
        const QStringList files = QDir(dir->path()).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(files.size(), 2);
        for (const QString& name : files) {
            PlaySeries series;
            const SimReadResult read = ReadSimFile(dir->filePath(name).toStdString(), series);
            QVERIFY2(read.Ok() && read.playCount == 300 && series.Back().playCount == 300, qPrintable(name));
        }
    }

    void SettingCheckShowsTheSlotsSetting()
    {
        TMainForm form(nullptr, SEED);
        auto check = [&form] {
            form.FlevelButtonClick(form.ui->FlevelButton);
            return form.ui->FlevelComboBox->currentText();
        };
        form.ui->FlevelComboBox->setEditText("?");
        QCOMPARE(check(), QStringLiteral("1"));

        for (int run = 0; run < 3; ++run) {
            SetInputs(form, "200", "?", "1");
            Start(form);
            QCOMPARE(form.ui->FlevelComboBox->currentText(), QStringLiteral("?"));
            QCOMPARE(check(), QString::number(form.Machine().GetSetting()));
            QCOMPARE(form.ui->Label3->text(), QStringLiteral("終了時に設定が確認できます"));
        }

        // After a batch: the last simulation's, as its file name tells.
        SetInputs(form, "200", "?", "4");
        FileDialog::SetNextAnswer(dir->filePath("check.sim"));
        Start(form);
        const QString shown = check();
        QVERIFY(QFile::exists(dir->filePath("check" + shown + "_200_4.sim")));

        // After an Open: still the last run's, not the file's.
        const QString other = dir->filePath("other.sim");
        PlaySeries one;
        one.Append(PlayRow{1, -3, 1, 0, 0, 0, 0, 0, 0, 0, 0});
        WriteBytes(other, ToBytes(EncodeSimFile(shown == "6" ? 5 : 6, 1, one)));
        FileDialog::SetNextAnswer(other);
        form.FileOpenMenuClick(nullptr);
        QVERIFY(form.ui->FlevelComboBox->currentText() != shown);
        QCOMPARE(check(), shown);
    }

    void HelpMenu()
    {
        TMainForm form;
        TAboutBox box(&form);
        form.SetAboutBox(&box);
        int shown = 0;
        for (int showing = 1; showing <= 2; ++showing) {
            QTimer::singleShot(0, &box, [&] {
                shown += box.isVisible() ? 1 : 0;
                box.findChild<QPushButton*>("OKButton")->click();
            });
            form.HelpAboutMenuClick(form.ui->HelpAboutMenu);
        }
        QCOMPARE(shown, 2);

        QList<ShellCall> calls;
        SetShellRecorder([&calls](const ShellCall& call) { calls << call; });
        form.HelpManMenuClick(nullptr);
        form.JWord1Click(nullptr);
        form.N3Click(nullptr);
        form.N4Click(nullptr);
        SetShellRecorder({});
        const QString appDir = QCoreApplication::applicationDirPath() + "/";
        // No installer beside the tests: the user is told so, nothing is started.
        QCOMPARE(calls.size(), 3);
        QVERIFY(calls[0].target == appDir + "mirvosim-manual.html" ||
                calls[0].target == appDir + "mirvo.hlp");
        QCOMPARE(MessageBox::Shown().size(), std::size_t{1});
        QVERIFY(MessageBox::Shown().back().text.startsWith(QStringLiteral("JWordのインストーラ")));
        QCOMPARE(calls[1].verb, ShellVerb::Open);
        QVERIFY(calls[2].target.startsWith(calls[1].target.left(calls[1].target.lastIndexOf('/') + 1)));
        QVERIFY(calls[2].target.endsWith("ad.html"));

        // With the installer there, it is started with its parameters.
        const QString installer = appDir + "jwv_for_PA417209.exe";
        QVERIFY(!QFileInfo::exists(installer));
        WriteBytes(installer, "MZ");
        calls.clear();
        SetShellRecorder([&calls](const ShellCall& call) { calls << call; });
        form.JWord1Click(nullptr);
        SetShellRecorder({});
        QFile::remove(installer);
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls[0], (ShellCall{ShellVerb::Run, installer, "PA417209 1"}));
    }

private:
    std::unique_ptr<QTemporaryDir> dir;  // fresh for every test
};

QTEST_MAIN(FilesTest)
#include "files_test.moc"
