#include "host/ParameterTable.h"

#include "host/Text.h"

#include <algorithm>
#include <cctype>

namespace tvkhost {

namespace {
// A guard against a driver that never answers type 0 or false.
constexpr int kMaxPerGroup = 1000;
}  // namespace

void ParameterTable::Read(const DriverExports& api) {
  params_.clear();
  for (int group = kFirstGroup; group <= kLastGroup; ++group) {
    for (int index = 0; index < kMaxPerGroup; ++index) {
      char name[TVKDLL_TEXT_SIZE + 1] = {0};
      char description[TVKDLL_TEXT_SIZE + 1] = {0};
      char defaultValue[TVKDLL_TEXT_SIZE + 1] = {0};
      char text1[TVKDLL_TEXT_SIZE + 1] = {0};
      char text2[TVKDLL_TEXT_SIZE + 1] = {0};
      int flag = 0;
      int type = api.Parametr(group, index, name, description, defaultValue, text1, text2, &flag);
      if (type == 0) break;
      ParameterInfo info;
      info.group = group;
      info.index = index;
      info.type = type;
      info.flag = flag;
      info.name = FromBuffer(name);
      info.description = FromBuffer(description);
      info.defaultValue = FromBuffer(defaultValue);
      for (int i = 0; i < kMaxPerGroup; ++i) {
        char text[TVKDLL_TEXT_SIZE + 1] = {0};
        if (!api.TekstListyParametru(info.name.c_str(), i, text)) break;
        info.listTexts.push_back(FromBuffer(text));
      }
      params_.push_back(info);
    }
  }
}

const ParameterInfo* ParameterTable::Find(const std::string& name, int code) const {
  int own = (code <= -2 && code >= -6) ? kFirstGroup - code : 0;
  const ParameterInfo* best = nullptr;
  int bestRank = 4;
  for (const ParameterInfo& p : params_) {
    if (!SameName(p.name, name)) continue;
    int rank = (p.group == 101 || p.group == 102) ? 1 : (p.group == own ? 2 : 3);
    if (rank < bestRank) {
      best = &p;
      bestRank = rank;
    }
  }
  return best;
}

namespace {

// The number of single-letter edits, ignoring case, that turn `a` into `b`.
size_t Distance(const std::string& a, const std::string& b) {
  auto lower = [](char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  };
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min(
          {row[j] + 1, row[j - 1] + 1, diagonal + (lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

std::string Named(const ParameterInfo& p) {
  return p.name + (p.description.empty() ? "" : " (\"" + p.description + "\")");
}

}  // namespace

bool ParameterTable::Check(const std::vector<std::pair<std::string, std::string>>& values,
                           const std::vector<std::string>& hostKeys, std::string& error) const {
  for (const auto& [key, value] : values) {
    if (key.size() > 3 && SameName(key.substr(0, 3), "KS_")) continue;
    const ParameterInfo* p = Find(key, 0);
    if (p == nullptr) {
      std::string closest;
      size_t best = 4;  // farther than three edits is no misspelling
      for (const ParameterInfo& q : params_) {
        const size_t d = Distance(key, q.name);
        if (d < best) {
          best = d;
          closest = Named(q);
        }
      }
      for (const std::string& own : hostKeys) {
        const size_t d = Distance(key, own);
        if (d < best) {
          best = d;
          closest = own + " (a key of tvkhost's own)";
        }
      }
      error = key + " is no parameter of the driver" +
              (!closest.empty() ? "; did you mean " + closest + "?" : "") +
              " (tvkhost params lists them all)";
      return false;
    }
    const std::string given = Trim(value);
    int number = 0;
    if (p->type == 4 && !given.empty() && !ParseInt(given, number)) {
      error = Named(*p) + " = " + given + " is no whole number (the driver would read 0); give " +
              "digits only, e.g. its default " + p->defaultValue;
      return false;
    }
    if (p->type != 7 || p->listTexts.empty() || given.empty()) continue;
    bool known = false;
    for (size_t i = 0; i < p->listTexts.size() && !known; ++i) {
      known = SameName(p->listTexts[i], given) || given == std::to_string(i);
    }
    if (known) continue;
    std::string choices;
    for (size_t i = 0; i < p->listTexts.size(); ++i) {
      choices += (i > 0 ? ", " : "") + std::to_string(i) + " \"" + p->listTexts[i] + "\"";
    }
    error = Named(*p) + " = " + given + " is none of its choices: " + choices +
            " (give the number or the text)";
    return false;
  }
  return true;
}

std::string ParameterTable::ForDriver(const ParameterInfo& info, const std::string& value) {
  if (info.type != 7) return value;
  for (size_t i = 0; i < info.listTexts.size(); ++i) {
    if (SameName(info.listTexts[i], value)) return std::to_string(i);
  }
  return value;
}

const char* ParameterTable::TypeName(int type) {
  switch (type) {
    case 1:
      return "text";
    case 3:
      return "port";
    case 4:
      return "integer";
    case 5:
      return "date";
    case 6:
      return "directory";
    case 7:
      return "list";
    default:
      return "type ?";
  }
}

const char* ParameterTable::GroupTitle(int group) {
  switch (group) {
    case 101:
      return "register connection and sale settings (every operation)";
    case 102:
      return "driver settings (every operation)";
    case 103:
      return "export (operation -2)";
    case 104:
      return "sales import (operation -3)";
    case 105:
      return "receipt import (operation -4)";
    case 106:
      return "automatic export (operation -5)";
    case 107:
      return "automatic import (operation -6)";
    default:
      return "";
  }
}

}  // namespace tvkhost
