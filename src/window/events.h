// Event numbers of the window framework.
//
// Field events (about one control) lie below 0x200, window events from 0x200
// up; numbers from kFirstUserEvent up are free for anyone who posts into a
// thread's queue (the network library hands out its own from 2053 up), so a
// posted number never collides with a toolkit event.
#pragma once

namespace window {

enum Event : int {
    kNoEvent = 0,
    // Field events: the current field names the control.
    kAccepted = 0x01,        // a button was pressed, an entry or box was completed
    kNewSelection = 0x02,    // a spin box's arrows or a list's selection changed the value
    kPointerEntered = 0x0B,  // the mouse pointer came over a button
    kPointerLeft = 0x0C,     // the mouse pointer left it
    kSelected = 0x101,       // a control got the focus
    kTabChanging = 0x10B,    // a sheet is about to show another tab
    // Window events: the current field is empty.
    kCloseWindow = 0x201,  // the close box or a closing button
    kCloseDown = 0x202,    // the program is ending
    kOpenWindow = 0x203,   // the window has opened
    kMaximized = 0x206,
    kResize = 0x207,
    kTimer = 0x20B,
    kFirstUserEvent = 0x400,
};

/// True for the numbers that concern one control rather than the whole window.
constexpr bool IsFieldEvent(int event) { return event > kNoEvent && event < 0x200; }
/// True for the window's own events (opened, timer, close, resize...).
constexpr bool IsWindowEvent(int event) { return event >= 0x200 && event < kFirstUserEvent; }

}  // namespace window
