#pragma once

#include <QDateTime>
#include <QString>

// The clock text: the locale's short date, a blank, its long time (without a
// time-zone name, which a status-bar clock has no room for).
QString ClockText(const QDateTime& when = QDateTime::currentDateTime());
