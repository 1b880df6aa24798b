// Platform-neutral parts of the seam: the Env in use, closing stdio files and command-line
// words.
#include "platform/Env.h"

#include <cstdlib>

namespace platform {

namespace {
Env* g_env = nullptr;
}

Env* CurrentEnv() {
  return g_env != nullptr ? g_env : Env::Default();
}

Env* SetEnvForTesting(Env* env) {
  Env* previous = CurrentEnv();
  g_env = env;
  return previous;
}

bool Env::CloseFile(std::FILE* file) {
  const bool flushed = std::fflush(file) == 0 && !std::ferror(file);
  return std::fclose(file) == 0 && flushed;
}

std::string QuoteArgument(const std::string& word) {
  if (!word.empty() && word.find_first_of(" \t\"") == std::string::npos) return word;
  // The rules of the Windows C runtime's command-line parser: backslashes are literal
  // unless they precede a double quote, where they must be doubled.
  std::string out = "\"";
  size_t backslashes = 0;
  for (char c : word) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') {
      out.append(backslashes * 2 + 1, '\\');
    } else {
      out.append(backslashes, '\\');
    }
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, '\\');
  out += '"';
  return out;
}

std::string JoinCommandLine(const std::string& program, const std::vector<std::string>& args) {
  std::string line = QuoteArgument(program);
  for (const std::string& arg : args) {
    line += ' ';
    line += QuoteArgument(arg);
  }
  return line;
}

std::string DirectoryOf(const std::string& path) {
  size_t pos = path.find_last_of("/\\");
  if (pos == std::string::npos) return ".";
  if (pos == 0) return path.substr(0, 1);
  return path.substr(0, pos);
}

std::string FileNameOf(const std::string& path) {
  size_t pos = path.find_last_of("/\\");
  return pos == std::string::npos ? path : path.substr(pos + 1);
}

int ClockShiftDays(const std::string& value) {
  if (value.empty() || value.size() > 6) return 0;
  size_t at = value[0] == '-' ? 1 : 0;
  if (at == value.size() || value.find_first_not_of("0123456789", at) != std::string::npos) {
    return 0;
  }
  const int days = std::atoi(value.c_str());
  return days >= -36500 && days <= 36500 ? days : 0;
}

std::string GetEnvironmentValue(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value != nullptr ? FromNativeText(value) : std::string();
}

}  // namespace platform
