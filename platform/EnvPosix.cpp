// The seam on a POSIX system, standing in for Windows in the native build.
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
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

#include "platform/Env.h"

extern char** environ;

namespace platform {

namespace {

// Waits until child `pid` has ended (without reaping it) or `stop` answers true, asking
// `stop` about once a second. True when stopped. A pidfd lets poll() wake the moment the
// child ends; where the kernel has none, short naps keep a quick program quick.
bool WaitOrStop(pid_t pid, const std::function<bool()>& stop) {
  auto ended = [pid] {
    siginfo_t info;
    std::memset(&info, 0, sizeof(info));
    while (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) < 0) {
      if (errno != EINTR) return true;  // nothing left to wait for
    }
    return info.si_pid == pid;
  };
#ifdef SYS_pidfd_open
  const int fd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  if (fd >= 0) {
    bool stopped = false;
    for (;;) {
      pollfd p{fd, POLLIN, 0};
      const int rc = poll(&p, 1, 1000);
      if (rc > 0 || ended()) break;
      if (rc < 0 && errno != EINTR) break;
      if (rc == 0 && stop()) {
        stopped = true;
        break;
      }
    }
    close(fd);
    return stopped;
  }
#endif
  int napMs = 1;
  int sinceAskedMs = 0;
  while (!ended()) {
    if (sinceAskedMs >= 1000) {
      if (stop()) return true;
      sinceAskedMs = 0;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(napMs));
    sinceAskedMs += napMs;
    napMs = napMs < 50 ? napMs * 2 : 50;
  }
  return false;
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
      reason = std::strerror(code);
      break;
  }
  return reason + " (kod " + std::to_string(code) + ")";
}

}  // namespace

std::string FileErrorReason(const std::string& path) {
  const int code = errno;
  std::string reason;
  switch (code) {
    case ENOENT: {
      struct stat st;
      const std::string dir = DirectoryOf(path);
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
      reason = std::strerror(code);
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
    std::vector<std::string> words;
    words.push_back(program);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!directory.empty()) posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
    // A group of its own, so that ending it ends whatever it started too.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
      result.error = StartFailure(rc);
      return result;
    }
    int status = 0;
    if (stop && WaitOrStop(pid, stop)) {
      kill(-pid, SIGKILL);
      result.stopped = true;
      result.started = true;
      // A program stuck in a device's I/O cannot go until that completes: wait a while only.
      for (int waited = 0;; waited += 20) {
        const pid_t got = waitpid(pid, &status, WNOHANG);
        if (got == pid || (got < 0 && errno != EINTR)) break;
        if (waited >= kStopWaitMs) {
          result.stuck = true;
          return result;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
      return result;
    }
    while (waitpid(pid, &status, 0) < 0) {
      if (errno != EINTR) {
        result.error = std::strerror(errno);
        return result;
      }
    }
    result.started = true;
    if (WIFEXITED(status)) {
      result.exitCode = static_cast<uint32_t>(WEXITSTATUS(status));
    } else if (WIFSIGNALED(status)) {
      result.exitCode = 128u + static_cast<uint32_t>(WTERMSIG(status));
    }
    return result;
  }

  std::string ShortPath(const std::string& path) override { return path; }

  bool FileExists(const std::string& path) override {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  }

  bool DirectoryExists(const std::string& path) override {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }

  bool RemoveFile(const std::string& path) override {
    return FileExists(path) && unlink(path.c_str()) == 0;
  }

  bool RenameFile(const std::string& from, const std::string& to) override {
    if (!FileExists(from) || rename(from.c_str(), to.c_str()) != 0) return false;
    // The new name lives in the directory: until the directory is on the disk, a power cut may
    // bring the old file back, or none.
    const size_t slash = to.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : to.substr(0, slash + 1);
    const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = fsync(fd) == 0;
    close(fd);
    return synced;
  }

  std::FILE* OpenFile(const std::string& path, const char* mode) override {
    // "e": closed on exec, so never inherited by a program started meanwhile.
    return std::fopen(path.c_str(), (std::string(mode) + "e").c_str());
  }

  void* LockFile(const std::string& path, bool& held) override {
    held = true;
    for (int attempt = 0; attempt < 5; ++attempt) {
      const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
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
      if (fstat(fd, &held) == 0 && stat(path.c_str(), &named) == 0 && held.st_ino == named.st_ino &&
          held.st_dev == named.st_dev) {
        return new PosixLock{fd, path};
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
    if (path.empty() || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    size = static_cast<int64_t>(st.st_size);
    modified = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return true;
  }

  bool MakeDirectories(const std::string& path) override {
    if (path.empty()) return false;
    std::string part;
    for (size_t i = 0; i <= path.size(); ++i) {
      if (i == path.size() || path[i] == '/') {
        if (!part.empty() && part != "/" && !DirectoryExists(part)) mkdir(part.c_str(), 0777);
      }
      if (i < path.size()) part += path[i];
    }
    return DirectoryExists(path);
  }

  bool CreateNewFile(const std::string& path, const std::string& bytes) override {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
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
    std::fprintf(stderr, "[%s] %s\n", title.c_str(), text.c_str());
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
  return std::string(buf, static_cast<size_t>(n));
}

void SetEnvironmentValue(const std::string& name, const std::string& value) {
  if (value.empty()) {
    unsetenv(name.c_str());
  } else {
    setenv(name.c_str(), value.c_str(), 1);
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
  std::FILE* file = std::fopen(path.c_str(), "rb");
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
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* err = dlerror();
    error_ = err != nullptr ? err : "dlopen failed";
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
  fd_ = open(path.c_str(), O_RDWR | O_CREAT, 0666);
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
