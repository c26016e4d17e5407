#include "platform/ErrorDisplay.h"

#include <QApplication>

#include "platform/MessageBox.h"

void ShowApplicationError(const QString& message)
{
    MessageBox::ShowError(QApplication::activeWindow(), message, QApplication::applicationDisplayName());
}

QString OutOfMemoryText()
{
    return QStringLiteral("メモリが不足しています。Play数を減らしてください。");
}
