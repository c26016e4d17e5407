#include "platform/Clock.h"

#include <QLocale>
#include <QRegularExpression>

QString ClockText(const QDateTime& when)
{
    // The user's own date and time format, whatever language the program speaks.
    const QLocale locale = QLocale::system();
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    static const QRegularExpression ZONE(QStringLiteral("\\s*\\bt+\\b\\s*"));
    timeFormat.replace(ZONE, QString()).squeeze();
    return locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(when.time(), timeFormat.trimmed());
}
