// The seam on Windows: the real Win32 calls.
#include "platform/Env.h"

#include <windows.h>

// After <windows.h>, which they need.
#include <psapi.h>
#include <tlhelp32.h>

#include <io.h>
#include <malloc.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {

std::string LastErrorText() {
  DWORD code = GetLastError();
  char buf[512] = {0};
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           code, 0, buf, sizeof(buf) - 1, nullptr);
  std::string text(buf, n);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) {
    text.pop_back();
  }
  return text.empty() ? "error " + std::to_string(code) : text;
}

// Codes that not every SDK's headers name.
constexpr DWORD kElevationRequired = 740;
constexpr DWORD kVirusInfected = 225;
constexpr DWORD kVirusDeleted = 226;

// Why a program could not be started, in the words a technician reads; the system's own
// text for what is not listed here.
std::string StartFailure(DWORD code, const std::string& systemText) {
  std::string reason;
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
      reason = "nie ma takiego pliku";
      break;
    case ERROR_PATH_NOT_FOUND:
      reason = "nie ma takiego folderu";
      break;
    case ERROR_ACCESS_DENIED:
      reason = "brak dostępu do pliku (uprawnienia albo program antywirusowy)";
      break;
    case ERROR_BAD_EXE_FORMAT:
    case ERROR_EXE_MACHINE_TYPE_MISMATCH:
      reason = "to nie jest program, który 64-bitowy Windows może uruchomić";
      break;
    case kElevationRequired:
      reason = "program wymaga uprawnień administratora";
      break;
    case kVirusInfected:
    case kVirusDeleted:
      reason = "program antywirusowy zablokował plik";
      break;
    case ERROR_ACCESS_DISABLED_BY_POLICY:
      reason = "zasady grupy lub program zabezpieczający zablokowały ten program";
      break;
    default:
      reason = systemText;
      break;
  }
  return reason + " (kod " + std::to_string(code) + ")";
}

}  // namespace

std::string FileErrorReason(const std::string& path) {
  const DWORD code = GetLastError();
  const std::string systemText = LastErrorText();
  std::string reason;
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
      reason = "nie ma takiego pliku";
      break;
    case ERROR_PATH_NOT_FOUND:
      reason = "nie ma takiego folderu";
      break;
    case ERROR_INVALID_DRIVE:
      reason = "nie ma takiego dysku";
      break;
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_NETNAME_DELETED:
    case ERROR_NETWORK_UNREACHABLE:
    case ERROR_UNEXP_NET_ERR:
      reason = "folder sieciowy jest niedostępny (dysk sieciowy nie jest podłączony?)";
      break;
    case ERROR_NOT_READY:
      reason = "dysk nie jest gotowy";
      break;
    case ERROR_ACCESS_DENIED:
      // A folder under this name, or a file only to be read, is denied too.
      reason = (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                       GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES
                   ? "pod tą nazwą jest folder"
                   : "brak dostępu (uprawnienia albo plik tylko do odczytu)";
      break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      reason = "plik jest otwarty w innym programie";
      break;
    case ERROR_WRITE_PROTECT:
      reason = "dysk jest chroniony przed zapisem";
      break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      reason = "brak miejsca na dysku";
      break;
    case ERROR_INVALID_NAME:
      reason = "nieprawidłowa nazwa pliku albo folderu";
      break;
    default:
      reason = systemText;
      break;
  }
  return reason + " (kod " + std::to_string(code) + ")";
}

