// The operating-system seam: everything the driver, the simulator and the host ask of
// Windows (or of a POSIX system standing in for it) goes through this one interface, so
// that tests can replace time, sleeping, program runs and the registry.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/RatesDialog.h"

namespace platform {

// The character that separates directories on this platform ("\" or "/").
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Outcome of one program run.
struct RunResult {
  bool started = false;   // false: the program could not be started; exitCode means nothing
  bool stopped = false;   // true: `stop` asked for it and the program was ended before it finished
  bool stuck = false;     // with stopped: the program did not end within kStopWaitMs of that
  uint32_t exitCode = 0;  // the program's exit code when it was started
  std::string error;      // the system's reason, in Polish words, when it could not be started
};

// How long a program ended on request may take to go (one stuck in a driver's I/O cannot go
// until that completes) before the wait gives up on it.
inline constexpr int kStopWaitMs = 10000;

class Env {
 public:
  Env() = default;
  Env(const Env&) = delete;
  Env& operator=(const Env&) = delete;
  virtual ~Env() = default;

  // The real machine. Lives for the whole process; never delete it.
  static Env* Default();

  // Runs `program` with `args` with `directory` as its current directory and waits, without a
  // time limit, until it ends. Windows: CreateProcessA with the command line that
  // JoinCommandLine gives, handles inherited, the host's environment, window minimised, in a
  // process group of its own (a console's Ctrl+C is the host's, as the warden's group is on
  // POSIX). POSIX: fork and execve with argv = program, args... (no shell, each argument one word),
  // under a warden process that waits for it whatever the host does with SIGCHLD, ends it
  // (and all it started) when the host dies, and ends what it left running when it ends.
  // Failure to start gives started == false and the reason in `error`.
  // While it waits it asks `stop` (when given) about once a second; when `stop` answers true
  // the program is ended at once together with every program it started (a job object that
  // kills on close; the warden, a subreaper, with SIGKILL), and the result says stopped; when it
  // has not gone kStopWaitMs later, the wait gives up and the result says stuck too. Without `stop`
  // nothing can end the wait but the program. Files the caller opened through OpenFile are not
  // inherited by the program.
  virtual RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                               const std::string& directory,
                               const std::function<bool()>& stop = nullptr) = 0;

  // The system's short (8.3) form of an existing path, at most 260 characters.
  // A path without a short form (missing, or POSIX) comes back unchanged.
  virtual std::string ShortPath(const std::string& path) = 0;

  // True when `path` names an existing regular file (not a directory).
  virtual bool FileExists(const std::string& path) = 0;
  // True when `path` names an existing directory.
  virtual bool DirectoryExists(const std::string& path) = 0;
  // Deletes a file. False when it did not exist or could not be deleted.
  virtual bool RemoveFile(const std::string& path) = 0;
  // Creates a directory with every missing parent. True when the directory exists afterwards.
  virtual bool MakeDirectories(const std::string& path) = 0;
  // Renames file `from` to `to`, replacing `to` when it exists, in one step: a reader sees
  // either the old or the new file; the rename is on the disk when it returns. False when it
  // cannot.
  virtual bool RenameFile(const std::string& from, const std::string& to) = 0;
  // The size in bytes and the last-write time of an existing file (`modified` is a count
  // that compares equal only when the file was not written since). False when it does not
  // exist or cannot be examined.
  virtual bool FileStamp(const std::string& path, int64_t& size, int64_t& modified) = 0;
  // Opens a file with stdio in `mode` ("rb", "r+b", "w+b"), not inherited by the programs
  // RunProgram starts (another thread of the host may start one while it is open). Null when
  // it cannot be opened.
  virtual std::FILE* OpenFile(const std::string& path, const char* mode) = 0;
  // Flushes a file of OpenFile and asks the system to put what was written on the disk
  // itself (fsync, _commit), so that a power cut cannot leave it empty. False on failure.
  virtual bool SyncFile(std::FILE* file) = 0;
  // Flushes and closes a file of OpenFile. False when what was written could not be stored
  // (a full disk, a failed write that the buffer hid until now); the file is closed anyway.
  virtual bool CloseFile(std::FILE* file);
  // Takes a lock file for as long as it is held: created when missing, opened without sharing
  // (Windows, deleted when closed) or locked exclusively (POSIX), so that one holder at a time
  // has it, across processes and machines on a share. Null when it cannot be had: `held` then
  // says whether another holder has it (false: the file cannot be made at all, for instance
  // in a folder that does not exist, and FileErrorReason, called next, tells why). A holder
  // that is just letting go is waited for a moment.
  virtual void* LockFile(const std::string& path, bool& held) = 0;
  // Gives a lock of LockFile back and deletes its file.
  virtual void UnlockFile(void* lock) = 0;
  // Creates a file that must not exist yet, opened exclusively (not shared), writes `bytes`
  // and closes it. False when the file existed or could not be created or written.
  virtual bool CreateNewFile(const std::string& path, const std::string& bytes) = 0;

