#include "platform/FakeEnv.h"

namespace platform {

FakeEnv::FakeEnv() : real_(Env::Default()) {}

RunResult FakeEnv::RunProgram(const std::string& program, const std::vector<std::string>& args,
                              const std::string& directory, const std::function<bool()>& stop) {
  runs.push_back(Run{program, args, directory, stop});
  if (onRun) return onRun(runs.back());
  RunResult result;
  result.started = true;
  return result;
}

std::string FakeEnv::ShortPath(const std::string& path) {
  auto it = shortPaths.find(path);
  return it != shortPaths.end() ? it->second : path;
}

bool FakeEnv::FileExists(const std::string& path) {
  return real_->FileExists(path);
}
bool FakeEnv::DirectoryExists(const std::string& path) {
  return real_->DirectoryExists(path);
}
bool FakeEnv::RemoveFile(const std::string& path) {
  ++removeAttempts;
  if (undeletable.count(FileNameOf(path)) != 0) return false;
  return real_->RemoveFile(path);
}
bool FakeEnv::RenameFile(const std::string& from, const std::string& to) {
  return real_->RenameFile(from, to);
}
bool FakeEnv::FileStamp(const std::string& path, int64_t& size, int64_t& modified) {
  return real_->FileStamp(path, size, modified);
}
std::FILE* FakeEnv::OpenFile(const std::string& path, const char* mode) {
  std::FILE* file = real_->OpenFile(path, mode);
  if (file != nullptr && failingCloses.count(FileNameOf(path)) != 0) failing_.insert(file);
  return file;
}
void* FakeEnv::LockFile(const std::string& path, bool& held) {
  return real_->LockFile(path, held);
}
void FakeEnv::UnlockFile(void* lock) {
  real_->UnlockFile(lock);
}
bool FakeEnv::SyncFile(std::FILE* file) {
  return real_->SyncFile(file) && failing_.count(file) == 0;
}
bool FakeEnv::CloseFile(std::FILE* file) {
  const bool fails = failing_.erase(file) != 0;
  return real_->CloseFile(file) && !fails;
}
bool FakeEnv::MakeDirectories(const std::string& path) {
  return real_->MakeDirectories(path);
}
bool FakeEnv::CreateNewFile(const std::string& path, const std::string& bytes) {
  return real_->CreateNewFile(path, bytes);
}

std::string FakeEnv::ReadRegistryString(const std::string& key, const std::string& value) {
  auto it = registry.find(key + "|" + value);
  return it != registry.end() ? it->second : std::string();
}

double FakeEnv::Now() {
  return now;
}

void FakeEnv::SleepMs(int ms) {
  sleeps.push_back(ms);
  now += static_cast<double>(ms) / 86400000.0;
  if (onSleep) onSleep(ms);
}

int FakeEnv::ShowMessage(void*, const std::string& text, const std::string& title, unsigned flags) {
  messages.push_back(Message{text, title, flags});
  return 1;
}

DialogResult FakeEnv::ShowRatesDialog(void* owner, RatesDialog& dialog) {
  ratesDialogOwners.push_back(owner);
  const DialogResult result = onRatesDialog ? onRatesDialog(dialog) : DialogResult::Cancelled;
  ratesDialogs.push_back(dialog);
  return result;
}

}  // namespace platform
