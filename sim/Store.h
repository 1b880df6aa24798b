// Where registers live between runs: one text file per connection in the state directory,
// read and written under a lock shared by every simulator process.
#pragma once

#include <memory>
#include <string>

#include "platform/Env.h"
#include "sim/Register.h"

namespace sim {

// The state directory: ELZABSIM_STATE when set, else "registers" beside the programs.
std::string StateDirectory();

// "COM2" for a serial port (any case), "10.0.0.5:1001" for a LAN address and TCP port;
// empty when the text is neither.
std::string SerialKey(const std::string& port);
std::string LanKey(const std::string& address, const std::string& port);

// One register's file, held locked while the object lives.
class RegisterFile {
 public:
  RegisterFile(const std::string& directory, const std::string& connection);
  RegisterFile(const RegisterFile&) = delete;
  RegisterFile& operator=(const RegisterFile&) = delete;
  ~RegisterFile();

  const std::string& Path() const { return path_; }
  bool Exists() const;
  // Loads the register; false with a reason when the file is missing or broken.
  bool Load(Register& reg, std::string& error) const;
  // Writes the register (creating the directory); false when it cannot be written.
  bool Save(const Register& reg) const;
  bool Remove() const;

 private:
  std::string path_;
  std::unique_ptr<platform::InterProcessLock> lock_;
};

}  // namespace sim