namespace {

class Win32Env : public Env {
 public:
  RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                       const std::string& directory, const std::function<bool()>& stop) override {
    RunResult result;
    std::string commandLine = JoinCommandLine(program, args);
    std::vector<char> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back('\0');
    STARTUPINFOA si;
    ZeroMemory(&si, sizeof(si));
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWMINIMIZED;
    PROCESS_INFORMATION pi;
    ZeroMemory(&pi, sizeof(pi));
    // The program and whatever it starts belong to a job that ends them all when it is
    // closed, so that a helper of a program ended on request does not keep the port.
    HANDLE job = CreateJobObjectA(nullptr, nullptr);
    if (job != nullptr) {
      JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;
      ZeroMemory(&limits, sizeof(limits));
      limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
      SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    }
    // A process group of its own: a console's Ctrl+C is the host's to handle (it asks the
    // driver to stop, which ends the program), not a signal that kills the program under the
    // driver, which would then read its missing output as a run that went well.
    const DWORD flags = CREATE_NEW_PROCESS_GROUP | (job != nullptr ? CREATE_SUSPENDED : 0);
    if (!CreateProcessA(program.c_str(), mutableLine.data(), nullptr, nullptr, TRUE, flags, nullptr,
                        directory.empty() ? nullptr : directory.c_str(), &si, &pi)) {
      const DWORD code = GetLastError();
      result.error = StartFailure(code, LastErrorText());
      if (job != nullptr) CloseHandle(job);
      return result;
    }
    if (job != nullptr) {
      // A host already in a job that forbids this runs the program outside one.
      if (!AssignProcessToJobObject(job, pi.hProcess)) {
        CloseHandle(job);
        job = nullptr;
      }
      ResumeThread(pi.hThread);
    }
    result.started = true;
    while (WaitForSingleObject(pi.hProcess, stop ? 1000 : INFINITE) == WAIT_TIMEOUT) {
      if (stop()) {
        if (job == nullptr || !TerminateJobObject(job, 1)) TerminateProcess(pi.hProcess, 1);
        result.stopped = true;
        // A program stuck in a device's I/O cannot go until that completes: wait a while only.
        if (WaitForSingleObject(pi.hProcess, kStopWaitMs) == WAIT_TIMEOUT) result.stuck = true;
        break;
      }
    }
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    if (job != nullptr) CloseHandle(job);
    result.exitCode = code;
    return result;
  }

  std::string ShortPath(const std::string& path) override {
    char buf[MAX_PATH + 1] = {0};
    DWORD n = GetShortPathNameA(path.c_str(), buf, sizeof(buf));
    if (n == 0 || n > MAX_PATH) return path;
    return std::string(buf, n);
  }

  bool FileExists(const std::string& path) override {
    DWORD attrs = GetFileAttributesA(path.c_str());
    return !path.empty() && attrs != INVALID_FILE_ATTRIBUTES &&
           (attrs & FILE_ATTRIBUTE_DIRECTORY) == 0;
  }

