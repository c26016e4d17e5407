#pragma once

#include <QElapsedTimer>

// Lets the window process its pending messages during long work, by time:
// once per row would cost more than the work itself.
//
// To be used as follows: make one pump per piece of work, call Poll() as
// often as convenient (it processes at most every INTERVAL_MS), and after
// each call that returns true check whether the work must stop.
class MessagePump {
public:
    static constexpr int INTERVAL_MS = 25;

    MessagePump() { clock.start(); }
    // True when messages were processed by this call.
    bool Poll();

    // Process everything pending now, once.
    static void ProcessPendingMessages();

private:
    QElapsedTimer clock;
};
