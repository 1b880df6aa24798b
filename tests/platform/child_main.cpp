// A child program for the process-run tests: writes its arguments, one per line, and its
// current directory into "child.txt" in that directory, then exits with the code that its
// first argument names (0 when none). With the first argument "hang" it never ends; with
// "spawn" it starts itself with "beat" and never ends; with "beat" it adds a byte to
// "beat.txt" every 20 ms for ever; "spawnaway" and "beataway" do the same, the helper first
// leaving the program's process group (a session of its own; on Windows, plain "beat"); with
// "inherits N" it writes "inherited=yes" or "=no" to "child.txt" as the file handle (descriptor) N
// is open in it or not.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#ifdef _WIN32
#include <direct.h>
#include <windows.h>
#define getcwd _getcwd
#else
#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>
extern char** environ;
#endif

namespace {

bool HandleOpen(long long value) {
#ifdef _WIN32
  DWORD flags = 0;
  return GetHandleInformation(reinterpret_cast<HANDLE>(static_cast<intptr_t>(value)), &flags) != 0;
#else
  return fcntl(static_cast<int>(value), F_GETFD) != -1;
#endif
}

// Starts this program again with "beat", as a program starts a helper of its own: plainly,
// without a group or job of its own.
void StartBeating(const char* self, const char* mode) {
#ifdef _WIN32
  std::string line = std::string("\"") + self + "\" " + mode;
  STARTUPINFOA si;
  ZeroMemory(&si, sizeof(si));
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi;
  if (CreateProcessA(self, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
  }
#else
  std::string beat = mode;
  char* args[] = {const_cast<char*>(self), beat.data(), nullptr};
  pid_t pid = 0;
  posix_spawn(&pid, self, nullptr, nullptr, args, environ);
#endif
}

}  // namespace

int main(int argc, char** argv) {
  // Before this program opens anything itself, which could take the handle's number.
  const bool inherited =
      argc > 2 && std::string(argv[1]) == "inherits" && HandleOpen(std::atoll(argv[2]));
  char cwd[4096] = {0};
  if (getcwd(cwd, sizeof(cwd)) == nullptr) return 99;
  std::FILE* f = std::fopen("child.txt", "wb");
  if (f == nullptr) return 98;
  std::fprintf(f, "cwd=%s\n", cwd);
  for (int i = 1; i < argc; ++i) std::fprintf(f, "arg=%s\n", argv[i]);
  std::fclose(f);
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "inherits" && argc > 2) {
    std::FILE* out = std::fopen("child.txt", "ab");
    if (out == nullptr) return 97;
    std::fprintf(out, "inherited=%s\n", inherited ? "yes" : "no");
    std::fclose(out);
    return 0;
  }
  if (mode == "beat" || mode == "beataway") {
#ifndef _WIN32
    if (mode == "beataway") setsid();
#endif
    for (;;) {
      if (std::FILE* beat = std::fopen("beat.txt", "ab")) {
        std::fputc('.', beat);
        std::fclose(beat);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  if (mode == "spawn" || mode == "spawnaway") {
    StartBeating(argv[0], mode == "spawn" ? "beat" : "beataway");
    for (;;) std::this_thread::sleep_for(std::chrono::seconds(60));
  }
  if (mode == "hang") {
    for (;;) std::this_thread::sleep_for(std::chrono::seconds(60));
  }
  return argc > 1 ? std::atoi(argv[1]) : 0;
}
