#include "platform/MessagePump.h"

#include <QCoreApplication>

bool MessagePump::Poll()
{
    if (clock.elapsed() < interval) return false;
    ProcessPendingMessages();
    clock.restart();
    return true;
}

void MessagePump::ProcessPendingMessages()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}
