// Test helpers: a temporary directory removed afterwards, and whole-file reads and writes.
#pragma once

#include <string>

namespace testutil {

// A fresh directory under the system's temporary directory, removed with everything in it
// when the object goes. Path() ends with the path separator, as the host's directories do.
class TempDir {
 public:
  explicit TempDir(const std::string& hint = "t");
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir();
  const std::string& Path() const { return path_; }
  // Path() + name.
  std::string File(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

// The whole file as bytes; empty when it cannot be read.
std::string ReadFile(const std::string& path);
// Writes bytes to a file, replacing it.
void WriteFile(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);
// The folder of the running test program (the build's bin folder).
std::string BinDir();
// Joins a directory and a name with the platform's separator.
std::string Join(const std::string& dir, const std::string& name);

}  // namespace testutil
