#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "Version.h"
#include "mainform/AppSetup.h"
#include "mainform/CommandLine.h"
#include "mainform/Unit1.h"
#include "mainform/tools/ChartImages.h"
#include "platform/MessageBox.h"
#include "sim/SimFile.h"
#include "sim/SingleRun.h"
#include "tests/support/WholeNumberCases.h"
#include "ui_MainForm.h"

Q_DECLARE_METATYPE(CommandLine::Action)

namespace {

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray SimFileBytes(int setting, int plays)
{
    RandomSource random;
    random.Seed(99);
    Slot slot(random);
    PlaySeries series;
    if (!RunSingle(slot, random, plays, {false, setting}, series))
        QTest::qFail("the run was abandoned", __FILE__, __LINE__);
    const std::string bytes = EncodeSimFile(setting, plays, series);
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

struct Run {
    int status;
    QByteArray out;
    QByteArray err;
};

// The installed program as a desktop or a shell starts it.
Run RunProgram(const QStringList& arguments, const QProcessEnvironment& environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(MIRVOSIM_PROGRAM), arguments);
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
        return {-1, {}, "did not finish"};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

}  // namespace

class CommandLineTest : public QObject {
    Q_OBJECT

    MessageBox::Recorder boxes;

private slots:
    void initTestCase()
    {
        SetUpApplication(*qApp);
        MessageBox::SetHeadless(true);
    }
    void init() { MessageBox::ClearShown(); }

    void Parse_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<CommandLine::Action>("action");
        QTest::addColumn<QString>("fileOrError");
        using A = CommandLine::Action;
        QTest::newRow("nothing") << QStringList{} << A::Window << "";
        QTest::newRow("a file") << QStringList{"run3_8000_2.sim"} << A::Window << "run3_8000_2.sim";
        QTest::newRow("- is a name") << QStringList{"-"} << A::Window << "-";
        QTest::newRow("after --") << QStringList{"--", "--version"} << A::Window << "--version";
        QTest::newRow("version beside a file") << QStringList{"a.sim", "--version"} << A::Version << "";
        QTest::newRow("help beats a bad option") << QStringList{"--bogus", "--help"} << A::Help << "";
        QTest::newRow("-h") << QStringList{"-h"} << A::Help << "";
        QTest::newRow("unknown option")
            << QStringList{"a.sim", "--bogus"} << A::Error << "unknown option '--bogus'";
        QTest::newRow("two files") << QStringList{"a.sim", "b.sim"} << A::Error
                                   << "one file at a time (got 2)";
        QTest::newRow("chart beside its input")
            << QStringList{"--export-chart", "slump", "a.sim", "--out", "a.png"} << A::ExportChart << "a.sim";
        QTest::newRow("chart over its input")
            << QStringList{"--export-chart", "slump", "a.sim", "--out", "./a.sim"} << A::Error
            << "--out './a.sim' would write over the input file 'a.sim'";
    }
    void Parse()
    {
        QFETCH(QStringList, arguments);
        QFETCH(CommandLine::Action, action);
        QFETCH(QString, fileOrError);
        const CommandLine line = ParseCommandLine(arguments);
        QCOMPARE(line.action, action);
        QCOMPARE(action == CommandLine::Action::Error ? line.error : line.file, fileOrError);
    }

    // --size reads each side as every whole number is read.
    void ImageSidesAreWholeNumbers()
    {
        constexpr std::int64_t MOST = 16384;
        for (const WholeNumberCase& c : WHOLE_NUMBER_CASES) {
            const bool side = c.value && *c.value >= 1 && *c.value <= MOST;
            const QSize size = ParseImageSize(QString::fromUtf8(c.text) + QStringLiteral("x100"));
            QVERIFY2(size == (side ? QSize(static_cast<int>(*c.value), 100) : QSize()), c.text);
        }
    }

    void OpenFileShowsASimulationFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("run3_800_2.sim");
        WriteBytes(path, SimFileBytes(3, 800));
        TMainForm form;

        form.OpenFile(path);

        QVERIFY(MessageBox::Shown().empty());
        QCOMPARE(form.StatusText(), QStringLiteral("シミュレーションファイルの読み込み完了"));
        QCOMPARE(form.ui->FlevelComboBox->currentText(), QStringLiteral("3"));
        QCOMPARE(form.ui->PlayNumEdit->text(), QStringLiteral("800"));
        QCOMPARE(form.HeldSeries().Back().playCount, 800);
        QVERIFY(form.ui->FileSaveMenu->isEnabled());
    }

    // Unlike a name picked in the dialog, a name from outside may lead
    // nowhere; either way the user is told and the window stays empty.
    void OpenFileRefusesWithAMessage_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        const QString notSim = QString::fromUtf8(NOT_SIM_FILE_MESSAGE);
        const QString cannotOpen = QStringLiteral("シミュレーションファイルを開けませんでした。\n");
        QTest::newRow("text file") << "notes.sim" << QByteArray("Play数 1000\n") << notSim;
        QTest::newRow("header only") << "empty.sim" << SimFileBytes(2, 10).left(12) << notSim;
        QTest::newRow("missing") << "missing.sim" << QByteArray() << cannotOpen;
        QTest::newRow("a folder") << "" << QByteArray() << cannotOpen;
    }
    void OpenFileRefusesWithAMessage()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString path = name.isEmpty() ? dir.path() : dir.filePath(name);
        if (!content.isEmpty()) WriteBytes(path, content);
        TMainForm form;

        form.OpenFile(path);

        QCOMPARE(MessageBox::Shown().size(), std::size_t(1));
        const QString expected = message.endsWith('\n') ? message + path : message;
        QCOMPARE(MessageBox::Shown().front().text, expected);
        QVERIFY(form.HeldSeries().Empty());
        QVERIFY(!form.ui->FileSaveMenu->isEnabled());
        QVERIFY(form.ui->StartButton->isEnabled());
    }

    // A terminal without a display still gets the version and the usage.
    void ProgramAnswersWithoutADisplay()
    {
        QProcessEnvironment bare = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            bare.remove(QString::fromLatin1(name));
        const Run version = RunProgram({"--version"}, bare);
        QCOMPARE(version.status, 0);
        QCOMPARE(version.out, QByteArray("mirvosim ") + MIRVOSIM_VERSION + "\n");
        const Run help = RunProgram({"--help"}, bare);
        QCOMPARE(help.status, 0);
        QVERIFY(help.out.startsWith("usage: mirvosim [FILE]\n"));

        QProcessEnvironment offscreen = bare;
        offscreen.insert("QT_QPA_PLATFORM", "offscreen");
        const Run bad = RunProgram({"--bogus"}, offscreen);
        QCOMPARE(bad.status, 2);
        QVERIFY2(bad.err.contains("mirvosim: unknown option '--bogus'"), bad.err.constData());
        QVERIFY(bad.out.isEmpty());
    }
};

QTEST_MAIN(CommandLineTest)
#include "command_line_test.moc"
