// The modal message box a connection object's error trap shows. The network
// library sits below any window toolkit, so the program puts its own box in
// place at start-up; until then the text goes to the debug output.
#pragma once

#include <functional>
#include <string_view>

using NetMessageBoxProc = std::function<void(std::string_view text, std::string_view caption)>;

/// Puts `box` in force (an empty function restores the default). Set it before
/// connection objects run; it is read on their threads.
void SetNetMessageBox(NetMessageBoxProc box);

/// Shows `text` (a vertical bar starts a new line) with `caption`. Owner thread of the object.
void NetMessageBox(std::string_view text, std::string_view caption);
