#include "Clock.h"

#include <QLocale>
#include <QRegularExpression>

QString ClockText(const QDateTime& when)
{
    const QLocale locale;
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    static const QRegularExpression ZONE(QStringLiteral("\\s*\\bt+\\b\\s*"));
    timeFormat.replace(ZONE, QString()).squeeze();
    return locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(when.time(), timeFormat.trimmed());
}
