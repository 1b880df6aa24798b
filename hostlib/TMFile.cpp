#include "hostlib/TMFile.h"

#include <cerrno>

#include <cstring>

#include "hostlib/Exceptions.h"
#include "platform/Env.h"

TMFile::~TMFile() {
  // A file still open here is left on the way out of an error, which is the one reported.
  CloseQuietly();
}

void TMFile::SetPath(const std::string& path) {
  CloseQuietly();
  path_ = path;
}

void TMFile::Fail(const std::string& what) const {
  throw Exception(what + " '" + path_ + "'");
}

void TMFile::FailWriting() const {
  // A full disk is the usual cause, and the shop can do something about it once told.
  if (errno == 0) Fail("Błąd zapisu pliku");
  throw Exception("Błąd zapisu pliku '" + path_ + "': " + platform::FileErrorReason(path_));
}

void TMFile::RequireOpen(const char* what) const {
  if (file_ == nullptr)
    throw Exception(std::string(what) + ": plik nie jest otwarty '" + path_ + "'");
}

void TMFile::Open() {
  CloseQuietly();
  if (path_.empty()) throw Exception("Nie podano nazwy pliku");
  platform::Env* env = platform::CurrentEnv();
  std::string reason;
  if (readOnly_) {
    file_ = env->OpenFile(path_, "rb");
    if (file_ == nullptr) reason = platform::FileErrorReason(path_);
  } else {
    file_ = env->OpenFile(path_, "r+b");
    if (file_ == nullptr) reason = platform::FileErrorReason(path_);
    if (file_ == nullptr && !env->FileExists(path_)) {
      file_ = env->OpenFile(path_, "w+b");
      if (file_ == nullptr) reason = platform::FileErrorReason(path_);
    }
  }
  // Why, in words: a folder that is not there (a network drive not connected) or one the user
  // may not write to is put right differently.
  if (file_ == nullptr) throw Exception("Nie można otworzyć pliku '" + path_ + "': " + reason);
  lastOp_ = 0;
}

void TMFile::Close() {
  if (file_ == nullptr) return;
  std::FILE* file = file_;
  file_ = nullptr;
  // What stdio still buffers is written only now: a full disk shows here and nowhere else.
  errno = 0;
  if (!platform::CurrentEnv()->CloseFile(file) && !readOnly_) FailWriting();
}

void TMFile::Sync() {
  RequireOpen("Zapis");
  errno = 0;
  if (!platform::CurrentEnv()->SyncFile(file_)) FailWriting();
  lastOp_ = 0;
}

void TMFile::CloseQuietly() {
  if (file_ == nullptr) return;
  platform::CurrentEnv()->CloseFile(file_);
  file_ = nullptr;
}

void TMFile::Switch(bool toWrite) {
  int op = toWrite ? 2 : 1;
  if (lastOp_ != 0 && lastOp_ != op) std::fseek(file_, 0, SEEK_CUR);
  lastOp_ = op;
}

bool TMFile::ReadLine(std::string& line, const std::string& lineEnd) {
  RequireOpen("Odczyt");
  Switch(false);
  line.clear();
  if (lineEnd.empty()) {
    int c;
    while ((c = std::getc(file_)) != EOF) line += static_cast<char>(c);
    if (std::ferror(file_)) Fail("Błąd odczytu pliku");
    return !line.empty();
  }
  bool crlf = lineEnd == "\r\n";
  bool any = false;
  int c;
  if (crlf) {
    // Read a block at a time with fgets, which finds the end of the line in the stream's own
    // buffer (a character at a time, large files took several times longer). The block is
    // filled with LF first, so that where the data ends is found even when it holds NUL
    // bytes: fgets puts its terminator right after a LF it read, while at the end of the
    // file the terminator stands right before the first LF of the filling.
    char block[512];
    for (;;) {
      std::memset(block, '\n', sizeof block);
      if (std::fgets(block, sizeof block, file_) == nullptr) break;
      any = true;
      const char* lf = static_cast<const char*>(std::memchr(block, '\n', sizeof block));
      if (lf == nullptr) {
        line.append(block, sizeof block - 1);
        continue;
      }
      const size_t at = static_cast<size_t>(lf - block);
      if (at + 1 < sizeof block && block[at + 1] == '\0') {
        line.append(block, at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return true;
      }
      line.append(block, at - 1);
      break;
    }
    if (std::ferror(file_)) Fail("Błąd odczytu pliku");
    return any;
  }
  while ((c = std::getc(file_)) != EOF) {
    any = true;
    line += static_cast<char>(c);
    if (line.size() >= lineEnd.size() &&
        line.compare(line.size() - lineEnd.size(), lineEnd.size(), lineEnd) == 0) {
      line.resize(line.size() - lineEnd.size());
      return true;
    }
  }
  if (std::ferror(file_)) Fail("Błąd odczytu pliku");
  return any;
}

void TMFile::Write(const std::string& bytes) {
  RequireOpen("Zapis");
  if (readOnly_) Fail("Plik otwarty tylko do odczytu");
  Switch(true);
  errno = 0;
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
    FailWriting();
  }
}

void TMFile::WriteLine(const std::string& line, const std::string& lineEnd) {
  Write(line + lineEnd);
}

void TMFile::GotoStart() {
  RequireOpen("Pozycjonowanie");
  std::fseek(file_, 0, SEEK_SET);
  lastOp_ = 0;
}

void TMFile::GotoEnd() {
  RequireOpen("Pozycjonowanie");
  std::fseek(file_, 0, SEEK_END);
  lastOp_ = 0;
}

void TMFile::Truncate() {
  RequireOpen("Obcinanie");
  if (readOnly_) Fail("Plik otwarty tylko do odczytu");
  long pos = std::ftell(file_);
  if (pos < 0 || !platform::TruncateOpenFile(file_, pos)) Fail("Błąd obcinania pliku");
  std::fseek(file_, pos, SEEK_SET);
  lastOp_ = 0;
}

int64_t TMFile::Size() {
  RequireOpen("Rozmiar");
  long pos = std::ftell(file_);
  std::fseek(file_, 0, SEEK_END);
  long size = std::ftell(file_);
  std::fseek(file_, pos, SEEK_SET);
  lastOp_ = 0;
  return size;
}

int TMFile::LastByte() {
  RequireOpen("Odczyt");
  lastOp_ = 0;
  if (std::fseek(file_, 0, SEEK_END) != 0) Fail("Błąd odczytu pliku");
  if (std::ftell(file_) <= 0) return -1;
  if (std::fseek(file_, -1, SEEK_END) != 0) Fail("Błąd odczytu pliku");
  const int c = std::getc(file_);
  if (c == EOF) Fail("Błąd odczytu pliku");
  // A read: a write that follows must seek first, or the Windows runtime refuses it.
  lastOp_ = 1;
  return c;
}

bool TMFile::Eof() {
  RequireOpen("Odczyt");
  Switch(false);
  int c = std::getc(file_);
  if (c == EOF) return true;
  std::ungetc(c, file_);
  return false;
}
