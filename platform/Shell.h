#pragma once

#include <QString>

#include <functional>

// The desktop shell: the one way the program hands something to another
// program. Results are not reported; a missing file or a desktop without a
// program for it is the desktop's business, not the caller's.

enum class ShellVerb {
    Open,  // a document or an address, with the desktop's program for it
    Run,   // an executable, started detached with its parameter text
};

struct ShellCall {
    ShellVerb verb = ShellVerb::Open;
    QString target;      // absolute file path, or an address with its scheme
    QString parameters;  // for Run: blank-separated, quoted where needed

    friend bool operator==(const ShellCall&, const ShellCall&) = default;
};

using ShellRecorder = std::function<void(const ShellCall&)>;

// Hands `call` to the desktop, or to the recorder when one is set. False
// when the desktop could not: no program for the document or address, or the
// executable would not start (a recorder always succeeds).
bool ShellExecute(const ShellCall& call);

// Full path of `fileName` in the folder of the running executable (never the
// current working folder).
QString ExecutableFolderFile(const QString& fileName);

// Test seam: while a recorder is set, every call goes to it and the desktop
// sees nothing. An empty recorder restores the desktop.
void SetShellRecorder(ShellRecorder recorder);
