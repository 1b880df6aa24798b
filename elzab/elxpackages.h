// The register's packaging goods, kept in "packages.dat" in the exchange directory: the export
// adds each packaging goods it sends, and the import tells packaging sold and returned from
// goods by it.
#pragma once

#include <set>
#include <string>

class ElzabRunner;
class ElzabSession;
struct ElzabConfig;

class ElzabPackages {
 public:
  ElzabPackages(ElzabSession& session, ElzabRunner& runner, const ElzabConfig& config);
  ElzabPackages(const ElzabPackages&) = delete;
  ElzabPackages& operator=(const ElzabPackages&) = delete;

  // Reads the list, saying so in the host's list; an empty one when there is no file.
  void Load();
  // Adds `plu` to the file (not to the list read).
  void Write(const std::string& plu);
  // Removes the file before an export that sends every goods anew ("RodzajTransmisji" 2 or 3).
  void Delete();
  // Whether `plu` (as the list writes it: digits, no blanks) is on the list read; false before
  // Load.
  bool Contains(const std::string& plu) const;

 private:
  ElzabSession& session_;
  ElzabRunner& runner_;
  const ElzabConfig& config_;
  std::set<std::string> plus_;
};
