// The seam on a POSIX system, standing in for Windows in the native build.
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <thread>

#include "platform/Cp1250.h"
#include "platform/Env.h"

extern char** environ;

namespace platform {

namespace {

// ----- The warden ----------------------------------------------------------------------------
// Every program runs under a warden: a process of the driver's own, forked for the one run,
// that starts the program, waits for it and ends it with everything it started, as a job
// object does on Windows. The caller waits for the warden's report through a pipe, so the
// wait holds whatever the host does with SIGCHLD (ignores it, or reaps every child in a
// handler of its own). The warden is a subreaper: a helper that leaves the program's process
// group stays its descendant and is ended with it. When the host dies, the pipe that asks the
// warden to stop closes and the warden ends the program.
//
// The warden is a fork of a process that may have many threads: it makes only system calls
// that are safe there (no allocation, no stdio, no locks).

// What the warden reports, once: how the run ended.
struct WardenReport {
  int32_t kind;   // kNotStarted, kEnded or kStopped
  int32_t value;  // the errno of the failed start (negated when the working folder was
                  // at fault), or the program's wait status
};
constexpr int32_t kNotStarted = 1;
constexpr int32_t kEnded = 2;
constexpr int32_t kStopped = 3;

// Writes all of `size` bytes, or as much as the pipe takes.
void WriteAll(int fd, const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    p += n;
    size -= static_cast<size_t>(n);
  }
}

// Reads up to `size` bytes, until the other end closes; the count read.
size_t ReadAll(int fd, void* data, size_t size) {
  char* p = static_cast<char*>(data);
  size_t got = 0;
  while (got < size) {
    const ssize_t n = read(fd, p + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  return got;
}

// The warden's own children as the kernel lists them; the count, at most `max`.
size_t WardenChildren(pid_t self, pid_t* pids, size_t max) {
  // "/proc/<pid>/task/<pid>/children", built by hand: the warden has one thread.
  char digits[16];
  int n = 0;
  for (long v = self; v > 0 && n < 15; v /= 10) digits[n++] = static_cast<char>('0' + v % 10);
  char path[64];
  size_t at = 0;
  auto put = [&](const char* text) {
    while (*text != '\0' && at + 1 < sizeof(path)) path[at++] = *text++;
  };
  auto putPid = [&] {
    for (int i = n - 1; i >= 0 && at + 1 < sizeof(path); --i) path[at++] = digits[i];
  };
  put("/proc/");
  putPid();
  put("/task/");
  putPid();
  put("/children");
  path[at] = '\0';
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  char text[1024];
  const size_t len = ReadAll(fd, text, sizeof(text));
  close(fd);
  size_t count = 0;
  long value = -1;
  for (size_t i = 0; i <= len && count < max; ++i) {
    if (i < len && text[i] >= '0' && text[i] <= '9') {
      value = (value < 0 ? 0 : value * 10) + (text[i] - '0');
    } else if (value > 0) {
      pids[count++] = static_cast<pid_t>(value);
      value = -1;
    }
  }
  return count;
}

// Ends every process left below the warden: the program's group at once, then each child the
// warden has (a helper whose parent died comes to it), again and again until none is left.
// Where the kernel does not list children, the group is all that is ended.
void EndDescendants(pid_t program) {
  kill(-program, SIGKILL);
  const pid_t self = getpid();
  for (;;) {
    pid_t pids[64];
    const size_t count = WardenChildren(self, pids, 64);
    for (size_t i = 0; i < count; ++i) kill(pids[i], SIGKILL);
    int status = 0;
    const pid_t got = waitpid(-1, &status, count > 0 ? 0 : WNOHANG);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return;
  }
}

void Report(int fd, int32_t kind, int32_t value) {
  const WardenReport r{kind, value};
  WriteAll(fd, &r, sizeof(r));
  close(fd);
}

// Closes every descriptor marked close-on-exec but `keep1` and `keep2`: the warden, a fork
// that never runs another program, would hold them for as long as it lives. Inheritable ones
// stay for the program, as a program on Windows inherits inheritable handles. The open
// descriptors are listed from /proc with getdents64 (no allocation); without /proc, every
// number up to the limit is tried.
void CloseOwnDescriptors(int keep1, int keep2) {
  auto closeIfOwn = [&](int fd) {
    if (fd > 2 && fd != keep1 && fd != keep2) {
      const int flags = fcntl(fd, F_GETFD);
      if (flags >= 0 && (flags & FD_CLOEXEC) != 0) close(fd);
    }
  };
#ifdef SYS_getdents64
  const int dir = open("/proc/self/fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    // Collected first: closing while the listing goes on would change it.
    int fds[1024];
    size_t count = 0;
    alignas(8) char buffer[4096];
    for (;;) {
      const long n = syscall(SYS_getdents64, dir, buffer, sizeof(buffer));
      if (n <= 0) break;
      for (long at = 0; at < n;) {
        const unsigned short length = *reinterpret_cast<unsigned short*>(buffer + at + 16);
        const char* name = buffer + at + 19;
        int fd = 0;
        bool number = *name != '\0';
        for (const char* c = name; *c != '\0'; ++c) {
          if (*c < '0' || *c > '9') number = false;
          fd = fd * 10 + (*c - '0');
        }
        if (number && fd != dir && count < 1024) fds[count++] = fd;
        at += length;
      }
    }
    close(dir);
    if (count < 1024) {
      for (size_t i = 0; i < count; ++i) closeIfOwn(fds[i]);
      return;
    }
  }
#endif
  struct rlimit limit;
  const int top = getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < 65536
                      ? static_cast<int>(limit.rlim_cur) - 1
                      : 65535;
  for (int fd = 3; fd <= top; ++fd) closeIfOwn(fd);
}

// The warden's life: starts the program and reports how its run ended. Never returns.
[[noreturn]] void Warden(const char* program, char* const* argv, const char* directory, int report,
                         int stopAsked, pid_t host) {
  // A fork that never runs another program keeps every descriptor the host had: the
  // directory's lock and the host's shared lock among them, which it would hold past the
  // host's death while a stuck program keeps it waiting.
  CloseOwnDescriptors(report, stopAsked);
  setpgid(0, 0);  // a terminal's Ctrl+C is the host's to handle, not the program's
#ifdef __linux__
  prctl(PR_SET_CHILD_SUBREAPER, 1);
#endif
  // The warden waits for its own children whatever the host set for itself, and outlives a
  // report that no host reads any more (SIGPIPE): it still has to clear up.
  struct sigaction plain;
  std::memset(&plain, 0, sizeof(plain));
  plain.sa_handler = SIG_DFL;
  sigaction(SIGCHLD, &plain, nullptr);
  struct sigaction ignore = plain;
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, nullptr);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  if (getppid() != host) _exit(0);  // the host died before the warden began

  int started[2];
  if (pipe2(started, O_CLOEXEC) != 0) {
    Report(report, kNotStarted, errno);
    _exit(0);
  }
  const pid_t warden = getpid();
  // vfork: the program's start costs nothing like a copy of the host's whole address space;
  // until it execs, the child only makes system calls and writes its own locals.
  const pid_t pid = vfork();
  if (pid == 0) {
    // A group of its own, so that ending the group ends what it started; and it dies with
    // its warden, whatever ends that.
    setpgid(0, 0);
#ifdef __linux__
    prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
    if (getppid() != warden) _exit(127);
    sigaction(SIGPIPE, &plain, nullptr);  // the program starts with plain signal handling
    // A folder it cannot work in is told apart from a program that is not there (negative).
    if (directory[0] != '\0' && chdir(directory) != 0) {
      const int code = -errno;
      WriteAll(started[1], &code, sizeof(code));
      _exit(127);
    }
    execve(program, argv, environ);
    const int code = errno;
    WriteAll(started[1], &code, sizeof(code));
    _exit(127);
  }
  if (pid < 0) {
    Report(report, kNotStarted, errno);
    _exit(0);
  }
  close(started[1]);
  int code = 0;
  int status = 0;
  if (ReadAll(started[0], &code, sizeof(code)) == sizeof(code)) {
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    Report(report, kNotStarted, code);
    _exit(0);
  }
  close(started[0]);

  int pidfd = -1;
#ifdef SYS_pidfd_open
  pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#endif
  for (;;) {
    const pid_t got = waitpid(pid, &status, WNOHANG);
    if (got == pid) {
      // The caller goes on at once; what the program left running goes after.
      Report(report, kEnded, status);
      EndDescendants(pid);
      _exit(0);
    }
    pollfd p[2] = {{stopAsked, POLLIN, 0}, {pidfd, POLLIN, 0}};
    const int ready = poll(p, pidfd >= 0 ? 2 : 1, pidfd >= 0 ? 1000 : 20);
    // A byte asks to stop; a closed pipe or another parent says the host is gone.
    if ((ready > 0 && p[0].revents != 0) || getppid() != host) {
      kill(-pid, SIGKILL);
      kill(pid, SIGKILL);
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      Report(report, kStopped, 0);
      EndDescendants(pid);
      _exit(0);
    }
  }
}

// Waits until the warden's report can be read (or its pipe closed), asking `stop` about once
// a second. True when `stop` answered true first.
bool WaitOrStop(int report, const std::function<bool()>& stop) {
  for (;;) {
    pollfd p{report, POLLIN, 0};
    const int rc = poll(&p, 1, 1000);
    if (rc > 0) return false;
    if (rc < 0 && errno != EINTR) return false;
    if (rc == 0 && stop()) return true;
  }
}

// The reasons met less often, in Polish too; what has no words of its own keeps the system's.
std::string OtherReason(int code) {
  switch (code) {
    case ENAMETOOLONG:
      return "ścieżka albo nazwa pliku jest za długa";
    case ELOOP:
      return "zbyt wiele dowiązań symbolicznych w ścieżce";
    case EBUSY:
    case ETXTBSY:
      return "plik jest używany przez inny program";
    case EMFILE:
    case ENFILE:
      return "za dużo otwartych plików";
    case EIO:
      return "błąd wejścia-wyjścia dysku albo udziału sieciowego";
    case ENOMEM:
      return "brak pamięci";
    case EEXIST:
      return "plik już istnieje";
    default:
      return std::string("błąd systemu: ") + std::strerror(code);
  }
}

// Why a program could not be started, in the words a technician reads.
std::string StartFailure(int code) {
  std::string reason;
  switch (code) {
    case ENOENT:
      reason = "nie ma takiego pliku";
      break;
    case EACCES:
    case EPERM:
      reason = "brak dostępu do pliku (uprawnienia albo program antywirusowy)";
      break;
    case ENOEXEC:
      reason = "to nie jest program, który ten system może uruchomić";
      break;
    default:
      reason = OtherReason(code);
      break;
  }
  return reason + " (kod " + std::to_string(code) + ")";
}

}  // namespace

// A POSIX system names files in UTF-8 (as its terminal shows them), while everything the
// driver, the host and the simulator hold is Windows-1250: every path crosses here. A name
// the system gives that Windows-1250 cannot spell (Cyrillic, "ñ") stays as the system's
// bytes, and is handed back as it came, so that such a folder is still the same folder (it
// only shows oddly); Windows itself could not reach it through the ANSI calls at all.
std::string NativeText(const std::string& text) {
  return Utf8BeyondCp1250(text) ? text : Cp1250ToUtf8(text);
}

std::string FromNativeText(const std::string& text) {
  return Utf8BeyondCp1250(text) ? text : Utf8ToCp1250(text);
}

std::filesystem::path NativePath(const std::string& path) {
  return std::filesystem::path(NativeText(path));
}

std::string FromNativePath(const std::filesystem::path& path) {
  return FromNativeText(path.string());
}

std::string FileErrorReason(const std::string& path) {
  const int code = errno;
  std::string reason;
  switch (code) {
    case ENOENT: {
      struct stat st;
      const std::string dir = NativeText(DirectoryOf(path));
      reason = stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? "nie ma takiego pliku"
                                                                  : "nie ma takiego folderu";
      break;
    }
    case EACCES:
    case EPERM:
      reason = "brak dostępu (uprawnienia)";
      break;
    case EROFS:
      reason = "dysk albo udział jest tylko do odczytu";
      break;
    case ENOSPC:
    case EDQUOT:
      reason = "brak miejsca na dysku";
      break;
    case EISDIR:
      reason = "pod tą nazwą jest folder";
      break;
    case ENOTDIR:
      reason = "część ścieżki nie jest folderem";
      break;
    default:
      reason = OtherReason(code);
      break;
  }
  return reason + " (kod " + std::to_string(code) + ")";
}

namespace {

struct PosixLock {
  int fd;
  std::string path;
};

class PosixEnv : public Env {
 public:
  RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                       const std::string& directory, const std::function<bool()>& stop) override {
    RunResult result;
    // Everything the warden needs is made before the fork: it may not allocate.
    std::vector<std::string> words;
    words.push_back(NativeText(program));
    for (const std::string& arg : args) words.push_back(NativeText(arg));
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    int report[2];
    int stopAsked[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
      result.error = StartFailure(errno);
      return result;
    }
    if (pipe2(stopAsked, O_CLOEXEC) != 0) {
      result.error = StartFailure(errno);
      close(report[0]);
      close(report[1]);
      return result;
    }
    // A relative program is found from the host's own folder, as Windows finds it, not from
    // the folder the program is to work in.
    std::string path = program;
    char cwd[4096];
    if (!path.empty() && path[0] != '/' && getcwd(cwd, sizeof(cwd)) != nullptr) {
      path = FromNativeText(cwd) + "/" + path;
    }
    const std::string nativePath = NativeText(path);
    const std::string nativeDirectory = NativeText(directory);
    const pid_t host = getpid();
    const pid_t warden = fork();
    if (warden == 0) {
      close(report[0]);
      close(stopAsked[1]);
      Warden(nativePath.c_str(), argv.data(), nativeDirectory.c_str(), report[1], stopAsked[0],
             host);
    }
    const int forkError = errno;
    close(report[1]);
    close(stopAsked[0]);
    if (warden < 0) {
      close(report[0]);
      close(stopAsked[1]);
      result.error = StartFailure(forkError);
      return result;
    }
    WardenReport r{0, 0};
    if (stop && WaitOrStop(report[0], stop)) {
      WriteAll(stopAsked[1], "x", 1);
      result.stopped = true;
      result.started = true;
      // A program stuck in a device's I/O cannot go until that completes: wait a while only.
      pollfd p{report[0], POLLIN, 0};
      int rc = 0;
      while ((rc = poll(&p, 1, kStopWaitMs)) < 0 && errno == EINTR) {
      }
      if (rc <= 0) result.stuck = true;
    } else if (ReadAll(report[0], &r, sizeof(r)) == sizeof(r) && r.kind == kNotStarted) {
      // As Windows tells them apart: a missing folder is not a missing program, and the
      // folder the program was to work in is neither.
      const int code = r.value < 0 ? -r.value : r.value;
      const bool noFolder = r.value < 0 ? code == ENOENT || code == ENOTDIR
                                        : code == ENOENT && !DirectoryExists(DirectoryOf(path));
      if (r.value < 0) {
        result.error = noFolder ? "nie ma folderu roboczego " + directory + " (kod " +
                                      std::to_string(code) + ")"
                                : "folder roboczy " + directory + ": " + StartFailure(code);
      } else {
        result.error = noFolder ? "nie ma takiego folderu (kod " + std::to_string(code) + ")"
                                : StartFailure(code);
      }
    } else {
      result.started = true;
      if (r.kind != kEnded) {
        // The warden was killed from outside before it could say: the program may have run.
        result.exitCode = 128u + SIGKILL;
      } else if (WIFEXITED(r.value)) {
        result.exitCode = static_cast<uint32_t>(WEXITSTATUS(r.value));
      } else if (WIFSIGNALED(r.value)) {
        result.exitCode = 128u + static_cast<uint32_t>(WTERMSIG(r.value));
      }
    }
    close(report[0]);
    close(stopAsked[1]);
    // The warden reports before it clears up after the program, which takes it a moment; one
    // whose clearing up waits for a device is not waited for.
    for (int waited = 0; !result.stuck && waited < kStopWaitMs; waited += 5) {
      int status = 0;
      const pid_t got = waitpid(warden, &status, WNOHANG);
      if (got == warden || (got < 0 && errno != EINTR)) break;
      SleepMs(5);
    }
    return result;
  }

