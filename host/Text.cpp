#include "host/Text.h"

#include "platform/Env.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace tvkhost {

namespace {

bool IsBlankOrControl(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

}  // namespace

std::string Trim(const std::string& text) {
  size_t b = 0;
  size_t e = text.size();
  while (b < e && IsBlankOrControl(text[b])) ++b;
  while (e > b && IsBlankOrControl(text[e - 1])) --e;
  return text.substr(b, e - b);
}

std::string Upper(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

bool SameName(const std::string& a, const std::string& b) {
  std::string ta = Upper(Trim(a));
  return !ta.empty() && ta == Upper(Trim(b));
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    size_t pos = text.find(separator, start);
    if (pos == std::string::npos) {
      parts.push_back(text.substr(start));
      return parts;
    }
    parts.push_back(text.substr(start, pos - start));
    start = pos + 1;
  }
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(line);
      line.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

bool ParseInt(const std::string& text, int& value) {
  std::string t = Trim(text);
  if (t.empty()) return false;
  char* end = nullptr;
  long v = std::strtol(t.c_str(), &end, 10);
  if (end == nullptr || *end != '\0') return false;
  value = static_cast<int>(v);
  return true;
}

// Through the platform seam, which hands the system a path in its own encoding.
bool ReadFileBytes(const std::string& path, std::string& bytes) {
  platform::Env* env = platform::Env::Default();
  std::FILE* file = env->OpenFile(path, "rb");
  if (file == nullptr) return false;
  std::string read;
  char block[1 << 14];
  size_t got = 0;
  while ((got = std::fread(block, 1, sizeof block, file)) > 0) read.append(block, got);
  const bool ok = !std::ferror(file);
  std::fclose(file);
  if (ok) bytes = read;
  return ok;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
  platform::Env* env = platform::Env::Default();
  std::FILE* file = env->OpenFile(path, "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return env->CloseFile(file) && written;
}

}  // namespace tvkhost
