#include <QApplication>
#include <QScreen>
#include <QTimer>

#include <cstdio>

#include "aboutbox/Unit2.h"
#include "mainform/AppSetup.h"
#include "mainform/CommandLine.h"
#include "mainform/Unit1.h"
#include "mainform/tools/ChartImages.h"
#include "platform/ErrorDisplay.h"
#include "sim/AtomicFile.h"
#include "sim/MessageText.h"

namespace {

// Answers --version and --help, or refuses the arguments; -1 when the window
// is to start.
int AnswerCommandLine(const CommandLine& line)
{
    switch (line.action) {
        case CommandLine::Action::Window:
            return -1;
        case CommandLine::Action::Version:
            std::fputs(WindowVersionLine().toLocal8Bit().constData(), stdout);
            return 0;
        case CommandLine::Action::Help:
            std::fputs(WindowUsage().toLocal8Bit().constData(), stdout);
            return 0;
        case CommandLine::Action::ExportChart:
            return -1;
        case CommandLine::Action::Error:
            std::fprintf(stderr, "mirvosim: %s\nTry 'mirvosim --help'.\n",
                         OneLine(line.error.toLocal8Bit().toStdString()).c_str());
            return 2;
    }
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    // --version and --help need no display, so they answer before Qt starts.
    QStringList rawArguments;
    for (int i = 1; i < argc; ++i) rawArguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine early = ParseCommandLine(rawArguments);
    if (early.action == CommandLine::Action::Version || early.action == CommandLine::Action::Help)
        return AnswerCommandLine(early);

    // Logout or shutdown during a save or batch leaves no temporary file.
    InstallWriteSignalHandlers();
    // An image export needs no display, not even to refuse its arguments.
    if (rawArguments.contains(QStringLiteral("--export-chart")) &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const CommandLine line = ParseCommandLine(QApplication::arguments().mid(1));
    if (const int status = AnswerCommandLine(line); status >= 0) return status;
    SetUpApplication(app);
    if (line.action == CommandLine::Action::ExportChart) {
        int status = 1;
        RunHandler([&line, &status] { status = ExportChartFromCommandLine(line); });
        return status;
    }
    // Handlers show their own errors; this catches what escapes start-up.
    RunHandler([&line] {
        TMainForm mainForm;
        TAboutBox aboutBox(&mainForm);
        mainForm.SetAboutBox(&aboutBox);
        const QRect desktop = mainForm.screen()->availableGeometry();
        mainForm.move(desktop.center() - QPoint(mainForm.width() / 2, mainForm.height() / 2));
        mainForm.RestorePlacement();
        mainForm.show();
        // Once the loop runs, so that a refusal's box stands over the window.
        if (!line.file.isEmpty())
            QTimer::singleShot(0, &mainForm, [&mainForm, &line] { mainForm.OpenFile(line.file); });
        QApplication::exec();
    });
    // Errors are shown where they happen; the program always ends normally.
    return 0;
}