  bool DirectoryExists(const std::string& path) override {
    DWORD attrs = GetFileAttributesA(path.c_str());
    return !path.empty() && attrs != INVALID_FILE_ATTRIBUTES &&
           (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0;
  }

  bool RemoveFile(const std::string& path) override {
    return FileExists(path) && DeleteFileA(path.c_str()) != 0;
  }

  bool RenameFile(const std::string& from, const std::string& to) override {
    return FileExists(from) && MoveFileExA(from.c_str(), to.c_str(),
                                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  }

  std::FILE* OpenFile(const std::string& path, const char* mode) override {
    // "N": not inherited by a program started meanwhile, which would hold the file open
    // and keep it from being deleted.
    return std::fopen(path.c_str(), (std::string(mode) + "N").c_str());
  }

  void* LockFile(const std::string& path, bool& held) override {
    // Access is denied for a moment while the holder's file is being deleted as it lets go;
    // denied for longer, it is the folder's rights, a file only to be read or a folder under
    // the lock's name, which no waiting mends.
    for (int attempt = 0;; ++attempt) {
      HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
      if (h != INVALID_HANDLE_VALUE) return h;
      const DWORD code = GetLastError();
      held = code == ERROR_SHARING_VIOLATION;
      if (code != ERROR_ACCESS_DENIED || attempt == 10) {
        SetLastError(code);  // for FileErrorReason
        return nullptr;
      }
      Sleep(20);
    }
  }

  void UnlockFile(void* lock) override {
    if (lock != nullptr) CloseHandle(static_cast<HANDLE>(lock));
  }

  bool SyncFile(std::FILE* file) override {
    return std::fflush(file) == 0 && _commit(_fileno(file)) == 0;
  }

  bool FileStamp(const std::string& path, int64_t& size, int64_t& modified) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (path.empty() || !GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      return false;
    }
    size =
        static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    modified =
        static_cast<int64_t>((static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                             data.ftLastWriteTime.dwLowDateTime);
    return true;
  }

  bool MakeDirectories(const std::string& path) override {
    if (path.empty()) return false;
    std::string part;
    for (size_t i = 0; i <= path.size(); ++i) {
      if (i == path.size() || path[i] == '\\' || path[i] == '/') {
        // Skip drive roots ("C:") and UNC prefixes; they cannot be created.
        bool root =
            part.empty() || (part.size() == 2 && part[1] == ':') || part == "\\" || part == "\\\\";
        if (!root && !DirectoryExists(part)) CreateDirectoryA(part.c_str(), nullptr);
      }
      if (i < path.size()) part += path[i];
    }
    return DirectoryExists(path);
  }

  bool CreateNewFile(const std::string& path, const std::string& bytes) override {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == bytes.size();
  }

  std::string ReadRegistryString(const std::string& key, const std::string& value) override {
    HKEY h = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &h) !=
        ERROR_SUCCESS) {
      return {};
    }
    std::string text;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(h, value.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
      std::vector<char> buf(size + 1, '\0');
      if (RegQueryValueExA(h, value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf.data()),
                           &size) == ERROR_SUCCESS) {
        text.assign(buf.data());
      }
    }
    RegCloseKey(h);
    return text;
  }

  double Now() override {
    FILETIME utc;
    FILETIME local;
    GetSystemTimeAsFileTime(&utc);
    FileTimeToLocalFileTime(&utc, &local);
    ULARGE_INTEGER t;
    t.LowPart = local.dwLowDateTime;
    t.HighPart = local.dwHighDateTime;
    // The process's own environment block: a library with its own C runtime does not see what
    // the host put in the host's.
    char shift[16] = "";
    const DWORD n = GetEnvironmentVariableA("TRELVAX_CLOCK_SHIFT_DAYS", shift, sizeof shift);
    // FILETIME counts 100 ns from 1601-01-01, which is 109205 days before 1899-12-30.
    return static_cast<double>(t.QuadPart) / (864000000000.0) - 109205.0 +
           ClockShiftDays(n > 0 && n < sizeof shift ? std::string(shift, n) : std::string());
  }

  void SleepMs(int ms) override {
    if (ms > 0) Sleep(static_cast<DWORD>(ms));
  }

  int ShowMessage(void* owner, const std::string& text, const std::string& title,
                  unsigned flags) override {
    return MessageBoxA(static_cast<HWND>(owner), text.c_str(), title.c_str(), flags);
  }

  DialogResult ShowRatesDialog(void* owner, RatesDialog& dialog) override {
    return ShowRatesDialogWin32(owner, dialog);
  }
};

}  // namespace

Env* Env::Default() {
  static Win32Env env;
  return &env;
}

// The ANSI calls take Windows-1250 themselves (on a Polish system).
std::string NativeText(const std::string& text) {
  return text;
}

std::string FromNativeText(const std::string& text) {
  return text;
}

std::filesystem::path NativePath(const std::string& path) {
  if (path.empty()) return {};
  const int size = static_cast<int>(path.size());
  const int n = MultiByteToWideChar(CP_ACP, 0, path.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, path.data(), size, wide.data(), n);
  return std::filesystem::path(wide);
}

std::string FromNativePath(const std::filesystem::path& path) {
  const std::wstring& wide = path.native();
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_ACP, 0, wide.data(), size, text.data(), n, nullptr, nullptr);
  return text;
}

