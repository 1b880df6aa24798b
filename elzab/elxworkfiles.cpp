#include "elzab/elxworkfiles.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "elzab/elxtext.h"
#include "hostlib/Exceptions.h"
#include "hostlib/TMFile.h"
#include "platform/Env.h"

namespace workfiles {

namespace {

// The error of a folder that has the name of one of the driver's files.
Exception FolderInTheWay(const std::string& path) {
  return Exception(ElzabText("KSElzabSRecordFolderExceptio", "W katalogu wymiany jest folder ") +
                   path +
                   ElzabText("KSElzabSRecordFolderExceptio_00001",
                             ", a pod tą nazwą sterownik trzyma swój plik: usuń ten folder lub "
                             "zmień mu nazwę i powtórz import (nic nie zostało zaimportowane)"));
}

}  // namespace

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
  // A folder under a working file's name is not the file: it is in the way, not gone.
  if (env->DirectoryExists(path)) throw FolderInTheWay(path);
  return Briefly([&] {
    env->RemoveFile(path);
    return !env->FileExists(path);
  });
}

void RemoveOrFail(const std::string& path) {
  if (!Remove(path)) {
    throw Exception(ElzabText("KSElzabSImportFrExceptio_00002", "Nie można usunąć pliku ") + path);
  }
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

bool ReadRecord(const std::string& path, std::string& text, size_t limit) {
  platform::Env* env = platform::CurrentEnv();
  text.clear();
  if (env->DirectoryExists(path)) throw FolderInTheWay(path);
  if (!env->FileExists(path)) return false;
  std::FILE* f = env->OpenFile(path, "rb");
  bool ok = f != nullptr;
  if (ok) {
    // A record past its limit is no record the driver writes: what is read of it is refused
    // as damaged, without holding the rest in memory.
    char block[1 << 14];
    size_t got = 0;
    while (text.size() <= limit && (got = std::fread(block, 1, sizeof block, f)) > 0) {
      text.append(block, got);
    }
    ok = !std::ferror(f);
    env->CloseFile(f);
  }
  if (!ok) {
    throw Exception(ElzabText("KSElzabSRecordReadExceptio", "Błąd odczytu pliku ") + path +
                    ElzabText("KSElzabSRecordReadExceptio_00001",
                              ": nie można go przeczytać (sprawdź, czy nie blokuje go inny "
                              "program); nic nie zostało zaimportowane"));
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
