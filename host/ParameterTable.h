// The driver's table of configuration parameters as the host reads it: groups 101 to 107,
// each from index 0 until the driver answers type 0, and the list texts of each parameter
// from index 0 until the driver answers false.
#pragma once

#include <string>
#include <vector>

#include "host/DriverLibrary.h"

namespace tvkhost {

struct ParameterInfo {
  int group = 0;
  int index = 0;
  int type = 0;  // 1 text, 3 port, 4 integer, 5 date, 6 directory, 7 list
  int flag = 0;
  std::string name;  // Windows-1250, as all texts here
  std::string description;
  std::string defaultValue;
  std::vector<std::string> listTexts;
};

inline constexpr int kFirstGroup = 101;
inline constexpr int kLastGroup = 107;

class ParameterTable {
 public:
  void Read(const DriverExports& api);
  const std::vector<ParameterInfo>& All() const { return params_; }

  // The parameter of that name that applies to operation `code`: the groups read by every
  // operation (101, 102) first, then the operation's own group (101 - code for the codes -2
  // to -6), then any other group. Nullptr when the table has no such name.
  const ParameterInfo* Find(const std::string& name, int code) const;

  // The value the driver is to see: a list parameter written as one of its list texts is
  // given as that text's index (the driver reads list parameters as indexes); anything else
  // is passed as written.
  static std::string ForDriver(const ParameterInfo& info, const std::string& value);

  // Checks the parameters a device section sets against the table: a key that is no
  // parameter of the driver (a misspelling would otherwise be passed over in silence), a
  // list value that is none of its choices and an integer that is no whole number (the driver
  // would read 0) are refused. False with a line naming the parameter by its key and label,
  // and what it may be; a misspelt key is matched against the driver's parameters and
  // `hostKeys` (tvkhost's own keys of the section). Keys the driver stores for itself
  // ("KS_...") are its own business.
  bool Check(const std::vector<std::pair<std::string, std::string>>& values,
             const std::vector<std::string>& hostKeys, std::string& error) const;

  // A person's word for a type code.
  static const char* TypeName(int type);
  // A person's heading for a group.
  static const char* GroupTitle(int group);

 private:
  std::vector<ParameterInfo> params_;
};

}  // namespace tvkhost