  std::string ShortPath(const std::string& path) override { return path; }

  bool FileExists(const std::string& path) override {
    struct stat st;
    return !path.empty() && stat(NativeText(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
  }

  bool DirectoryExists(const std::string& path) override {
    struct stat st;
    return !path.empty() && stat(NativeText(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }

  bool RemoveFile(const std::string& path) override {
    return FileExists(path) && unlink(NativeText(path).c_str()) == 0;
  }

  bool RenameFile(const std::string& from, const std::string& to) override {
    if (!FileExists(from) || rename(NativeText(from).c_str(), NativeText(to).c_str()) != 0) {
      return false;
    }
    // The new name lives in the directory: until the directory is on the disk, a power cut may
    // bring the old file back, or none.
    const size_t slash = to.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : to.substr(0, slash + 1);
    const int fd = open(NativeText(dir).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = fsync(fd) == 0;
    close(fd);
    return synced;
  }

  std::FILE* OpenFile(const std::string& path, const char* mode) override {
    // "e": closed on exec, so never inherited by a program started meanwhile.
    return std::fopen(NativeText(path).c_str(), (std::string(mode) + "e").c_str());
  }

  void* LockFile(const std::string& path, bool& held) override {
    held = true;
    const std::string native = NativeText(path);
    for (int attempt = 0; attempt < 5; ++attempt) {
      const int fd = open(native.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
      if (fd < 0) {
        held = false;
        return nullptr;
      }
      if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int code = errno;
        held = code == EWOULDBLOCK;
        close(fd);
        errno = code;  // for FileErrorReason
        return nullptr;
      }
      // The holder before deletes the file as it lets go: a lock on a file that is no longer
      // the one under that name holds nothing.
      struct stat held, named;
      if (fstat(fd, &held) == 0 && stat(native.c_str(), &named) == 0 &&
          held.st_ino == named.st_ino && held.st_dev == named.st_dev) {
        return new PosixLock{fd, native};
      }
      close(fd);
    }
    return nullptr;
  }

  void UnlockFile(void* lock) override {
    auto* held = static_cast<PosixLock*>(lock);
    if (held == nullptr) return;
    unlink(held->path.c_str());
    close(held->fd);
    delete held;
  }

  bool SyncFile(std::FILE* file) override {
    return std::fflush(file) == 0 && fsync(fileno(file)) == 0;
  }

  bool FileStamp(const std::string& path, int64_t& size, int64_t& modified) override {
    struct stat st;
    if (path.empty() || stat(NativeText(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
      return false;
    }
    size = static_cast<int64_t>(st.st_size);
    modified = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return true;
  }

  bool MakeDirectories(const std::string& path) override {
    if (path.empty()) return false;
    std::string part;
    for (size_t i = 0; i <= path.size(); ++i) {
      if (i == path.size() || path[i] == '/') {
        if (!part.empty() && part != "/" && !DirectoryExists(part)) {
          mkdir(NativeText(part).c_str(), 0777);
        }
      }
      if (i < path.size()) part += path[i];
    }
    return DirectoryExists(path);
  }

  bool CreateNewFile(const std::string& path, const std::string& bytes) override {
    int fd = open(NativeText(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    bool ok = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    close(fd);
    return ok;
  }

  std::string ReadRegistryString(const std::string&, const std::string&) override { return {}; }

  double Now() override {
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    time_t secs = ts.tv_sec;
    struct tm local;
    localtime_r(&secs, &local);
    double localSeconds = static_cast<double>(secs) + static_cast<double>(local.tm_gmtoff) +
                          static_cast<double>(ts.tv_nsec) / 1e9;
    const char* shift = std::getenv("TRELVAX_CLOCK_SHIFT_DAYS");
    return localSeconds / 86400.0 + 25569.0 +  // 25569 = days from 1899-12-30 to 1970-01-01
           ClockShiftDays(shift != nullptr ? shift : "");
  }

  void SleepMs(int ms) override {
    if (ms <= 0) return;
    struct timespec ts {
      ms / 1000, static_cast<long>(ms % 1000) * 1000000L
    };
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
  }

  int ShowMessage(void*, const std::string& text, const std::string& title, unsigned) override {
    std::fprintf(stderr, "[%s] %s\n", NativeText(title).c_str(), NativeText(text).c_str());
    return 1;
  }
};

}  // namespace

Env* Env::Default() {
  static PosixEnv env;
  return &env;
}

std::string ExecutablePath() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
  if (n <= 0) return {};
  return FromNativeText(std::string(buf, static_cast<size_t>(n)));
}

void SetEnvironmentValue(const std::string& name, const std::string& value) {
  if (value.empty()) {
    unsetenv(name.c_str());
  } else {
    setenv(name.c_str(), NativeText(value).c_str(), 1);
  }
}

bool StdoutIsTerminal() {
  return isatty(STDOUT_FILENO) != 0;
}

std::string TempDirectory() {
  std::string dir = GetEnvironmentValue("TMPDIR");
  if (dir.empty()) dir = "/tmp";
  if (dir.back() != '/') dir += '/';
  return dir;
}

unsigned long ProcessId() {
  return static_cast<unsigned long>(getpid());
}

ProcessUsage CurrentUsage() {
  ProcessUsage u;
  long long pages = 0, resident = 0;
  if (std::FILE* f = std::fopen("/proc/self/statm", "rb")) {
    if (std::fscanf(f, "%lld %lld", &pages, &resident) == 2) {
      u.memoryBytes = resident * static_cast<long long>(sysconf(_SC_PAGESIZE));
    }
    std::fclose(f);
  }
  if (DIR* d = opendir("/proc/self/fd")) {
    while (dirent* e = readdir(d)) {
      if (e->d_name[0] != '.') ++u.handles;
    }
    closedir(d);
    --u.handles;  // the listing's own
  }
  if (std::FILE* f = std::fopen("/proc/self/status", "rb")) {
    char line[256];
    while (std::fgets(line, sizeof(line), f) != nullptr) {
      if (std::strncmp(line, "Threads:", 8) == 0) u.threads = std::atoll(line + 8);
    }
    std::fclose(f);
  }
  return u;
}

// Here the version is the note the build puts into a library; found in the file's bytes.
bool ReadFileVersion(const std::string& path, std::string& version, std::string& revision) {
  std::FILE* file = std::fopen(NativeText(path).c_str(), "rb");
  if (file == nullptr) return false;
  std::string bytes;
  char block[1 << 16];
  size_t got = 0;
  while ((got = std::fread(block, 1, sizeof block, file)) > 0) bytes.append(block, got);
  std::fclose(file);
  const std::string marker = kVersionNoteMarker;
  for (size_t at = bytes.find(marker); at != std::string::npos; at = bytes.find(marker, at + 1)) {
    const size_t start = at + marker.size();
    const size_t end = bytes.find('\0', start);
    if (end == std::string::npos) break;
    const std::string text = bytes.substr(start, end - start);
    const size_t blank = text.find(' ');
    // The note itself is digits and dots, a blank, then the revision; the marker alone (as a
    // reader's own text) is not one.
    if (blank == std::string::npos || blank == 0 ||
        text.find_first_not_of("0123456789.") != blank) {
      continue;
    }
    version = text.substr(0, blank);
    revision = text.substr(blank + 1);
    return true;
  }
  return false;
}

void ReleaseFreeMemory() {
#ifdef __GLIBC__
  malloc_trim(0);
#endif
}

DynamicLibrary::~DynamicLibrary() {
  Close();
}

bool DynamicLibrary::Open(const std::string& path) {
  Close();
  handle_ = dlopen(NativeText(path).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* err = dlerror();
    error_ = err != nullptr ? FromNativeText(err) : "dlopen failed";
    return false;
  }
  error_.clear();
  return true;
}

void* DynamicLibrary::Symbol(const std::string& name) const {
  return handle_ != nullptr ? dlsym(handle_, name.c_str()) : nullptr;
}

void DynamicLibrary::Close() {
  if (handle_ != nullptr) dlclose(handle_);
  handle_ = nullptr;
}

InterProcessLock::InterProcessLock(const std::string& name) : name_(name) {
  std::string safe;
  for (char c : name) {
    unsigned char u = static_cast<unsigned char>(c);
    safe += (isalnum(u) || c == '.' || c == '-' || c == '_') ? c : '_';
  }
  std::string path = TempDirectory() + "trelvax-lock-" + safe + ".lock";
  // Never inherited: a program started meanwhile would hold the host's lock while it runs.
  fd_ = open(NativeText(path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
}

InterProcessLock::~InterProcessLock() {
  Unlock();
  if (fd_ >= 0) close(fd_);
}

bool InterProcessLock::TryLock() {
  if (held_) return true;
  if (fd_ < 0) return false;
  held_ = flock(fd_, LOCK_EX | LOCK_NB) == 0;
  return held_;
}

void InterProcessLock::Unlock() {
  if (!held_) return;
  flock(fd_, LOCK_UN);
  held_ = false;
}

}  // namespace platform

namespace platform {
bool TruncateOpenFile(std::FILE* file, long long size) {
  std::fflush(file);
  return ftruncate(fileno(file), static_cast<off_t>(size)) == 0;
}
}  // namespace platform
