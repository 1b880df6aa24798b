// The console seam on a POSIX system: terminals understand escape sequences and UTF-8.
#include <sys/ioctl.h>
#include <unistd.h>

#include "platform/Console.h"

namespace platform {

bool PrepareConsoleOutput() {
  return isatty(STDOUT_FILENO) != 0;
}

void WriteConsoleText(std::FILE* stream, const std::string& utf8) {
  std::fwrite(utf8.data(), 1, utf8.size(), stream);
  std::fflush(stream);
}

int ConsoleWidth() {
  struct winsize ws;
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) != 0) return 0;
  return static_cast<int>(ws.ws_col);
}

}  // namespace platform
