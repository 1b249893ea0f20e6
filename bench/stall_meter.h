// The longest stall of the thread that runs a Qt event loop: a precise
// timer asks for a turn every few milliseconds, and a turn that comes late
// by more than its period shows how long the loop was kept from running.
// The figure is "time between two consecutive turns of the event loop",
// rounded up to the probe's period.
//
// Owner thread only (the thread whose loop is measured).
#pragma once

#include <QElapsedTimer>
#include <QTimer>

namespace bench {

class StallMeter {
public:
    /// Starts probing at once, every `periodMs`.
    explicit StallMeter(int periodMs = 5);
    /// Forgets the stalls seen so far.
    void Reset();
    /// The longest gap between two turns since the start or the last Reset, in ms.
    double LongestMs() const { return longestMs_; }

private:
    void Turn();

    QTimer timer_;
    QElapsedTimer clock_;
    qint64 lastNs_ = 0;
    double longestMs_ = 0;
};

}  // namespace bench
