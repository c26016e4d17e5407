#pragma once

#include <QElapsedTimer>

// Lets the window process its pending messages during long work, by time:
// once per row would cost more than the work itself.
//
// To be used as follows: make one pump per piece of work, call Poll() as
// often as convenient (it processes at most every INTERVAL_MS, or the
// interval it was made with), and after each call that returns true check
// whether the work must stop.
class MessagePump {
public:
    static constexpr int INTERVAL_MS = 25;

    // An interval of 0 processes at every Poll (tests that must not depend
    // on the machine's speed).
    explicit MessagePump(int intervalMs = INTERVAL_MS) : interval(intervalMs) { clock.start(); }
    // True when messages were processed by this call.
    bool Poll();

    // Process everything pending now, once.
    static void ProcessPendingMessages();

private:
    QElapsedTimer clock;
    int interval;
};
