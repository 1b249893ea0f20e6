#include "app/stop_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace app {
namespace {

int gWriteEnd = -1;  // set before the handler is installed, never changed afterwards

void OnStopSignal(int number) {
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(number);
    // A full pipe already holds a stop for the loop; losing this byte loses nothing.
    [[maybe_unused]] const ssize_t put = write(gWriteEnd, &byte, 1);
    errno = saved;
}

void SetAction(int number, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(number, &action, nullptr);
}

}  // namespace

int CatchStopSignals() {
    SetAction(SIGPIPE, SIG_IGN);  // a write to a closed pipe or socket then fails with EPIPE
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
    gWriteEnd = ends[1];
    for (int number : {SIGTERM, SIGINT, SIGHUP}) SetAction(number, OnStopSignal);
    return ends[0];
}

std::optional<int> TakeStopSignal(int readEnd) {
    std::optional<int> last;
    unsigned char bytes[16];
    for (;;) {
        const ssize_t got = read(readEnd, bytes, sizeof bytes);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return last;
        last = bytes[got - 1];
    }
}

}  // namespace app