std::string ExecutablePath() {
  char buf[MAX_PATH * 4] = {0};
  DWORD n = GetModuleFileNameA(nullptr, buf, sizeof(buf));
  return std::string(buf, n);
}

void SetEnvironmentValue(const std::string& name, const std::string& value) {
  // Both the process environment block (for CreateProcess) and the C runtime's copy.
  SetEnvironmentVariableA(name.c_str(), value.empty() ? nullptr : value.c_str());
  std::string assignment = name + "=" + value;
  _putenv(assignment.c_str());
}

bool StdoutIsTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

std::string TempDirectory() {
  char buf[MAX_PATH + 1] = {0};
  DWORD n = GetTempPathA(sizeof(buf), buf);
  std::string dir(buf, n);
  if (dir.empty()) dir = "C:\\";
  if (dir.back() != '\\') dir += '\\';
  return dir;
}

unsigned long ProcessId() {
  return GetCurrentProcessId();
}

namespace {

// One entry of the system's handle table as NtQuerySystemInformation's extended handle class
// (64) lays it out; only the owner's process id is read.
struct SystemHandleEntry {
  PVOID object;
  ULONG_PTR processId;
  ULONG_PTR handle;
  ULONG access;
  USHORT creatorBackTrace;
  USHORT objectType;
  ULONG attributes;
  ULONG reserved;
};
struct SystemHandleTable {
  ULONG_PTR count;
  ULONG_PTR reserved;
  SystemHandleEntry entries[1];
};

// Counts this process's handles in the system's handle table. Wine answers
// GetProcessHandleCount with 0, though its server keeps the table; Windows gives both.
// Answers 0 when the table cannot be read.
long long HandlesFromSystemTable() {
  using QueryFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  if (ntdll == nullptr) return 0;
  auto query = reinterpret_cast<QueryFn>(
      reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQuerySystemInformation")));
  if (query == nullptr) return 0;
  const ULONG kExtendedHandleInformation = 64;
  const LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004L);
  std::vector<char> buf(1 << 16);
  for (int tries = 0; tries < 8; ++tries) {
    ULONG needed = 0;
    LONG status =
        query(kExtendedHandleInformation, buf.data(), static_cast<ULONG>(buf.size()), &needed);
    if (status == kInfoLengthMismatch) {
      buf.resize(std::max<size_t>(buf.size() * 2, needed + 4096));
      continue;
    }
    if (status < 0) return 0;
    const auto* table = reinterpret_cast<const SystemHandleTable*>(buf.data());
    const size_t fits =
        (buf.size() - offsetof(SystemHandleTable, entries)) / sizeof(SystemHandleEntry);
    const size_t count = std::min<size_t>(table->count, fits);
    const ULONG_PTR self = GetCurrentProcessId();
    long long mine = 0;
    for (size_t i = 0; i < count; ++i) {
      if (table->entries[i].processId == self) ++mine;
    }
    return mine;
  }
  return 0;
}

}  // namespace

ProcessUsage CurrentUsage() {
  ProcessUsage u;
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof(pmc);
  if (K32GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof(pmc))) {
    u.memoryBytes = static_cast<long long>(pmc.WorkingSetSize);
  }
  DWORD handles = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &handles)) u.handles = handles;
  if (u.handles == 0) u.handles = HandlesFromSystemTable();
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snap != INVALID_HANDLE_VALUE) {
    THREADENTRY32 te{};
    te.dwSize = sizeof(te);
    const DWORD self = GetCurrentProcessId();
    for (BOOL more = Thread32First(snap, &te); more; more = Thread32Next(snap, &te)) {
      if (te.th32OwnerProcessID == self) ++u.threads;
    }
    CloseHandle(snap);
  }
  return u;
}

