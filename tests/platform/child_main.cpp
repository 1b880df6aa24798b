// A child program for the process-run tests: writes its arguments, one per line, and its
// current directory into "child.txt" in that directory, then exits with the code that its
// first argument names (0 when none). With the first argument "hang" it never ends.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#ifdef _WIN32
#include <direct.h>
#define getcwd _getcwd
#else
#include <unistd.h>
#endif

int main(int argc, char** argv) {
  char cwd[4096] = {0};
  if (getcwd(cwd, sizeof(cwd)) == nullptr) return 99;
  std::FILE* f = std::fopen("child.txt", "wb");
  if (f == nullptr) return 98;
  std::fprintf(f, "cwd=%s\n", cwd);
  for (int i = 1; i < argc; ++i) std::fprintf(f, "arg=%s\n", argv[i]);
  std::fclose(f);
  if (argc > 1 && std::string(argv[1]) == "hang") {
    for (;;) std::this_thread::sleep_for(std::chrono::seconds(60));
  }
  return argc > 1 ? std::atoi(argv[1]) : 0;
}
