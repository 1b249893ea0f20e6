// The longest stall of a thread's Qt event loop: the longest time the thread
// spent between waking up and being ready to wait again, that is between two
// consecutive turns of its loop. Time spent asleep waiting for events does
// not count. Watches the event dispatcher of the thread that makes it.
//
// That thread only.
#pragma once

#include <QAbstractEventDispatcher>
#include <QElapsedTimer>
#include <QObject>
#include <QThread>

namespace bench {

class LoopStall {
public:
    LoopStall() {
        auto* dispatcher = QAbstractEventDispatcher::instance(QThread::currentThread());
        QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, &context_, [this] { Turn(false); });
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &context_, [this] { Turn(true); });
        clock_.start();
    }

    /// Forgets what was seen so far (the start-up, say).
    void Restart() {
        longest_ = 0;
        turns_ = 0;
        since_ = clock_.nsecsElapsed();
    }
    /// Milliseconds.
    double Longest() const { return static_cast<double>(longest_) / 1e6; }
    long long Turns() const { return turns_; }

private:
    // A gap that starts with going to sleep is idle time; any other gap is work.
    void Turn(bool sleeping) {
        const qint64 now = clock_.nsecsElapsed();
        if (!asleep_ && now - since_ > longest_) longest_ = now - since_;
        since_ = now;
        asleep_ = sleeping;
        ++turns_;
    }

    QObject context_;
    QElapsedTimer clock_;
    qint64 since_ = 0;
    qint64 longest_ = 0;
    long long turns_ = 0;
    bool asleep_ = false;
};

}  // namespace bench
