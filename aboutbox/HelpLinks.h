#pragma once

#include <QString>

// The help and link commands of the Help menu and the About box. Each hands
// one call to the shell (platform/Shell.h) and changes no state; what the
// desktop does with it is not reported back.

inline constexpr char HELP_FILE_NAME[] = "mirvo.hlp";
inline constexpr char MANUAL_FILE_NAME[] = "mirvosim-manual.html";
inline constexpr char JWORD_INSTALLER_NAME[] = "jwv_for_PA417209.exe";
inline constexpr char JWORD_INSTALLER_PARAMETERS[] = "PA417209 1";

// "mirvo.hlp" beside the executable when it is there, otherwise the HTML manual
// shipped beside the executable.
// Each returns false when it could do nothing: the file is not beside the
// program, or the desktop has no program for it (Shell.h).
bool OpenManual();
bool RunJWordInstaller();
bool OpenHomePage();
bool OpenAdPage();
// A new message to the author in the user's mail program.
bool OpenMailToAuthor();

QString HomePageUrl();
QString AdPageUrl();
QString MailToUrl();
