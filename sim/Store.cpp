#include "sim/Store.h"

#include "sim/Text.h"

namespace sim {

namespace {

// A name the file systems of both targets accept: ":" is not allowed on Windows, and
// "COM2.txt" would name the serial device itself there.
std::string FileName(const std::string& connection) {
  bool lan = connection.find(':') != std::string::npos;
  std::string name = lan ? "lan-" : "serial-";
  for (char c : connection) name += c == ':' ? '_' : c;
  return name + ".txt";
}

// A lock name from the file path, short enough for a mutex or lock-file name.
std::string LockName(const std::string& path) {
  unsigned long long hash = 1469598103934665603ULL;
  for (char c : path) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ULL;
  }
  return "elzabsim-" + std::to_string(hash);
}

}  // namespace

std::string StateDirectory() {
  std::string dir = platform::GetEnvironmentValue("ELZABSIM_STATE");
  if (!dir.empty()) return dir;
  return platform::DirectoryOf(platform::ExecutablePath()) + platform::kPathSeparator + "registers";
}

std::string SerialKey(const std::string& port) {
  std::string p = Upper(Trim(port));
  if (p.size() < 4 || p.substr(0, 3) != "COM" || !IsDigits(p.substr(3))) return {};
  long long n = 0;
  if (!ParseInt(p.substr(3), n) || n < 1 || n > 256) return {};
  return "COM" + std::to_string(n);
}

std::string LanKey(const std::string& address, const std::string& port) {
  std::string a = Trim(address);
  if (a.empty()) return {};
  for (char c : a) {
    bool ok = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
              c == '.' || c == '-';
    if (!ok) return {};
  }
  long long p = 0;
  if (!ParseInt(Trim(port), p) || p < 1 || p > 65535) return {};
  std::string lower;
  for (char c : a) lower += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return lower + ":" + std::to_string(p);
}

// The directory and the file name with one separator between, whether or not the
// directory was given with a trailing one.
std::string InDirectory(std::string directory, const std::string& name) {
  while (directory.size() > 1 && (directory.back() == '/' || directory.back() == '\\')) {
    directory.pop_back();
  }
  return directory + platform::kPathSeparator + name;
}

RegisterFile::RegisterFile(const std::string& directory, const std::string& connection)
    : path_(InDirectory(directory, FileName(connection))),
      lock_(std::make_unique<platform::InterProcessLock>(LockName(path_))) {
  // Another program run on the same register finishes first; a run never takes long, so
  // a holder that keeps the lock for over a minute is taken to be dead.
  for (int i = 0; i < 60000 && !lock_->TryLock(); i += 5) {
    platform::CurrentEnv()->SleepMs(5);
  }
}

RegisterFile::~RegisterFile() {
  lock_->Unlock();
}

bool RegisterFile::Exists() const {
  return platform::CurrentEnv()->FileExists(path_);
}

bool RegisterFile::Load(Register& reg, std::string& error) const {
  std::string text;
  if (!ReadBytes(path_, text)) {
    error = "cannot read " + path_;
    return false;
  }
  if (!LoadRegister(text, reg, error)) {
    error = path_ + ": " + error;
    return false;
  }
  return true;
}

bool RegisterFile::Save(const Register& reg) const {
  platform::CurrentEnv()->MakeDirectories(platform::DirectoryOf(path_));
  return WriteBytes(path_, SaveRegister(reg));
}

bool RegisterFile::Remove() const {
  return platform::CurrentEnv()->RemoveFile(path_);
}

}  // namespace sim
