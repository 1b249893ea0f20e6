// What start-up learns about the operating system, for the trace only.
#pragma once

#include <string>

/// The information line: " Windows Information.  WindowsName = [...] ... Up_Time = ..d ..h ..m"
/// at start-up (with the Is_Term part), or the shutdown form without it.
/// The caller holds the library lock.
std::string WindowsInformationText(bool startUp);
