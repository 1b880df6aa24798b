// A test double of the seam: files and directories are the real machine's, while time,
// sleeping, program runs, the registry and message boxes are scripted and recorded, so that
// a test can pretend a program failed, time passed or a file appeared, without waiting.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/Env.h"

namespace platform {

class FakeEnv : public Env {
 public:
  struct Run {
    std::string program;
    std::vector<std::string> args;
    std::string directory;
    std::function<bool()> stop;  // what the runner asks while it waits (may be empty)
  };
  struct Message {
    std::string text;
    std::string title;
    unsigned flags;
  };

  FakeEnv();

  // Program runs: recorded; answered by onRun when set, else "started, exit code 0".
  std::function<RunResult(const Run&)> onRun;
  std::vector<Run> runs;

  // Short paths: answered from this table, else the path unchanged.
  std::map<std::string, std::string> shortPaths;

  // Registry: key + "|" + value -> text.
  std::map<std::string, std::string> registry;

  // The clock: starts at `now` and moves only when the code sleeps.
  double now = 46000.5;  // 2025-12-09 12:00
  std::vector<int> sleeps;
  // Called after each sleep (for example to create a file the code is waiting for).
  std::function<void(int ms)> onSleep;

  std::vector<Message> messages;

  // Files named here (by their file-name part) cannot be deleted, as on Windows while another
  // program holds them open: RemoveFile leaves them and answers false. Every attempt counts.
  std::set<std::string> undeletable;
  int removeAttempts = 0;
  // Files named here (by their file-name part) are written, but closing them reports that
  // what was written could not be stored, as a full disk does.
  std::set<std::string> failingCloses;

  // The rates window: every window shown is recorded with its owner; answered by
  // onRatesDialog when set (which may change the rows' choices as a person would), else
  // Cancelled.
  std::function<DialogResult(RatesDialog&)> onRatesDialog;
  std::vector<RatesDialog> ratesDialogs;
  std::vector<void*> ratesDialogOwners;

  RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                       const std::string& directory,
                       const std::function<bool()>& stop = nullptr) override;
  std::string ShortPath(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  bool DirectoryExists(const std::string& path) override;
  bool RemoveFile(const std::string& path) override;
  bool MakeDirectories(const std::string& path) override;
  bool CreateNewFile(const std::string& path, const std::string& bytes) override;
  bool RenameFile(const std::string& from, const std::string& to) override;
  bool FileStamp(const std::string& path, int64_t& size, int64_t& modified) override;
  std::FILE* OpenFile(const std::string& path, const char* mode) override;
  bool SyncFile(std::FILE* file) override;
  void* LockFile(const std::string& path, bool& held) override;
  void UnlockFile(void* lock) override;
  bool CloseFile(std::FILE* file) override;
  std::string ReadRegistryString(const std::string& key, const std::string& value) override;
  double Now() override;
  void SleepMs(int ms) override;
  int ShowMessage(void* owner, const std::string& text, const std::string& title,
                  unsigned flags) override;
  DialogResult ShowRatesDialog(void* owner, RatesDialog& dialog) override;

 private:
  Env* real_;
  std::set<std::FILE*> failing_;  // open files of `failingCloses`
};

// Installs an Env for the lifetime of a scope and restores the previous one after it.
class ScopedEnv {
 public:
  explicit ScopedEnv(Env* env) : previous_(SetEnvForTesting(env)) {}
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  ~ScopedEnv() { SetEnvForTesting(previous_ == Env::Default() ? nullptr : previous_); }

 private:
  Env* previous_;
};

}  // namespace platform
