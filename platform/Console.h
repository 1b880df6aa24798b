// The console seam of the host program: what a terminal can do beyond plain bytes.
#pragma once

namespace platform {

// Prepares the console behind the standard output for UTF-8 text and, where the console
// needs to be asked, for ANSI escape sequences (colours, cursor movement). Windows: sets the
// console's output code page to UTF-8 and switches on virtual-terminal processing. POSIX:
// nothing to do. Returns true when escape sequences will be understood; false when the output
// is no console or the console cannot be switched (then write plain lines only).
bool PrepareConsoleOutput();

// The width of the terminal behind the standard output in columns; 0 when unknown (no
// terminal, or the system does not say).
int ConsoleWidth();

}  // namespace platform
