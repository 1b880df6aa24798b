#include "testutil/TempDir.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/Env.h"

namespace testutil {

namespace {
std::atomic<int> g_counter{0};
}

TempDir::TempDir(const std::string& hint) {
  path_ = platform::TempDirectory() + "trelvax-" + hint + "-" +
          std::to_string(platform::ProcessId()) + "-" + std::to_string(g_counter++);
  std::error_code ec;
  std::filesystem::remove_all(platform::NativePath(path_), ec);
  platform::Env::Default()->MakeDirectories(path_);
  path_ += platform::kPathSeparator;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(platform::NativePath(path_.substr(0, path_.size() - 1)), ec);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(platform::NativePath(path), std::ios::binary);
  if (!in) return {};
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(platform::NativePath(path), std::ios::binary | std::ios::trunc);
  out << bytes;
}

bool Exists(const std::string& path) {
  return platform::Env::Default()->FileExists(path);
}

std::string BinDir() {
  return platform::DirectoryOf(platform::ExecutablePath());
}

std::string Join(const std::string& dir, const std::string& name) {
  if (!dir.empty() && (dir.back() == '/' || dir.back() == '\\')) return dir + name;
  return dir + platform::kPathSeparator + name;
}

}  // namespace testutil
