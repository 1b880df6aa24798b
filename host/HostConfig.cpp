#include "host/HostConfig.h"

#include <cstdio>
#include <filesystem>

#include "host/Text.h"
#include "platform/Env.h"

namespace tvkhost {

namespace {

bool IsAbsolute(const std::string& path) {
  return (!path.empty() && (path[0] == '/' || path[0] == '\\')) ||
         (path.size() >= 2 && path[1] == ':');
}

}  // namespace

bool ParseIntList(const std::string& text, std::vector<int>& values) {
  values.clear();
  if (Trim(text).empty()) return true;
  for (const std::string& part : Split(text, ';')) {
    int v = 0;
    if (!ParseInt(part, v)) return false;
    values.push_back(v);
  }
  return true;
}

bool HostConfig::Load(const std::string& path, std::string& error) {
  // Relative exchange directories are taken from the file's folder, so it has to be known.
  std::error_code ec;
  std::filesystem::path full = std::filesystem::absolute(platform::NativePath(path), ec);
  path_ = ec ? path : platform::FromNativePath(full.lexically_normal());
  return Reload(error);
}

bool HostConfig::Reload(std::string& error) {
  std::string bytes;
  if (!platform::Env::Default()->FileExists(path_) || !ReadFileBytes(path_, bytes)) {
    error = "cannot read the configuration file " + path_;
    return false;
  }
  ini_.Parse(bytes);
  utf8_ = LooksLikeUtf8(bytes);
  if (ini_.Sections().empty()) {
    error = "the configuration file " + path_ + " has no device section ([name])";
    return false;
  }
  if (device_.section.empty()) return true;
  return ReadDevice(error);
}

bool HostConfig::SelectDevice(const std::string& name, std::string& error) {
  std::vector<std::string> sections = ini_.Sections();
  if (name.empty()) {
    device_.section = sections.front();
  } else if (!ini_.HasSection(name)) {
    std::string known;
    for (const std::string& s : sections) known += (known.empty() ? "" : ", ") + s;
    error = "no device \"" + name + "\" in " + path_ + " (it has: " + known + ")";
    return false;
  } else {
    for (const std::string& s : sections) {
      if (SameName(s, name)) device_.section = s;
    }
  }
  return ReadDevice(error);
}

bool HostConfig::ReadDevice(std::string& error) {
  DeviceConfig d;
  d.section = device_.section;
  std::string v;
  auto bad = [&](const char* key) {
    error = std::string("[") + d.section + "] " + key + " = \"" + v + "\" is not valid in " + path_;
    return false;
  };
  if (ini_.Get(d.section, kKeyId, v) && !ParseInt(v, d.id)) return bad(kKeyId);
  if (ini_.Get(d.section, kKeyNumber, v) && !ParseInt(v, d.number)) return bad(kKeyNumber);
  if (ini_.Get(d.section, kKeyDeviceName, v)) d.deviceName = FromFile(v);
  if (ini_.Get(d.section, kKeyWorkstation, v)) d.workstation = FromFile(v);
  if (ini_.Get(d.section, kKeyExchangeDir, v)) {
    std::string dir = FromFile(Trim(v));
    if (!dir.empty() && !IsAbsolute(dir)) {
      dir = platform::DirectoryOf(path_) + platform::kPathSeparator + dir;
    }
    if (!dir.empty() && dir.back() != '/' && dir.back() != '\\') dir += platform::kPathSeparator;
    d.exchangeDir = dir;
  }
  if (d.exchangeDir.empty()) {
    // A back office keeps one exchange folder per device, named after its id.
    char name[32];
    std::snprintf(name, sizeof(name), "Urz_%04d", d.id >= 0 ? d.id : d.number);
    d.exchangeDir =
        platform::DirectoryOf(path_) + platform::kPathSeparator + name + platform::kPathSeparator;
  }
  if (ini_.Get(d.section, kKeyVatRates, v)) {
    if (!ParseIntList(v, d.vatRates)) return bad(kKeyVatRates);
    d.hasVatRates = true;
  }
  if (ini_.Get(d.section, kKeyVatRatesPrec, v)) {
    if (!ParseIntList(v, d.vatRatesPrec)) return bad(kKeyVatRatesPrec);
    d.hasVatRatesPrec = true;
  }
  if (ini_.Get(d.section, kKeyWeighedFormats, v)) {
    for (const std::string& f : Split(FromFile(v), ';')) {
      if (!Trim(f).empty()) d.weighedFormats.push_back(Trim(f));
    }
  }
  device_ = d;
  return true;
}

std::vector<std::string> HostConfig::HostKeys() {
  return {kKeyId,          kKeyNumber,   kKeyDeviceName,   kKeyWorkstation,
          kKeyExchangeDir, kKeyVatRates, kKeyVatRatesPrec, kKeyWeighedFormats};
}

bool HostConfig::IsHostKey(const std::string& key) {
  for (const std::string& k : HostKeys()) {
    if (SameName(key, k)) return true;
  }
  return false;
}

std::vector<std::pair<std::string, std::string>> HostConfig::DeviceParameters() const {
  std::vector<std::pair<std::string, std::string>> out;
  if (device_.section.empty()) return out;
  for (const auto& [key, value] : ini_.Entries(device_.section)) {
    if (!IsHostKey(key)) out.emplace_back(FromFile(key), FromFile(value));
  }
  return out;
}

bool HostConfig::Parameter(const std::string& name, std::string& value) const {
  if (device_.section.empty() || IsHostKey(name)) return false;
  std::string raw;
  if (!ini_.Get(device_.section, name, raw)) return false;
  value = FromFile(raw);
  return true;
}

bool HostConfig::StoreParameter(const std::string& name, const std::string& value,
                                std::string& error) {
  ini_.Set(device_.section, Trim(ToFile(name)), ToFile(value));
  if (!WriteFileBytes(path_, ini_.ToBytes())) {
    error = "cannot write the configuration file " + path_;
    return false;
  }
  return true;
}

std::string HostConfig::FromFile(const std::string& text) const {
  return utf8_ ? Utf8ToCp1250(text) : text;
}

std::string HostConfig::ToFile(const std::string& text) const {
  return utf8_ ? Cp1250ToUtf8(text) : text;
}

}  // namespace tvkhost
