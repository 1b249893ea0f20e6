#include "bench/stall_meter.h"

#include <algorithm>

namespace bench {

StallMeter::StallMeter(int periodMs) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(periodMs);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Turn(); });
    clock_.start();
    lastNs_ = clock_.nsecsElapsed();
    timer_.start();
}

void StallMeter::Reset() {
    lastNs_ = clock_.nsecsElapsed();
    longestMs_ = 0;
}

void StallMeter::Turn() {
    const qint64 now = clock_.nsecsElapsed();
    longestMs_ = std::max(longestMs_, static_cast<double>(now - lastNs_) / 1e6);
    lastNs_ = now;
}

}  // namespace bench
