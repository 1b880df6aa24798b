// tvkhost: plays the back office Torvik for the trelvax driver. A shop technician tests a
// register connection or replays an export with it; the end-to-end tests drive it too.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/App.h"
#include "host/Demo.h"
#include "host/Host.h"
#include "host/MessageRenderer.h"
#include "host/Text.h"
#include "platform/Console.h"
#include "platform/Env.h"
#include "trelvax_version.h"

namespace {

constexpr char kUsage[] =
    "usage: tvkhost [options] COMMAND\n"
    "commands:\n"
    "  params            the driver's parameters: names, types, defaults, descriptions, lists\n"
    "  props             the driver's and the device's properties, the shared resource\n"
    "  test              connection test (operation -1)\n"
    "  export            export of goods and tables to the register (operation -2) of\n"
    "                    kasa.exp in the exchange directory, with a summary\n"
    "  import            import of the day's sales (operation -3), with a summary\n"
    "  op CODE [PARAM]   any operation by its code\n"
    "  demo              everything against a simulated register, with no set-up\n"
    "  --version         tvkhost's version and the driver library's\n"
    "options:\n"
    "  --config FILE     configuration (default tvkhost.ini in the current directory)\n"
    "  --device NAME     the device section to use (default: the first)\n"
    "  --lib PATH        the driver library (default: beside tvkhost)\n"
    "  --out DIR         where stored exports and imports go (default: tvkhost-out beside\n"
    "                    the configuration)\n"
    "  --lang FILE       translations: lines module<TAB>key<TAB>text\n"
    "  --log FILE        also write everything shown to FILE (plain lines, UTF-8)\n"
    "  --quiet           show nothing (with --log: write it only there)\n"
    "  --sim DIR         demo: the simulator's programs (default: symulator, else elzab,\n"
    "                    beside tvkhost)\n"
    "  --keep            demo: keep its folder in the temporary folder (it is removed when\n"
    "                    all went well)\n"
    "  --file PATH       export: the export file to send (copied into the exchange\n"
    "                    directory as kasa.exp; default: the kasa.exp already there)\n"
    "  --date YYYY-MM-DD import: the day whose sales to import (default: today)\n"
    "Ctrl+C asks the driver to stop at its next check; a second Ctrl+C ends tvkhost.\n"
    "Exit status: 0 without error lines, 1 when the operation reported errors, 2 when\n"
    "tvkhost could not start it (command line, configuration, library).\n";

volatile std::sig_atomic_t g_interrupts = 0;

void OnInterrupt(int) {
  tvkhost::Host::RequestAbort();
  g_interrupts = g_interrupts + 1;
  if (g_interrupts >= 2) {
    std::signal(SIGINT, SIG_DFL);
    std::raise(SIGINT);
    return;
  }
  std::signal(SIGINT, OnInterrupt);
}

// tvkhost's version, then the driver library's as its file carries it, on the screen (unless
// quiet) and in the log; 0 when both are known.
int Versions(const tvkhost::AppOptions& options, bool quiet, std::FILE* log) {
  auto say = [&](const std::string& line) {
    const std::string utf8 = tvkhost::Cp1250ToUtf8(line);
    if (!quiet) platform::WriteConsoleText(stdout, utf8);
    if (log != nullptr) std::fputs(utf8.c_str(), log);
  };
  say(std::string("tvkhost ") + TRELVAX_VERSION + " (revision " + TRELVAX_REVISION + ")\n");
  const std::string lib = options.libPath.empty() ? tvkhost::DefaultLibraryPath() : options.libPath;
  std::string version, revision;
  if (!platform::Env::Default()->FileExists(lib)) {
    say("driver  " + lib + ": no such file\n");
    return tvkhost::kExitSetup;
  }
  if (!platform::ReadFileVersion(lib, version, revision)) {
    say("driver  " + lib + ": carries no version (not a trelvax library?)\n");
    return tvkhost::kExitSetup;
  }
  say("driver  " + lib + " " + version + " (revision " + (revision.empty() ? "unknown" : revision) +
      ")\n");
  return tvkhost::kExitOk;
}

int Usage(const std::string& problem) {
  if (!problem.empty()) {
    platform::WriteConsoleText(stderr, "tvkhost: " + tvkhost::Cp1250ToUtf8(problem) + "\n");
  }
  std::fputs(kUsage, stderr);
  return tvkhost::kExitSetup;
}

}  // namespace

