// The program's command line as the library sees it: one text of items
// separated by blanks. Switch tests see every text appended to it later.
// Set once at start-up on the first thread; read by any thread afterwards.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

/// Sets the command line from the program's arguments (argv[0] is item 0).
void SetCommandLine(int argc, const char* const* argv);
/// Sets the command line from one text (tests).
void SetCommandLine(std::string_view line);

/// The whole command line.
std::string CommandLine();

/// Item `n` (0 = the program's own name), or "" when there is none.
std::string CommandItem(std::size_t n);

/// True when some item begins with `switchText`, letter case ignored
/// (so "/sparlinlogerrors" satisfies "/sparlinlog").
bool HasSwitch(std::string_view switchText);

/// Removes trailing blanks from the line and appends `text` to it.
void AppendToCommandLine(std::string_view text);

}  // namespace platform
