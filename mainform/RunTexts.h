#pragma once

#include <QString>

// Texts the single run and the batch both show; one definition so they
// cannot drift apart.
inline const QString HIDDEN_SETTING_HINT = QStringLiteral("終了時に設定が確認できます");
inline constexpr const char* SETTING_RANGE_TEXT = "設定は、1～6または?にしてください。";
