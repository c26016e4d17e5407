#pragma once

#include <QColor>

#include <array>

#include "slot/MachineCodes.h"

// The colours of the six settings, settings 1..6 in order. The two tabs have
// always drawn them differently and keep their looks: 理論値 names its dashed
// lines by the colour of its column captions, so its colours are dark enough
// for text; 設定推測 draws thin lines that must stay apart on a small chart.
using SettingColours = std::array<QColor, SETTING_COUNT>;

inline const SettingColours THEORY_SETTING_COLOURS = {QColor(0, 0, 160),  QColor(0, 128, 255),
                                                      QColor(0, 150, 0),  QColor(200, 150, 0),
                                                      QColor(230, 90, 0), QColor(160, 0, 160)};
inline const SettingColours ESTIMATE_SETTING_COLOURS = {QColor(0x1f, 0x77, 0xb4), QColor(0x2c, 0xa0, 0x2c),
                                                        QColor(0x8c, 0x56, 0x4b), QColor(0x94, 0x67, 0xbd),
                                                        QColor(0xff, 0x7f, 0x0e), QColor(0xd6, 0x27, 0x28)};
