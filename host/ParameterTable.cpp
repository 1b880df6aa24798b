#include "host/ParameterTable.h"

#include "host/Text.h"

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
