// The signals that end the program from outside. SIGTERM, SIGINT and SIGHUP
// close the window as its close box does, so the connection is closed, the
// settings are saved and the desktop setting is put back; SIGPIPE is ignored,
// so a reader of standard error that goes away costs only the lines it misses.
//
// The handler only writes the signal's number into a pipe (async-signal-safe);
// the program's event loop watches the pipe's read end and does the closing.
#pragma once

#include <optional>

namespace app {

/// Ignores SIGPIPE and sends SIGTERM, SIGINT and SIGHUP into a pipe. Returns
/// the pipe's read end (non-blocking), or -1 when no pipe could be made (the
/// signals then keep their default action). Call once, first thing in main,
/// before any other thread starts; any thread may then receive the signals.
int CatchStopSignals();

/// Empties the pipe; the last signal read, or nothing. The watching thread only.
std::optional<int> TakeStopSignal(int readEnd);

}  // namespace app
