#include "testutil/ImportBooks.h"

namespace testutil {
namespace {

std::vector<std::string> Lines(const std::string& file) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < file.size()) {
    size_t end = file.find('\n', at);
    if (end == std::string::npos) end = file.size();
    std::string line = file.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    at = end + 1;
  }
  return lines;
}

std::vector<std::string> Split(const std::string& line, char separator) {
  std::vector<std::string> fields;
  size_t from = 0;
  for (size_t s = line.find(separator); s != std::string::npos; s = line.find(separator, from)) {
    fields.push_back(line.substr(from, s - from));
    from = s + 1;
  }
  fields.push_back(line.substr(from));
  return fields;
}

long long Number(const std::string& text) {
  try {
    return std::stoll(text);
  } catch (...) {
    return -999999999;  // shows in the difference rather than ending the test
  }
}

}  // namespace

Books Book(const std::vector<std::string>& files) {
  Books books;
  for (const std::string& file : files) {
    const std::vector<std::string> lines = Lines(file);
    std::string day;
    // As the file's flags say: the packaging totals overwrite what the back office has of the
    // day ("NADPISZ_OPAK;T"), every other total adds to it.
    bool overwritePackaging = false;
    for (const std::string& l : lines) {
      if (l.rfind("DATA_SPRZEDAZY;", 0) == 0) day = l.substr(15, 8) + " ";
      if (l == "NADPISZ_OPAK;T") overwritePackaging = true;
    }
    std::string section;
    bool documents = false;  // past the buffer's own sections
    std::string document;
    auto flush = [&] {
      if (!document.empty()) ++books["document " + document];
      document.clear();
    };
    for (const std::string& l : lines) {
      if (documents) {
        if (!l.empty() && l[0] == '[') flush();
        if (!l.empty()) document += l + "\n";
        continue;
      }
      if (l.empty()) {
        if (section == "[FLAGI]") documents = true;
        continue;
      }
      if (l[0] == '[') {
        section = l;
        continue;
      }
      const std::vector<std::string> f = Split(l, ';');
      if (section == "[TOWAROWE]" && f.size() >= 5) {
        books[day + "qty " + f[1]] += Number(f[3]);
        books[day + "value " + f[1]] += Number(f[4]);
      } else if (section == "[OPERACJE]" || section == "[RAPORT_GODZINOWY]") {
        ++books[day + l];
      } else if (section == "[FINANSOWE]" && f.size() >= 2) {
        const bool packaging = f[0] == "ZWROT_OPAKOWAN" || f[0] == "SPRZEDAZ_OPAKOWAN";
        if (packaging && overwritePackaging) {
          books[day + f[0]] = Number(f[1]);
        } else {
          books[day + f[0]] += Number(f[1]);
        }
      }
    }
    flush();
  }
  return books;
}

std::string Show(const Books& books) {
  std::string s;
  for (const auto& [key, value] : books) s += key + " = " + std::to_string(value) + "\n";
  return s;
}

long long Documents(const Books& books, const std::string& header) {
  long long n = 0;
  const std::string prefix = "document " + header + "\n";
  for (const auto& [key, value] : books) {
    if (key.rfind(prefix, 0) == 0) n += value;
  }
  return n;
}

}  // namespace testutil
