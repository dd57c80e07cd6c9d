// The message box on a console: its caption on one line, then the lines of its text
// ("|" breaks a line), nothing else. No wrapping of its own (the terminal wraps, and a
// path stays whole for copying) and no waiting for a key, so it serves in scripts.
#pragma once

#include <ostream>
#include <string_view>

namespace kestrand::platform {

void writeConsoleBox(std::ostream& console, std::string_view text, std::string_view caption);

// Makes writes to a console that has gone away (a closed pipe) fail instead of ending
// the process, so the program's exit code stays its own.
void keepRunningWhenConsoleCloses();

}  // namespace kestrand::platform
