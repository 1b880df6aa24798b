// The host library's line file: a text file read and written line by line with an explicit
// line end, always in binary mode. Every failure raises Exception with a text naming the path.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

class TMFile {
 public:
  TMFile() = default;
  explicit TMFile(const std::string& path) : path_(path) {}
  TMFile(const TMFile&) = delete;
  TMFile& operator=(const TMFile&) = delete;
  ~TMFile();

  void SetPath(const std::string& path);
  const std::string& Path() const { return path_; }
  // Read-only files must exist; writable ones are created when missing.
  void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
  bool ReadOnly() const { return readOnly_; }

  // Opens the file, positioned at its start.
  void Open();
  // Closes the file. For a writable file, a failure to store what was written (a full disk)
  // raises the write error: a file is complete only once Close returned. The destructor
  // closes without a word, so a file written to must be closed explicitly.
  void Close();
  // Puts what was written on the disk itself before the call returns (for a file that must
  // survive a power cut whole); the write error when it cannot.
  void Sync();
  bool IsOpen() const { return file_ != nullptr; }

  // Reads the next line up to `lineEnd`, which is not part of the line. With the line end
  // CR LF a bare LF also ends a line. False, with `line` empty, at the end of the file.
  bool ReadLine(std::string& line, const std::string& lineEnd = "\r\n");
  // Writes `line` followed by `lineEnd` at the current position.
  void WriteLine(const std::string& line, const std::string& lineEnd = "\r\n");
  // Writes bytes as they are.
  void Write(const std::string& bytes);

  void GotoStart();
  void GotoEnd();
  // Cuts the file at the current position.
  void Truncate();
  int64_t Size();
  // The file's last byte (0..255), -1 for an empty file; the position is left at the end.
  int LastByte();
  bool Eof();

 private:
  void CloseQuietly();
  void RequireOpen(const char* what) const;
  void Switch(bool toWrite);
  [[noreturn]] void Fail(const std::string& what) const;
  // A failed write: "Błąd zapisu pliku '<path>'" with the system's reason when it gave one.
  [[noreturn]] void FailWriting() const;

  std::string path_;
  bool readOnly_ = false;
  std::FILE* file_ = nullptr;
  int lastOp_ = 0;  // 1 read, 2 write: stdio needs a seek between the two
};
