#pragma once

#include <QString>

#include <stdexcept>

// The conversion error of a text that is not a whole number; its message is
// "'<text>' は有効な整数値ではありません。".
class ConversionError : public std::runtime_error {
public:
    explicit ConversionError(const QString& text);
};

// Optional blanks around, an optional sign, ASCII digits, within 32 bits;
// anything else throws ConversionError.
int StrToInt(const QString& text);
