// KONFIG.TXT as a register's communication program reads it: which connection to open,
// which register number to expect there.
#pragma once

#include <string>

namespace sim {

struct Config {
  std::string connection;  // register key: "COM2" or "10.0.0.5:1001"
  int device = 0;          // register number the programs address
  bool lan = false;
};

// Reads KONFIG.TXT from `path`. Returns 0 and fills `config`, or the register's error code:
// 7 file missing or unreadable, 13 incomplete, 15 a value out of range, 16 wrong format,
// 19 register number out of range.
int ReadConfig(const std::string& path, Config& config);

}  // namespace sim
