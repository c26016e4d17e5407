#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "aboutbox/HelpLinks.h"
#include "aboutbox/Unit2.h"
#include "platform/Shell.h"

namespace {

// Collects shell calls for the life of a test so nothing reaches the desktop.
class ShellCalls {
public:
    ShellCalls()
    {
        SetShellRecorder([this](const ShellCall& call) { calls.push_back(call); });
    }
    ~ShellCalls() { SetShellRecorder({}); }
    ShellCalls(const ShellCalls&) = delete;
    ShellCalls& operator=(const ShellCalls&) = delete;

    QList<ShellCall> calls;
};

QString AppFile(const char* name)
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(name);
}

}  // namespace

class AboutBoxTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs); }

    void Layout_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::newRow("Panel1") << "Panel1" << QRect(8, 8, 281, 161);
        QTest::newRow("ProgramIcon") << "ProgramIcon" << QRect(40, 8, 32, 32);
        QTest::newRow("ProductName") << "ProductName" << QRect(88, 16, -1, -1);
        QTest::newRow("Version") << "Version" << QRect(88, 40, -1, -1);
        QTest::newRow("authorship") << "Copyright" << QRect(52, 80, 97, -1);
        QTest::newRow("Label2") << "Label2" << QRect(148, 80, -1, -1);
        QTest::newRow("Label1") << "Label1" << QRect(196, 144, -1, -1);
        QTest::newRow("OKButton") << "OKButton" << QRect(111, 180, 75, 25);
    }
    void Layout()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        TAboutBox box;
        const auto* widget = box.findChild<QWidget*>(name);
        QVERIFY2(widget, qPrintable(name));
        const QRect actual = widget->geometry();
        QCOMPARE(actual.topLeft(), geometry.topLeft());
        if (geometry.width() >= 0) QCOMPARE(actual.width(), geometry.width());
        if (geometry.height() >= 0) QCOMPARE(actual.height(), geometry.height());
        // Everything inside the panel stays within it.
        if (widget->parentWidget() != &box)
            QVERIFY2(widget->parentWidget()->rect().contains(actual), qPrintable(name));
    }

    void TextsAndStyle()
    {
        TAboutBox box;
        box.ensurePolished();
        QCOMPARE(box.windowTitle(), QStringLiteral("バージョン情報"));
        QCOMPARE(box.size(), QSize(298, 213));
        QCOMPARE(box.minimumSize(), box.maximumSize());
        QCOMPARE(box.findChild<QLabel*>("ProductName")->text(), QStringLiteral("Mirvosim"));
        QCOMPARE(box.findChild<QLabel*>("Version")->text(), QStringLiteral("Version1.0.3.0"));
        const QPixmap icon = box.findChild<QLabel*>("ProgramIcon")->pixmap();
        QVERIFY(!icon.isNull());
        QCOMPARE(icon.toImage(), QPixmap(":/mirvosim.png").toImage());
        auto* ok = box.findChild<QPushButton*>("OKButton");
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QVERIFY(ok->isDefault());
        for (const char* name : {"Label1", "Label2", "Copyright"})
            QVERIFY2(!box.findChild<QLabel*>(name)->text().isEmpty(), name);
        for (const char* name : {"Label1", "Label2"}) {
            auto* link = box.findChild<QLabel*>(name);
            link->ensurePolished();
            QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
            QCOMPARE(link->palette().color(QPalette::WindowText), QColor(Qt::blue));
            QVERIFY2(link->font().underline(), name);
            QCOMPARE(link->font().pixelSize(), 12);
        }
    }

    void OpensAnyNumberOfTimes()
    {
        TAboutBox box;
        for (int showing = 1; showing <= 2; ++showing) {
            QTimer::singleShot(0, &box, [&box] {
                QVERIFY(box.isVisible());
                QTest::mouseClick(box.findChild<QPushButton*>("OKButton"), Qt::LeftButton);
            });
            QCOMPARE(box.exec(), int(QDialog::Accepted));
            QVERIFY(!box.isVisible());
        }
    }

    void LinksReachTheShell()
    {
        ShellCalls shell;
        TAboutBox box;
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QTest::mouseClick(box.findChild<QLabel*>("Label1"), Qt::LeftButton);
        QTest::mouseClick(box.findChild<QLabel*>("Label2"), Qt::LeftButton);
        // A click on a plain label does nothing.
        QTest::mouseClick(box.findChild<QLabel*>("Copyright"), Qt::LeftButton);
        QCOMPARE(shell.calls.size(), 2);
        QCOMPARE(shell.calls[0], (ShellCall{ShellVerb::Open, HomePageUrl(), {}}));
        QVERIFY(shell.calls[1].target.startsWith(QStringLiteral("mailto:")));
        QCOMPARE(shell.calls[1].target, MailToUrl());
        QVERIFY(box.isVisible());
    }

    void HelpCommands()
    {
        ShellCalls shell;
        QVERIFY(OpenHomePage());
        QVERIFY(OpenAdPage());
        // Without the installer beside the program nothing is started.
        QFile::remove(AppFile("jwv_for_PA417209.exe"));
        QVERIFY(!RunJWordInstaller());
        QCOMPARE(shell.calls.size(), 2);
        QFile installer(AppFile("jwv_for_PA417209.exe"));
        QVERIFY(installer.open(QIODevice::WriteOnly));
        installer.close();
        const bool started = RunJWordInstaller();
        installer.remove();
        QVERIFY(started);
        QCOMPARE(shell.calls.size(), 3);
        QCOMPARE(shell.calls[0].verb, ShellVerb::Open);
        QVERIFY(shell.calls[0].target.startsWith(QStringLiteral("http")));
        QCOMPARE(shell.calls[1], (ShellCall{ShellVerb::Open, HomePageUrl() + "ad.html", {}}));
        QCOMPARE(shell.calls[2],
                 (ShellCall{ShellVerb::Run, AppFile("jwv_for_PA417209.exe"), QStringLiteral("PA417209 1")}));
    }

    // The help file is looked for beside the executable, never in the working
    // folder; without it the shipped manual opens.
    void ManualFallsBackToTheShippedManual()
    {
        if (QFile::exists(AppFile("mirvo.hlp"))) QSKIP("a real help file sits beside the test");
        ShellCalls shell;
        QTemporaryDir elsewhere;
        QVERIFY(elsewhere.isValid());
        QFile decoy(elsewhere.filePath("mirvo.hlp"));
        QVERIFY(decoy.open(QIODevice::WriteOnly));
        decoy.close();
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(elsewhere.path()));
        QFile::remove(AppFile("mirvo.hlp"));

        OpenManual();

        QFile help(AppFile("mirvo.hlp"));
        QVERIFY(help.open(QIODevice::WriteOnly));
        help.close();
        OpenManual();
        QFile::remove(AppFile("mirvo.hlp"));
        QDir::setCurrent(previous);

        QCOMPARE(shell.calls.size(), 2);
        QCOMPARE(shell.calls[0], (ShellCall{ShellVerb::Open, AppFile("mirvosim-manual.html"), {}}));
        QCOMPARE(shell.calls[1], (ShellCall{ShellVerb::Open, AppFile("mirvo.hlp"), {}}));
    }

    // An installed program finds the manual installed with it; the files a
    // build tree puts beside the program come first.
    void ManualPathFindsTheInstalledManual()
    {
        QTemporaryDir prefix;
        QVERIFY(prefix.isValid());
        const QDir root(prefix.path());
        QVERIFY(root.mkpath("bin") && root.mkpath("share/doc/mirvosim"));
        const QString bin = root.filePath("bin");
        const auto touch = [&root](const char* name) {
            QFile file(root.filePath(QLatin1String(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        };

        QCOMPARE(ManualPath(bin), root.filePath("bin/mirvo.hlp"));
        touch("share/doc/mirvosim/mirvosim-manual.html");
        QCOMPARE(ManualPath(bin), root.filePath("share/doc/mirvosim/mirvosim-manual.html"));
        touch("bin/mirvosim-manual.html");
        QCOMPARE(ManualPath(bin), root.filePath("bin/mirvosim-manual.html"));
        touch("bin/mirvo.hlp");
        QCOMPARE(ManualPath(bin), root.filePath("bin/mirvo.hlp"));
    }

    // Without a recorder the program really starts, detached, with its
    // parameter text split into arguments.
    void RunStartsTheProgramWithItsParameters()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString script = dir.filePath("installer.sh");
        const QString out = dir.filePath("args.txt");
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\nprintf '%s|' \"$@\" > \"$0.tmp\" && mv \"$0.tmp\" " + QFile::encodeName(out) +
                   "\n");
        file.close();
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);

        ShellExecute({ShellVerb::Run, script, QStringLiteral("PA417209 1")});

        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(out), 10000);
        QFile args(out);
        QVERIFY(args.open(QIODevice::ReadOnly));
        QCOMPARE(args.readAll(), QByteArray("PA417209|1|"));
    }
};

QTEST_MAIN(AboutBoxTest)
#include "aboutbox_test.moc"
