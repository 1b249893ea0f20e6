// For tests only: puts the process-wide logging state back to how a fresh
// process starts (switches 0, banners not yet written, object options not yet
// read) and empties the calling thread's start-up list. The command line is
// left alone; tests set it with platform::SetCommandLine.
#pragma once

void ResetNetLoggingForTests();

/// For tests only: while `fail` is true, NetGet_NetCriticalSection returns null,
/// as when the library lock cannot be reached.
void FailNetCriticalLookupForTests(bool fail);
