#include "mainform/CommandLine.h"

#include "Version.h"

CommandLine ParseCommandLine(const QStringList& arguments)
{
    CommandLine line;
    QStringList files;
    QString unknown;
    bool optionsEnded = false;
    for (const QString& argument : arguments) {
        if (optionsEnded || argument == QLatin1String("-") || !argument.startsWith(QLatin1Char('-'))) {
            files << argument;
        } else if (argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (argument == QLatin1String("--version")) {
            return {CommandLine::Action::Version, {}, {}};
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            return {CommandLine::Action::Help, {}, {}};
        } else if (unknown.isEmpty()) {
            unknown = argument;
        }
    }
    if (!unknown.isEmpty()) {
        line.action = CommandLine::Action::Error;
        line.error = QStringLiteral("unknown option '%1'").arg(unknown);
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
        "       mirvosim --help\n"
        "       mirvosim --version\n"
        "\n"
        "Opens the Mirvosim window; with FILE, shows that simulation file as\n"
        "ファイル > 開く does. A file that is not a simulation file is refused\n"
        "with a message box. Qt's own options (-platform, -style, ...) work too.\n"
        "mirvosim-cli runs and reads simulations without the window.\n");
}

QString WindowVersionLine()
{
    return QStringLiteral("mirvosim %1\n").arg(QString::fromLatin1(MIRVOSIM_VERSION));
}
