// The host's configuration: one section per device of an INI-style file. A section holds
// the device data a back office keeps (id, number, names, exchange directory, its VAT rates
// and weighed-goods formats) under the keys below, and every other line is a driver
// parameter by its name, including the driver's own stored parameters ("KS_ElzabSTX_...").
//
//   [Kasa1]
//   Id = 1
//   Number = 1
//   DeviceName = Kasa 1
//   Workstation = Sklep
//   ExchangeDir = C:\Torvik\Urz_0001\ (the separator at the end is added when missing)
//   VatRates = 23;8;5;0;-1
//   ElzabSTXPort = COM1
//
// The file may be Windows-1250 or UTF-8; values reach the driver as Windows-1250 and values
// the driver stores go back in the file's own encoding.
#pragma once

#include <string>
#include <vector>

#include "host/IniFile.h"

namespace tvkhost {

// The keys of a device section that are the host's own, not driver parameters.
inline constexpr const char* kKeyId = "Id";
inline constexpr const char* kKeyNumber = "Number";
inline constexpr const char* kKeyDeviceName = "DeviceName";
inline constexpr const char* kKeyWorkstation = "Workstation";
inline constexpr const char* kKeyExchangeDir = "ExchangeDir";
inline constexpr const char* kKeyVatRates = "VatRates";
inline constexpr const char* kKeyVatRatesPrec = "VatRatesPrec";
inline constexpr const char* kKeyWeighedFormats = "WeighedFormats";

struct DeviceConfig {
  std::string section;
  int id = -1;
  int number = 0;
  std::string deviceName;   // Windows-1250
  std::string workstation;  // Windows-1250
  std::string exchangeDir;  // absolute, ending with the path separator
  bool hasVatRates = false;
  std::vector<int> vatRates;  // whole percent, -1 exempt
  bool hasVatRatesPrec = false;
  std::vector<int> vatRatesPrec;  // hundredths of a percent
  std::vector<std::string> weighedFormats;
};

class HostConfig {
 public:
  // Reads the file. False with a one-line reason when it is missing or unreadable.
  bool Load(const std::string& path, std::string& error);
  // Reads the file again (the driver asked the host to reload its parameters).
  bool Reload(std::string& error);
  // Picks the device section: by name, or the first one for an empty name. False with a
  // reason when there is no such section or a host key holds nonsense.
  bool SelectDevice(const std::string& name, std::string& error);

  const std::string& Path() const { return path_; }
  const DeviceConfig& Device() const { return device_; }
  std::vector<std::string> DeviceNames() const { return ini_.Sections(); }

  // The value the file sets for parameter `name` in the device section, Windows-1250.
  bool Parameter(const std::string& name, std::string& value) const;
  // Stores a parameter value in the device section and writes the file. False with a
  // reason when the file cannot be written.
  bool StoreParameter(const std::string& name, const std::string& value, std::string& error);
  // The driver parameters the device section sets: every key that is not the host's own,
  // with its value, Windows-1250.
  std::vector<std::pair<std::string, std::string>> DeviceParameters() const;
  // True when `key` is one of the host's own keys rather than a driver parameter.
  static bool IsHostKey(const std::string& key);
  // tvkhost's own keys of a device section.
  static std::vector<std::string> HostKeys();

 private:
  bool ReadDevice(std::string& error);
  std::string FromFile(const std::string& text) const;
  std::string ToFile(const std::string& text) const;

  std::string path_;
  IniFile ini_;
  bool utf8_ = false;
  DeviceConfig device_;
};

// A list of integers separated by ";" (blanks allowed). False when one is not a number.
bool ParseIntList(const std::string& text, std::vector<int>& values);

}  // namespace tvkhost
