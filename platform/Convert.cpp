#include "platform/Convert.h"

#include "sim/WholeNumber.h"

ConversionError::ConversionError(const QString& text)
    : std::runtime_error(QStringLiteral("'%1' は有効な整数値ではありません。").arg(text).toStdString())
{
}

int StrToInt(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    const auto value =
        ParseWholeNumber(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (!value) throw ConversionError(text);
    return *value;
}