bool ReadFileVersion(const std::string& path, std::string& version, std::string& revision) {
  // version.dll is loaded only here, so that nothing else that links the platform (the driver
  // itself) imports it.
  HMODULE library = LoadLibraryA("version.dll");
  if (library == nullptr) return false;
  using SizeFn = DWORD(WINAPI*)(LPCSTR, LPDWORD);
  using InfoFn = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID);
  using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);
  auto size = reinterpret_cast<SizeFn>(
      reinterpret_cast<void*>(GetProcAddress(library, "GetFileVersionInfoSizeA")));
  auto info = reinterpret_cast<InfoFn>(
      reinterpret_cast<void*>(GetProcAddress(library, "GetFileVersionInfoA")));
  auto query =
      reinterpret_cast<QueryFn>(reinterpret_cast<void*>(GetProcAddress(library, "VerQueryValueA")));
  bool found = false;
  DWORD ignored = 0;
  const DWORD bytes = size != nullptr ? size(path.c_str(), &ignored) : 0;
  std::vector<char> data(bytes);
  if (bytes > 0 && info != nullptr && query != nullptr &&
      info(path.c_str(), 0, bytes, data.data())) {
    // The strings of the resource's first language and code page.
    struct Translation {
      WORD language;
      WORD codePage;
    };
    Translation* translations = nullptr;
    UINT length = 0;
    if (query(data.data(), "\\VarFileInfo\\Translation", reinterpret_cast<LPVOID*>(&translations),
              &length) &&
        length >= sizeof(Translation)) {
      char block[64];
      std::snprintf(block, sizeof block, "\\StringFileInfo\\%04x%04x\\", translations->language,
                    translations->codePage);
      auto value = [&](const char* name, std::string& into) {
        char* text = nullptr;
        UINT chars = 0;
        if (!query(data.data(), (std::string(block) + name).c_str(),
                   reinterpret_cast<LPVOID*>(&text), &chars) ||
            text == nullptr) {
          return false;
        }
        into.assign(text, chars > 0 && text[chars - 1] == '\0' ? chars - 1 : chars);
        into.erase(into.find_last_not_of('\0') + 1);
        return true;
      };
      found = value("FileVersion", version);
      if (found && !value("SourceRevision", revision)) revision.clear();
    }
  }
  FreeLibrary(library);
  return found;
}

void ReleaseFreeMemory() {
  _heapmin();
}

DynamicLibrary::~DynamicLibrary() {
  Close();
}

bool DynamicLibrary::Open(const std::string& path) {
  Close();
  handle_ = reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
  if (handle_ == nullptr) {
    error_ = LastErrorText();
    return false;
  }
  error_.clear();
  return true;
}

void* DynamicLibrary::Symbol(const std::string& name) const {
  if (handle_ == nullptr) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name.c_str()));
}

void DynamicLibrary::Close() {
  if (handle_ != nullptr) FreeLibrary(static_cast<HMODULE>(handle_));
  handle_ = nullptr;
}

InterProcessLock::InterProcessLock(const std::string& name) : name_(name) {
  std::string safe;
  for (char c : name) safe += (c == '\\') ? '_' : c;
  handle_ = CreateMutexA(nullptr, FALSE, ("Local\\trelvax-lock-" + safe).c_str());
}

InterProcessLock::~InterProcessLock() {
  Unlock();
  if (handle_ != nullptr) CloseHandle(static_cast<HANDLE>(handle_));
}

bool InterProcessLock::TryLock() {
  if (held_) return true;
  if (handle_ == nullptr) return false;
  DWORD rc = WaitForSingleObject(static_cast<HANDLE>(handle_), 0);
  held_ = rc == WAIT_OBJECT_0 || rc == WAIT_ABANDONED;
  return held_;
}

void InterProcessLock::Unlock() {
  if (!held_) return;
  ReleaseMutex(static_cast<HANDLE>(handle_));
  held_ = false;
}

bool TruncateOpenFile(std::FILE* file, long long size) {
  std::fflush(file);
  return _chsize_s(_fileno(file), size) == 0;
}
}  // namespace platform
