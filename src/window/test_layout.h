// The declaration of the test window "Brackwater": every control with its
// name, kind, text, container, position, size, picture and use variable. The
// headless host and the Qt view both build the window from this one table.
//
// Control names follow the window's own names with ":" written as "_"
// ("Button:AllOn" is "Button_AllOn"). Tabs are named "Tab_" and their text
// ("Tab_Config"); the counter tabs "Tab_Counters_" and their octal label
// ("Tab_Counters_12"), with the row labels "CounterRow_<label>_<row>".
// Use variables are the names of the window's data, array entries as
// "Inputs[3]"; the two lists use the queues "QReturn" and "QComms".
#pragma once

#include <string>

#include "window/control.h"

namespace window {

const WindowDeclaration& TestWindowDeclaration();

/// The name of the entry for counter element `n` (1 .. 128) and the tab it sits on.
std::string CounterEntryName(int n);
std::string CounterTabName(int n);

}  // namespace window
