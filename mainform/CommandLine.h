#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

// The window program's own arguments: a simulation file to open (what a file
// manager passes on a double click), --version and --help.
struct CommandLine {
    enum class Action { Window, Version, Help, Error, ExportChart };
    Action action = Action::Window;
    QString file;   // the file to open once the window is up; empty for none
    QString error;  // why the arguments were refused (Action::Error)
    // --export-chart KIND FILE --out PATH [--size WxH]
    QString chartKind;
    QString chartOut;
    QSize chartSize;  // empty: the window's own size
};

// `arguments` without the program's name. Arguments after "--" are file
// names even when they start with "-". Options may stand anywhere; --version
// and --help win over everything else, so they answer even beside options
// that only Qt understands (the caller parses again once Qt has taken those).
[[nodiscard]] CommandLine ParseCommandLine(const QStringList& arguments);

// `mirvosim --help`, and `mirvosim --version` as one line.
QString WindowUsage();
QString WindowVersionLine();