int main(int argc, char** argv) {
  // Inside, tvkhost holds Windows-1250 as the driver does; a POSIX terminal types UTF-8.
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) args.push_back(platform::FromNativeText(argv[i]));
  tvkhost::AppOptions options;
  std::string logPath;
  bool quiet = false;
  std::vector<std::string> words;
  bool showVersions = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = args[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= argc) return false;
      into = args[++i];
      return true;
    };
    bool ok = true;
    if (arg == "--config") {
      ok = value(options.configPath);
    } else if (arg == "--device") {
      ok = value(options.device);
    } else if (arg == "--lib") {
      ok = value(options.libPath);
    } else if (arg == "--out") {
      ok = value(options.outDir);
    } else if (arg == "--lang") {
      ok = value(options.langFile);
    } else if (arg == "--log") {
      ok = value(logPath);
    } else if (arg == "--quiet") {
      quiet = true;
    } else if (arg == "--sim") {
      ok = value(options.simDir);
    } else if (arg == "--keep") {
      options.keep = true;
    } else if (arg == "--file") {
      ok = value(options.exportFile);
    } else if (arg == "--date") {
      ok = value(options.importDate);
      if (ok && !tvkhost::IsIsoDate(options.importDate)) {
        return Usage("--date takes a day as YYYY-MM-DD, for example 2026-12-08");
      }
    } else if (arg == "--version") {
      showVersions = true;
    } else if (arg == "-h" || arg == "--help" || arg == "help") {
      std::fputs(kUsage, stdout);
      return tvkhost::kExitOk;
    } else if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
      return Usage("unknown option " + arg);
    } else {
      words.push_back(arg);
    }
    if (!ok) return Usage("option " + arg + " needs a value");
  }
  if (words.empty() && !showVersions) return Usage("no command");
  if (!options.exportFile.empty() && (words.empty() || words[0] != "export")) {
    return Usage("--file goes with the command export");
  }
  if (!options.importDate.empty() && (words.empty() || words[0] != "import")) {
    return Usage("--date goes with the command import");
  }

  std::FILE* log = nullptr;
  if (!logPath.empty()) {
    log = platform::Env::Default()->OpenFile(logPath, "wb");
    if (log == nullptr) return Usage("cannot write the log file " + logPath);
  }
  if (showVersions) {
    const int code = Versions(options, quiet, log);
    if (log != nullptr) std::fclose(log);
    return code;
  }
  bool live = !quiet && platform::StdoutIsTerminal() && platform::PrepareConsoleOutput();
  int width = live ? platform::ConsoleWidth() : 80;
  tvkhost::MessageRenderer renderer(
      live, width,
      [quiet](const std::string& text) {
        if (quiet) return;
        platform::WriteConsoleText(stdout, text);
      },
      log == nullptr ? tvkhost::MessageRenderer::Sink()
                     : [log](const std::string& text) {
                         std::fwrite(text.data(), 1, text.size(), log);
                         std::fflush(log);
                       });
  std::signal(SIGINT, OnInterrupt);

  const std::string& command = words[0];
  int code = tvkhost::kExitSetup;
  tvkhost::App app(options, renderer);
  if (command == "params" && words.size() == 1) {
    code = app.Params();
  } else if (command == "props" && words.size() == 1) {
    code = app.Props();
  } else if (command == "test" && words.size() == 1) {
    code = app.Operation(TVKDLL_OP_TEST_POLACZENIA, 0);
  } else if (command == "export" && words.size() == 1) {
    code = app.Export();
  } else if (command == "import" && words.size() == 1) {
    code = app.Import();
  } else if (command == "op" && (words.size() == 2 || words.size() == 3)) {
    int op = 0;
    int parameter = 0;
    if (!tvkhost::ParseInt(words[1], op) ||
        (words.size() == 3 && !tvkhost::ParseInt(words[2], parameter))) {
      code = Usage("op takes an operation code and an optional parameter, both integers");
    } else {
      code = app.Operation(op, parameter);
    }
  } else if (command == "demo" && words.size() == 1) {
    code = tvkhost::RunDemo(options, renderer);
  } else {
    code = Usage("unknown command or wrong arguments: " + command);
  }
  app.Finish();
  renderer.Flush();
  if (log != nullptr) std::fclose(log);
  return code;
}
