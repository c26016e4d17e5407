#pragma once

#include <QString>

// Shown by the single run and the batch while the setting is hidden; one
// definition so they cannot drift apart.
inline const QString HIDDEN_SETTING_HINT = QStringLiteral("終了時に設定が確認できます");
