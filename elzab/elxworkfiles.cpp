#include "elzab/elxworkfiles.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "elzab/elxtext.h"
#include "hostlib/Exceptions.h"
#include "hostlib/TMFile.h"
#include "platform/Env.h"

namespace workfiles {

bool Briefly(const std::function<bool()>& attempt) {
  // An antivirus, an indexer or a backup holds a file it has just seen for a moment.
  for (int n = 0; n < 10; ++n) {
    if (n > 0) platform::CurrentEnv()->SleepMs(100);
    if (attempt()) return true;
  }
  return false;
}

bool Remove(const std::string& path) {
  platform::Env* env = platform::CurrentEnv();
  return Briefly([&] {
    env->RemoveFile(path);
    // A folder under a working file's name is not gone either: nothing may take it for none.
    return !env->FileExists(path) && !env->DirectoryExists(path);
  });
}

void ReplaceWhole(const std::string& path, const std::string& fresh, const std::string& text) {
  platform::Env* env = platform::CurrentEnv();
  try {
    TMFile file(fresh);
    file.Open();
    file.GotoStart();
    file.Truncate();
    file.Write(text);
    file.Sync();
    file.Close();
    // Another program may hold the file open for a moment, as it may any working file.
    if (!Briefly([&] { return env->RenameFile(fresh, path); })) throw Exception(fresh);
  } catch (const Exception&) {
    env->RemoveFile(fresh);
    throw;
  }
}

bool ReadRecord(const std::string& path, std::string& text) {
  platform::Env* env = platform::CurrentEnv();
  text.clear();
  const bool file = env->FileExists(path);
  if (!file && !env->DirectoryExists(path)) return false;
  std::FILE* f = file ? env->OpenFile(path, "rb") : nullptr;
  bool ok = f != nullptr;
  if (ok) {
    char block[1 << 14];
    size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, f)) > 0) text.append(block, got);
    ok = !std::ferror(f);
    env->CloseFile(f);
  }
  if (!ok) {
    throw Exception(ElzabText("KSElzabSRecordReadExceptio", "Błąd odczytu pliku ") + path +
                    ElzabText("KSElzabSRecordReadExceptio_00001",
                              ": nie można go przeczytać (sprawdź, czy to plik i czy nie "
                              "blokuje go inny program); nic nie zostało zaimportowane"));
  }
  return true;
}

bool Checksum(const std::string& path, uint64_t& sum) {
  // Eight bytes at a time: it tells a file written anew from the one that was read, which size
  // and time alone may not.
  platform::Env* env = platform::CurrentEnv();
  std::FILE* file = env->OpenFile(path, "rb");
  if (file == nullptr) return false;
  uint64_t h = 0xcbf29ce484222325ull;
  uint64_t length = 0;
  std::vector<unsigned char> block(1 << 16);
  size_t got = 0;
  while ((got = std::fread(block.data(), 1, block.size(), file)) > 0) {
    length += got;
    size_t i = 0;
    for (; i + 8 <= got; i += 8) {
      uint64_t w = 0;
      std::memcpy(&w, block.data() + i, 8);
      h = (h ^ w) * 0x9e3779b97f4a7c15ull;
      h ^= h >> 29;
    }
    for (; i < got; ++i) h = (h ^ block[i]) * 0x100000001b3ull;
  }
  const bool ok = !std::ferror(file);
  env->CloseFile(file);
  h = (h ^ length) * 0x9e3779b97f4a7c15ull;
  sum = h ^ (h >> 32);
  return ok;
}

}  // namespace workfiles