  // A string value under HKEY_LOCAL_MACHINE\`key` in the 32-bit registry view, read-only.
  // Empty when the key or value is missing or not a string. POSIX: always empty.
  virtual std::string ReadRegistryString(const std::string& key, const std::string& value) = 0;

  // Local time as the host's day count: days since 30 December 1899, fraction = time of day;
  // moved by the whole days in TRELVAX_CLOCK_SHIFT_DAYS when set (the soak lives through many
  // shop days in one), read anew each time.
  virtual double Now() = 0;
  // Waits `ms` milliseconds.
  virtual void SleepMs(int ms) = 0;

  // A modal message box (Win32 MessageBoxA) owned by window `owner` (may be null); POSIX
  // writes the text to stderr.
  // Returns the button chosen (1 = OK).
  virtual int ShowMessage(void* owner, const std::string& text, const std::string& title,
                          unsigned flags) = 0;

  // The VAT rates window (see RatesDialog.h), modal, owned by window `owner` (may be null).
  // On OK the rows' `selected` hold the choices. Without a window system (POSIX, and this
  // default) nothing is shown and the answer is Unavailable, which callers treat as a cancel.
  virtual DialogResult ShowRatesDialog(void* owner, RatesDialog& dialog) {
    (void)owner;
    (void)dialog;
    return DialogResult::Unavailable;
  }
};

// The Env in use: Env::Default() unless a test installed another.
Env* CurrentEnv();
// Installs `env` as the Env in use (nullptr restores the default); returns the previous one.
Env* SetEnvForTesting(Env* env);

// A word as it goes on a Windows command line: unchanged unless it is empty or holds a blank
// or a tab, in which case it is put in double quotes (backslashes before a quote doubled).
std::string QuoteArgument(const std::string& word);
// The command line of a program run: the program path, then each argument, separated by one
// space, each word passed through QuoteArgument.
std::string JoinCommandLine(const std::string& program, const std::vector<std::string>& args);

// A Windows-1250 text (a path, a program's argument, an environment value) as this system's
// calls take it: unchanged on Windows, whose ANSI calls read Windows-1250 on a Polish system;
// UTF-8 on POSIX, so that a folder named in Polish there is the folder a person made. The seam
// itself converts every path it is given; the host and the simulator use this only for what
// they hand the system past it (the standard library's own file calls).
std::string NativeText(const std::string& text);
// The system's text (a command-line word, a path it gave) as Windows-1250; unchanged on
// Windows. On POSIX a text holding a character the code page lacks stays the system's bytes,
// which NativeText hands back unchanged, so that such a folder is still reached.
std::string FromNativeText(const std::string& text);

// A Windows-1250 path as the standard library's own file calls take it (std::filesystem, file
// streams): the same file the seam reaches. Windows: wide text from the ANSI code page, as
// the A calls read it (a narrow path there goes through another conversion); POSIX: UTF-8.
std::filesystem::path NativePath(const std::string& path);
// A path the standard library gave, as Windows-1250 ("?" for what the code page lacks).
std::string FromNativePath(const std::filesystem::path& path);

