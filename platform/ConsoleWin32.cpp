// The console seam on Windows: the console is switched to UTF-8 output and, where it
// supports it (Windows 10 and later), to virtual-terminal processing of escape sequences.
#include <windows.h>

#include "platform/Console.h"

#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

namespace platform {

bool PrepareConsoleOutput() {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (out == INVALID_HANDLE_VALUE || GetConsoleMode(out, &mode) == 0) return false;
  SetConsoleOutputCP(CP_UTF8);
  if ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0) return true;
  return SetConsoleMode(out, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

int ConsoleWidth() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info) == 0) return 0;
  return static_cast<int>(info.srWindow.Right - info.srWindow.Left + 1);
}

}  // namespace platform
