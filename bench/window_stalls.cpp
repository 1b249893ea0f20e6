// window_stalls: the real windowed program (Qt view, test window with its
// real link and focus aids, library) polling at its fastest settings (timer
// period 5, the five send-all boxes, pause 0) through a misbehaving peer
// (bench/flood_peer.h) in front of the DL06 simulator, all on 127.0.0.1.
// It reports the window thread's longest stall (bench/stall_meter.h) in one
// of three situations:
//   --case flood  the peer streams valid replies at full speed for
//                 --flood-seconds (10); also peak RSS, requests per second
//                 before and after, and the requests left unanswered once
//                 polling has stopped (targets: < 100 ms, < 100 MB, 0);
//   --case about  the About button is pressed while the desktop's opener takes
//                 10 s to return (a fake xdg-open first on PATH) (< 50 ms);
//   --case close  the graceful close of a connection whose peer has stopped
//                 reading and holds unread requests: the peer half-closes, the
//                 library closes its side lingering, Close is pressed (< 50 ms).
//
//   xvfb-run -a window_stalls --case flood|about|close
// (scripts/bench.sh stalls --case ... runs it so.)
#include <linux/sockios.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include <QAbstractButton>
#include <QApplication>
#include <QSpinBox>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "app/window_aids.h"
#include "bench/bench_support.h"
#include "bench/fastest_settings.h"
#include "bench/flood_peer.h"
#include "bench/named_widget.h"
#include "bench/stall_meter.h"
#include "gui/qt_window_host.h"
#include "modbus/test_connection.h"
#include "window/test_settings.h"
#include "window/test_window.h"

namespace {

using bench::Require;

class CountingConnection : public MyC {
public:
    CountingConnection(TestData& data, TestWindowServices& services) : MyC(data, services), data_(data) {}
    void Send() override {
        ++sends;
        MyC::Send();
    }
    /// Requests of the send log that went out and have no reply.
    int Unanswered() const {
        int count = 0;
        for (const CommsRow& row : data_.QComms) count += row.Sent == 1 && row.Recieved == 0 ? 1 : 0;
        return count;
    }
    int64_t sends = 0;

private:
    TestData& data_;
};

using bench::Named;

/// A directory with an "xdg-open" that takes `seconds` to return, put first on PATH.
void SlowOpenerOnPath(const std::filesystem::path& directory, int seconds) {
    const auto opener = directory / "xdg-open";
    std::ofstream(opener) << "#!/bin/sh\nsleep " << seconds << "\nexit 0\n";
    chmod(opener.c_str(), 0755);
    const char* path = getenv("PATH");
    setenv("PATH", (directory.string() + ":" + (path ? path : "/usr/bin:/bin")).c_str(), 1);
}

/// Runs `step` `ms` after the start of the event loop.
void At(int ms, std::function<void()> step) { QTimer::singleShot(ms, std::move(step)); }

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // lines survive a run that has to be stopped
    const std::string which = bench::TextOption(argc, argv, "--case", "flood");
    const int floodSeconds = static_cast<int>(bench::NumberOption(argc, argv, "--flood-seconds", 10));
    Require(which == "flood" || which == "about" || which == "close", "--case is flood, about or close");
    bench::ServerProcess server;  // before any thread of ours exists

    std::string pattern = (std::filesystem::temp_directory_path() / "brackwater-bench-XXXXXX").string();
    Require(mkdtemp(pattern.data()) != nullptr, "a temporary directory");
    if (which == "about") SlowOpenerOnPath(pattern, 10);
    bench::Library library;
    bench::FloodPeer peer(server.Port(), which == "close" ? 1024 : 0);

    const std::string settingsFile = (std::filesystem::path(pattern) / "Brackwater.ini").string();
    bench::WriteFastestSettings(peer.Port(), settingsFile);

    QApplication qt(argc, argv);
    gui::QtWindowHost host;
    bench::StallMeter meter;
    CountingConnection* connection = nullptr;
    int64_t sendsAt = 0;
    bench::Clock::time_point since;
    auto rate = [&] { return static_cast<double>(connection->sends - sendsAt) / bench::SecondsSince(since); };
    auto mark = [&] {
        sendsAt = connection->sends;
        since = bench::Clock::now();
    };
    auto finish = [&] { Named<QAbstractButton>("BExit")->click(); };

    At(500, [&] {
        for (const char* box : bench::kSendAllBoxes) Named<QAbstractButton>(box)->click();
        Named<QSpinBox>("TimerValue")->setValue(5);
        Named<QAbstractButton>("BOpen")->click();
    });
    At(1500, [&] {
        Require(connection != nullptr && connection->OpenFlag == 1, "the connection opens");
        mark();
        meter.Reset();
    });
    if (which == "flood") {
        const int floodEnd = 2500 + floodSeconds * 1000;
        At(2500, [&] {
            std::printf("before the flood: %.1f requests/s\n", rate());
            peer.SetFlooding(true);
        });
        At(floodEnd, [&] {
            peer.SetFlooding(false);
            std::printf("flood: %.1f MB of replies sent in %d s; longest stall so far %.1f ms\n",
                        static_cast<double>(peer.FloodBytes()) / 1e6, floodSeconds, meter.LongestMs());
        });
        // After the flood: a second to drain, five of ordinary polling, then the
        // boxes are cleared and a second later no request may be left without reply.
        At(floodEnd + 1000, [&] {
            std::printf("backlog a second after the flood: %lld bytes\n", static_cast<long long>(peer.Backlog()));
            mark();
        });
        At(floodEnd + 6000, [&] {
            std::printf("after the flood: %.1f requests/s\n", rate());
            for (const char* box : bench::kSendAllBoxes) Named<QAbstractButton>(box)->click();
        });
        At(floodEnd + 7000, [&] {
            std::printf("requests without a reply once polling stopped: %d (target 0)\n", connection->Unanswered());
            std::printf(
                "longest window-thread stall %.1f ms (target < 100 ms), peak RSS (VmHWM) %ld kB "
                "(target < 100 MB)\n",
                meter.LongestMs(), bench::PeakRssKb());
            finish();
        });
    } else if (which == "about") {
        At(2500, [&] {
            meter.Reset();
            Named<QAbstractButton>("BAbout")->click();
        });
        At(5500, [&] {
            std::printf(
                "About with an opener that takes 10 s: longest stall %.1f ms (target < 50 ms); "
                "%.1f requests/s meanwhile\n",
                meter.LongestMs(), rate());
            finish();
        });
    } else {
        At(2000, [&] {
            peer.StopReading();
            mark();
        });
        At(7000, [&] {
            int unsent = 0;
            ioctl(connection->Connection_.Socket, SIOCOUTQ, &unsent);
            std::printf("%.1f requests/s into the peer that stopped reading, %d bytes unsent; the peer closes\n",
                        rate(), unsent);
            meter.Reset();
            peer.ShutdownSending();
        });
        if (bench::NumberOption(argc, argv, "--press-close", 0) != 0)
            At(7300, [&] { Named<QAbstractButton>("BClose")->click(); });
        At(12000, [&] {
            std::printf("Close against a peer that stopped reading: longest stall %.1f ms (target < 50 ms)\n",
                        meter.LongestMs());
            finish();
        });
    }

    window::TestWindowParts parts;
    parts.settingsFile = settingsFile;
    parts.connection = [&connection](TestData& data, TestWindowServices& services) {
        auto made = std::make_unique<CountingConnection>(data, services);
        connection = made.get();
        return made;
    };
    app::WindowAids aids;
    aids.Install(parts);
    window::Test(host, std::move(parts));
    std::filesystem::remove_all(pattern);
    return 0;
}
