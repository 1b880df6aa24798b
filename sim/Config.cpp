#include "sim/Config.h"

#include <vector>

#include "sim/Store.h"
#include "sim/Text.h"

namespace sim {

namespace {

bool KnownSpeed(const std::string& speed) {
  for (const char* s : {"4800", "9600", "19200", "28800", "57600", "115200"}) {
    if (speed == s) return true;
  }
  return false;
}

// "COMn:speed:STXp:1": port, speed and protocol of the serial part. `protocol` is the one
// the connection kind needs (STX0 for a serial line, STX6 through the LAN interface).
int ReadSerialPart(const std::string& text, const char* protocol, std::string& port) {
  std::vector<std::string> parts = Split(text, ':');
  if (parts.size() != 4) return 16;
  port = SerialKey(parts[0]);
  if (port.empty() || !KnownSpeed(parts[1]) || parts[2] != protocol || parts[3] != "1") return 15;
  return 0;
}

}  // namespace

int ReadConfig(const std::string& path, Config& config) {
  std::string bytes;
  if (!ReadBytes(path, bytes)) return 7;
  std::vector<std::string> lines = Lines(bytes);
  if (lines.empty() || lines[0].empty()) return 13;
  const std::string& line = lines[0];
  if (line[0] != '$') return 16;
  std::vector<std::string> fields = Split(line.substr(1), '\t');
  if (fields.size() < 3) return 13;
  if (fields.size() != 3 && fields.size() != 5) return 16;
  long long device = 0;
  if (!ParseInt(fields[0], device)) return 16;
  if (device < 1 || device > 255) return 19;
  config.device = static_cast<int>(device);
  long long timeout = 0;
  if (!ParseInt(fields[2], timeout)) return 16;
  if (timeout < 0 || timeout > 3600) return 15;

  std::string port;
  if (fields.size() == 3) {
    int code = ReadSerialPart(fields[1], "STX0", port);
    if (code != 0) return code;
    config.connection = port;
    config.lan = false;
    return 0;
  }
  // LAN: the serial part is fixed, then "Elzab" and
  // "AnyString:3001:address:port:password:timeout:retries"; the password may hold ":".
  int code = ReadSerialPart(fields[1], "STX6", port);
  if (code != 0) return code;
  if (fields[3] != "Elzab") return 16;
  std::vector<std::string> lan = Split(fields[4], ':');
  if (lan.size() < 7) return 13;
  if (lan[0] != "AnyString" || lan[1] != "3001") return 16;
  long long lanTimeout = 0;
  long long retries = 0;
  if (!ParseInt(lan[lan.size() - 2], lanTimeout) || !ParseInt(lan.back(), retries)) return 16;
  if (lanTimeout < 0 || retries < 0) return 15;
  config.connection = LanKey(lan[2], lan[3]);
  if (config.connection.empty()) return 15;
  config.lan = true;
  return 0;
}

}  // namespace sim
