// Inside the callback window: the callback thread's procedure and the signal
// that tells the loader and the shutdown whether the thread still runs.
#pragma once

#include <chrono>

/// The callback thread's procedure: opens the callback window, runs its event
/// loop until a close-down, and closes it. Started by the loader.
void CallBackWindowSrc();

/// The running flag: set by the loader just before it starts the thread,
/// cleared as the thread's last act. Any thread may call.
void MarkCallBackThreadStarting();
void MarkCallBackThreadEnded();
bool CallBackThreadRunning();
/// Waits up to `timeout` for the flag to clear; true when it did.
bool WaitForCallBackThreadEnd(std::chrono::milliseconds timeout);

/// At library shutdown: asks a running callback window to close down and
/// waits (bounded) for its thread to end. Call without holding the lock.
void StopCallBackWindowAtExit();

/// Tests only: the next start of the callback thread fails as if the system
/// had no thread to give.
void FailNextCallBackThreadStartForTests();
