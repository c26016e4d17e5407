#pragma once

class QApplication;

// What the application sets before its first window: title, icon, fonts and
// the program's own (non-native) dialogs. Tests and benchmarks call it too,
// so they see the window as users do.
void SetUpApplication(QApplication& app);
