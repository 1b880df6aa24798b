#include "host/IniFile.h"

#include <cstdio>
#include <cstdlib>

#include "host/Text.h"

namespace tvkhost {

namespace {
constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";
}

void IniFile::Parse(const std::string& bytes) {
  lines_.clear();
  sections_.clear();
  bom_.clear();
  std::string body = bytes;
  if (body.compare(0, 3, kUtf8Bom) == 0) {
    bom_ = kUtf8Bom;
    body.erase(0, 3);
  }
  size_t firstEnd = body.find_first_of("\r\n");
  newline_ =
      (firstEnd != std::string::npos && body.compare(firstEnd, 2, "\r\n") == 0) ? "\r\n" : "\n";
  int section = -1;
  for (const std::string& text : SplitLines(body)) {
    Line line;
    line.text = text;
    std::string t = Trim(text);
    if (t.size() >= 2 && t.front() == '[' && t.back() == ']') {
      sections_.push_back(Trim(t.substr(1, t.size() - 2)));
      section = static_cast<int>(sections_.size()) - 1;
    } else if (!t.empty() && t[0] != ';' && t[0] != '#') {
      ParseEntry(line);
    }
    line.section = section;
    lines_.push_back(line);
  }
}

void IniFile::ParseEntry(Line& line) {
  size_t eq = line.text.find('=');
  if (eq == std::string::npos) return;
  line.key = Trim(line.text.substr(0, eq));
  line.value = Trim(line.text.substr(eq + 1));
  line.entry = !line.key.empty();
}

std::string IniFile::ToBytes() const {
  std::string out = bom_;
  for (const Line& line : lines_) out += line.text + newline_;
  return out;
}

std::vector<std::string> IniFile::Sections() const {
  return sections_;
}

int IniFile::FindSection(const std::string& section) const {
  for (size_t i = 0; i < sections_.size(); ++i) {
    if (SameName(sections_[i], section)) return static_cast<int>(i);
  }
  return -1;
}

bool IniFile::HasSection(const std::string& section) const {
  return FindSection(section) >= 0;
}

std::vector<std::pair<std::string, std::string>> IniFile::Entries(
    const std::string& section) const {
  std::vector<std::pair<std::string, std::string>> out;
  int s = FindSection(section);
  if (s < 0) return out;
  for (const Line& line : lines_) {
    if (line.section == s && line.entry) out.emplace_back(line.key, DecodeValue(line.value));
  }
  return out;
}

bool IniFile::Get(const std::string& section, const std::string& key, std::string& value) const {
  int s = FindSection(section);
  if (s < 0) return false;
  // The last line wins, as a person appending a corrected line at the end would expect.
  bool found = false;
  for (const Line& line : lines_) {
    if (line.section == s && line.entry && SameName(line.key, key)) {
      value = DecodeValue(line.value);
      found = true;
    }
  }
  return found;
}

void IniFile::Set(const std::string& section, const std::string& key, const std::string& value) {
  int s = FindSection(section);
  if (s < 0) {
    if (!lines_.empty() && !Trim(lines_.back().text).empty()) lines_.push_back(Line{});
    sections_.push_back(section);
    s = static_cast<int>(sections_.size()) - 1;
    Line header;
    header.text = "[" + section + "]";
    header.section = s;
    lines_.push_back(header);
  }
  Line entry;
  entry.section = s;
  entry.entry = true;
  entry.key = key;
  entry.value = EncodeValue(value);
  int last = -1;
  int lastOfSection = -1;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].section != s) continue;
    if (lines_[i].entry && SameName(lines_[i].key, key)) last = static_cast<int>(i);
    // After the last entry (or the header), not after comments that introduce what follows.
    std::string t = Trim(lines_[i].text);
    if (lines_[i].entry || (!t.empty() && t[0] == '[')) lastOfSection = static_cast<int>(i);
  }
  if (last >= 0) {
    entry.key = lines_[last].key;
    entry.text = entry.key + " = " + entry.value;
    lines_[last] = entry;
    return;
  }
  entry.text = entry.key + " = " + entry.value;
  lines_.insert(lines_.begin() + (lastOfSection + 1), entry);
}

std::string IniFile::EncodeValue(const std::string& value) {
  bool plain = Trim(value) == value && (value.empty() || value[0] != '"');
  for (char c : value) {
    if (static_cast<unsigned char>(c) < 0x20) plain = false;
  }
  if (plain) return value;
  std::string out = "\"";
  for (char c : value) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char hex[8];
          std::snprintf(hex, sizeof(hex), "\\x%02X", static_cast<unsigned char>(c));
          out += hex;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

std::string IniFile::DecodeValue(const std::string& written) {
  if (written.size() < 2 || written.front() != '"' || written.back() != '"') return written;
  std::string out;
  for (size_t i = 1; i + 1 < written.size(); ++i) {
    char c = written[i];
    if (c != '\\' || i + 2 >= written.size()) {
      out += c;
      continue;
    }
    char e = written[++i];
    switch (e) {
      case 'r':
        out += '\r';
        break;
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case 'x':
        if (i + 2 <= written.size() - 2) {
          out += static_cast<char>(std::strtol(written.substr(i + 1, 2).c_str(), nullptr, 16));
          i += 2;
        } else {
          out += "\\x";
        }
        break;
      default:
        out += e;  // \\ and \" and anything unknown stand for themselves
    }
  }
  return out;
}

}  // namespace tvkhost
