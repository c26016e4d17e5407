#pragma once

#include <QString>

// The help and link commands of the Help menu and the About box. Each hands
// one call to the shell (platform/Shell.h) and changes no state; what the
// desktop does with it is not reported back.

inline constexpr char HELP_FILE_NAME[] = "mirvo.hlp";
inline constexpr char MANUAL_FILE_NAME[] = "mirvosim-manual.html";
inline constexpr char JWORD_INSTALLER_NAME[] = "jwv_for_PA417209.exe";
inline constexpr char JWORD_INSTALLER_PARAMETERS[] = "PA417209 1";

// Each returns false when it could do nothing: the file is not there, or the
// desktop has no program for it (Shell.h).
// Opens ManualPath() of the executable's folder.
bool OpenManual();
// The manual for a program in `programFolder`: "mirvo.hlp" beside it when it
// is there, else the HTML manual beside it (a build tree), else the one
// installed with it (PREFIX/share/doc/mirvosim for PREFIX/bin). When none is
// there, the help file's name beside the program.
QString ManualPath(const QString& programFolder);
bool RunJWordInstaller();
bool OpenHomePage();
bool OpenAdPage();
// A new message to the author in the user's mail program.
bool OpenMailToAuthor();

QString HomePageUrl();
QString AdPageUrl();
QString MailToUrl();
