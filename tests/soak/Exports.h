// The back office's goods for a register, changed at random between exports, and what each
// export must do with them: which goods the register must take, which the driver withdraws
// before sending (a PLU beyond the register's capacity, a VAT rate the register lacks, an
// additional line), and which the register refuses (a barcode another goods holds).
#pragma once

#include <map>
#include <set>
#include <string>

#include "soak/Day.h"

namespace soak {

struct ExportRound {
  std::string file;                   // the export file, Windows-1250, CR LF
  int transmission = 1;               // "RodzajTransmisji": 3 clears the register first
  std::set<int> sent;                 // goods whose own line the driver must send
  std::set<int> withdrawn;            // goods' own lines the driver must withdraw
  std::set<int> refused;              // goods the register must refuse
  std::set<int> deleted;              // goods sent for deletion
  std::map<int, CatalogGoods> after;  // the register's goods once the export went through
  int changes = 0;
};

class ExportCatalog {
 public:
  ExportCatalog(int capacity, int nameMax) : capacity_(capacity), nameMax_(nameMax) {}
  // The next export: the whole catalog anew (after a failed export too, once the refused
  // goods are mended) or a few changes.
  ExportRound Next(Rng& rng);
  // The export went through: the register holds `round.after`.
  void Sent(const ExportRound& round);
  // It failed: the refused goods are mended, and the next export sends everything anew.
  void Failed(const ExportRound& round);
  const std::map<int, CatalogGoods>& OnRegister() const { return register_; }

 private:
  CatalogGoods Make(Rng& rng, int plu);
  int capacity_, nameMax_;
  std::map<int, CatalogGoods> catalog_;   // the back office's goods (PLU beyond capacity too)
  std::map<int, CatalogGoods> register_;  // what the register holds
  bool full_ = true;
};

}  // namespace soak
