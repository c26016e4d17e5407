#include "mainform/CommandLine.h"

#include <QFile>

#include "Version.h"
#include "mainform/tools/ChartImages.h"
#include "sim/FileIdentity.h"

CommandLine ParseCommandLine(const QStringList& arguments)
{
    CommandLine line;
    QStringList files;
    QString unknown;
    bool optionsEnded = false;
    QString chartKind;
    QString chartOut;
    QString chartSize;
    QString missingValue;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        QString* value = nullptr;
        if (!optionsEnded) {
            if (argument == QLatin1String("--export-chart")) value = &chartKind;
            if (argument == QLatin1String("--out")) value = &chartOut;
            if (argument == QLatin1String("--size")) value = &chartSize;
        }
        if (value) {
            if (i + 1 >= arguments.size() || arguments[i + 1].startsWith(QLatin1String("--"))) {
                if (missingValue.isEmpty()) missingValue = argument;
            } else {
                *value = arguments[++i];
            }
            continue;
        }
        if (optionsEnded || argument == QLatin1String("-") || !argument.startsWith(QLatin1Char('-'))) {
            files << argument;
        } else if (argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (argument == QLatin1String("--version")) {
            return {CommandLine::Action::Version, {}, {}, {}, {}, {}};
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            return {CommandLine::Action::Help, {}, {}, {}, {}, {}};
        } else if (unknown.isEmpty()) {
            unknown = argument;
        }
    }
    const bool exportChart = !chartKind.isEmpty();
    if (!unknown.isEmpty()) {
        line.action = CommandLine::Action::Error;
        line.error = QStringLiteral("unknown option '%1'").arg(unknown);
    } else if (!missingValue.isEmpty()) {
        line.action = CommandLine::Action::Error;
        line.error = QStringLiteral("%1 needs a value").arg(missingValue);
    } else if (!exportChart && (!chartOut.isEmpty() || !chartSize.isEmpty())) {
        line.action = CommandLine::Action::Error;
        line.error = QStringLiteral("--out and --size go with --export-chart");
    } else if (exportChart && !ChartKinds().contains(chartKind)) {
        line.action = CommandLine::Action::Error;
        line.error =
            QStringLiteral("unknown chart '%1' (%2)").arg(chartKind, ChartKinds().join(QStringLiteral(", ")));
    } else if (exportChart && (files.size() != 1 || chartOut.isEmpty())) {
        line.action = CommandLine::Action::Error;
        line.error = QStringLiteral("--export-chart needs one FILE and --out PATH");
    } else if (exportChart && !chartSize.isEmpty() && ParseImageSize(chartSize).isEmpty()) {
        line.action = CommandLine::Action::Error;
        line.error = QStringLiteral("--size '%1' is not WIDTHxHEIGHT (1 to 16384 each)").arg(chartSize);
    } else if (exportChart && IsSameFile(QFile::encodeName(chartOut).toStdString(),
                                         QFile::encodeName(files.front()).toStdString())) {
        line.action = CommandLine::Action::Error;
        line.error =
            QStringLiteral("--out '%1' would write over the input file '%2'").arg(chartOut, files.front());
    } else if (exportChart) {
        line.action = CommandLine::Action::ExportChart;
        line.file = files.front();
        line.chartKind = chartKind;
        line.chartOut = chartOut;
        line.chartSize = ParseImageSize(chartSize);
    } else if (files.size() > 1) {
        line.action = CommandLine::Action::Error;
        line.error = QStringLiteral("one file at a time (got %1)").arg(files.size());
    } else if (!files.isEmpty()) {
        line.file = files.front();
    }
    return line;
}

QString WindowUsage()
{
    return QStringLiteral(
        "usage: mirvosim [FILE]\n"
        "       mirvosim --export-chart KIND FILE --out IMAGE [--size WxH]\n"
        "       mirvosim --help\n"
        "       mirvosim --version\n"
        "\n"
        "Opens the Mirvosim window; with FILE, shows that simulation file as\n"
        "ファイル > 開く does. A file that is not a simulation file is refused\n"
        "with a message box. Qt's own options (-platform, -style, ...) work too.\n"
        "mirvosim-cli runs and reads simulations without the window.\n"
        "\n"
        "--export-chart draws one chart of FILE as the window does, without a\n"
        "display, saves it as IMAGE (SVG for a name ending in .svg, otherwise PNG)\n"
        "and exits. KIND: slump, bonus, ren, koyaku, mode, rt, theory, estimate.\n"
        "--size sets the image's size (1920x1080); default the window's.\n");
}

QString WindowVersionLine()
{
    return QStringLiteral("mirvosim %1\n").arg(QString::fromLatin1(MIRVOSIM_VERSION));
}
