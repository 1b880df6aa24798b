// The console seam on Windows: the console is switched to UTF-8 output and, where it
// supports it (Windows 10 and later), to virtual-terminal processing of escape sequences.
#include <windows.h>

#include <algorithm>

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

void WriteConsoleText(std::FILE* stream, const std::string& utf8) {
  const DWORD which = stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE;
  HANDLE console = GetStdHandle(which);
  DWORD mode = 0;
  if ((stream != stdout && stream != stderr) || console == INVALID_HANDLE_VALUE ||
      GetConsoleMode(console, &mode) == 0 || utf8.empty()) {
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    std::fflush(stream);
    return;
  }
  std::fflush(stream);
  const int size = static_cast<int>(utf8.size());
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), n);
  // Older consoles refuse one write of more than about 64 KB: a piece at a time. A console
  // that refuses even that gets the bytes, rather than nothing at all.
  constexpr size_t kPiece = 8192;
  for (size_t at = 0; at < wide.size();) {
    const DWORD piece = static_cast<DWORD>(std::min(kPiece, wide.size() - at));
    DWORD written = 0;
    if (WriteConsoleW(console, wide.data() + at, piece, &written, nullptr) == 0 || written == 0) {
      std::fwrite(utf8.data(), 1, utf8.size(), stream);
      std::fflush(stream);
      return;
    }
    at += written;
  }
}

int ConsoleWidth() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info) == 0) return 0;
  return static_cast<int>(info.srWindow.Right - info.srWindow.Left + 1);
}

}  // namespace platform
