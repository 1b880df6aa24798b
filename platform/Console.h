// The console seam of the host program: what a terminal can do beyond plain bytes.
#pragma once

#include <cstdio>
#include <string>

namespace platform {

// Writes UTF-8 text to `stream` (stdout or stderr). On a Windows console it goes through the
// console's wide-character call, which every Windows version shows right whatever the
// console's code page and font; anywhere else (a file, a pipe, a POSIX terminal) as bytes.
void WriteConsoleText(std::FILE* stream, const std::string& utf8);

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