// Why the file call on `path` that has just failed did (no such folder, access denied, a
// network drive not connected, ...), in the words a technician reads, with the system's code:
// "nie ma takiego folderu (kod 3)". Call it before any other system call.
std::string FileErrorReason(const std::string& path);

// Cuts an open file (opened with stdio, binary) to `size` bytes. False on failure.
bool TruncateOpenFile(std::FILE* file, long long size);

// The full path of the running program (Windows-1250, as every path the seam gives).
std::string ExecutablePath();
// The directory part of a path (without the trailing separator); "." when there is none.
std::string DirectoryOf(const std::string& path);
// The file-name part of a path.
std::string FileNameOf(const std::string& path);

// Sets or (with an empty value) removes an environment variable of this process; programs
// started afterwards inherit it. The value is Windows-1250, handed to the system as NativeText.
void SetEnvironmentValue(const std::string& name, const std::string& value);
// The value of an environment variable (Windows-1250), empty when unset.
std::string GetEnvironmentValue(const std::string& name);
// The whole days `value` (TRELVAX_CLOCK_SHIFT_DAYS) moves the clock by: 0 unless it is a whole
// number of days within a century.
int ClockShiftDays(const std::string& value);

// True when the standard output is a terminal (console) rather than a file or pipe.
bool StdoutIsTerminal();
// The system's directory for temporary files, ending with the path separator.
std::string TempDirectory();
// The id of this process.
unsigned long ProcessId();

// What this process holds of the system, for a long run to show that it does not grow.
struct ProcessUsage {
  long long memoryBytes = 0;  // resident memory (the working set on Windows)
  long long handles = 0;      // open handles; open file descriptors on POSIX
  long long threads = 0;
};
// This process's usage now; a figure the system does not give stays 0.
ProcessUsage CurrentUsage();
// Gives the heap's free memory back to the system where the C library keeps it (glibc keeps
// what a large day freed), so that resident memory read next shows what is in use. Nothing
// where the library does not.
void ReleaseFreeMemory();

// The product version and source revision a program or library file carries: its version
// resource on Windows ("FileVersion" and "SourceRevision"), or the note the build puts
// into a library elsewhere ("TRELVAX-VERSION <version> <revision>"). False when the file
// cannot be read or carries neither.
bool ReadFileVersion(const std::string& path, std::string& version, std::string& revision);
// The marker of that note.
inline constexpr char kVersionNoteMarker[] = "TRELVAX-VERSION ";

// A library loaded at run time (LoadLibraryA / dlopen).
class DynamicLibrary {
 public:
  DynamicLibrary() = default;
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;
  ~DynamicLibrary();
  // Loads the library; false with Error() set when it cannot be loaded.
  bool Open(const std::string& path);
  // The address of an exported symbol, nullptr when the library does not export it.
  void* Symbol(const std::string& name) const;
  void Close();
  bool IsOpen() const { return handle_ != nullptr; }
  const std::string& Error() const { return error_; }

 private:
  void* handle_ = nullptr;
  std::string error_;
};

// A lock shared by every process of this machine that names it alike (a named mutex on
// Windows, an advisory lock on a file in the temporary directory on POSIX).
class InterProcessLock {
 public:
  explicit InterProcessLock(const std::string& name);
  InterProcessLock(const InterProcessLock&) = delete;
  InterProcessLock& operator=(const InterProcessLock&) = delete;
  ~InterProcessLock();
  // Takes the lock when it is free; false when another holder has it.
  bool TryLock();
  // Gives the lock back; does nothing when it is not held.
  void Unlock();
  bool Held() const { return held_; }

 private:
  std::string name_;
  // The mutex on Windows, the lock file's descriptor on POSIX: each platform uses one.
  [[maybe_unused]] void* handle_ = nullptr;
  [[maybe_unused]] int fd_ = -1;
  bool held_ = false;
};

}  // namespace platform
