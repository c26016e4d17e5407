#pragma once

#include <QString>

// The font family the window and the About box were laid out for. The
// program maps it to a desktop font at start (SetUpApplication).
inline const QString FORM_FONT_FAMILY = QStringLiteral("ＭＳ Ｐゴシック");
