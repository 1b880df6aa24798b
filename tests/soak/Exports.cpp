#include "soak/Exports.h"

#include <cstdio>
#include <vector>

namespace soak {
namespace {

std::string N(long long v) {
  return std::to_string(v);
}

const std::vector<std::string> kNames = {"Chleb żytni",  "Bułka kajzerka",  "Mleko łaciate 3,2%",
                                         "Masło ekstra", "Śliwki węgierki", "Źródlana woda",
                                         "Żurek śląski", "Łosoś wędzony",   "Ćwikła z chrzanem"};

std::string Line(const CatalogGoods& g, int koldod, const std::string& status) {
  const std::string price = N(g.price);
  return "PLU;" + N(g.plu) + ";" + N(koldod) + ";" + g.barcode + ";" + g.name + ";" + price + ";" +
         price + ";" + price + ";" + price + ";" + N(g.rate) + ";" + (g.weighed ? "2" : "1") + ";" +
         (g.weighed ? "T;3;T;" : "F;0;F;") + (g.package ? "T" : "F") + ";F;0;;1;" + status + "\r\n";
}

// The VAT rates the simulated register holds.
bool RateOnRegister(int rate) {
  return rate == 23 || rate == 8 || rate == 5 || rate == 0;
}

}  // namespace

CatalogGoods ExportCatalog::Make(Rng& rng, int plu) {
  CatalogGoods g;
  g.plu = plu;
  char barcode[16];
  std::snprintf(barcode, sizeof barcode, "58%011d", plu);
  g.barcode = barcode;
  g.weighed = rng.Chance(10);
  if (g.weighed) g.barcode = "2" + N(1000 + plu % 9000);  // a weighed code of the scale
  g.package = !g.weighed && rng.Chance(5);
  g.name = rng.Pick(kNames) + " " + N(plu);
  // Names of the register's full length and beyond, which it keeps the beginning of.
  if (rng.Chance(20)) {
    while (static_cast<int>(g.name.size()) < nameMax_ + static_cast<int>(rng.Range(-2, 6))) {
      g.name += rng.Chance(30) ? "ą" : "x";
    }
  }
  const int edge = static_cast<int>(rng.Range(1, 20));
  g.price = edge == 1 ? 0 : edge == 2 ? 1 : edge == 3 ? 99999999 : rng.Range(1, 500000);
  g.rate = rng.Chance(4) ? 7 : rng.Pick(std::vector<int>{23, 8, 5, 0});
  return g;
}

ExportRound ExportCatalog::Next(Rng& rng) {
  ExportRound r;
  std::map<int, std::string> status;  // PLU -> status of its own line
  if (full_ || rng.Chance(10)) {
    // Everything anew: a catalog up to the capacity, now and then a few goods beyond it.
    r.transmission = 3;
    catalog_.clear();
    const int size = static_cast<int>(rng.Range(1, capacity_));
    for (int plu = 1; plu <= size; ++plu) {
      if (rng.Chance(85)) catalog_[plu] = Make(rng, plu);
    }
    for (int k = 0; k < 3 && rng.Chance(30); ++k) {
      const int plu = capacity_ + static_cast<int>(rng.Range(1, 50));
      catalog_[plu] = Make(rng, plu);
    }
    // After a failed export the register holds what it took of it, which only an export that
    // reaches it (one with a goods) sets right; an empty catalog otherwise tests the export of
    // no goods.
    if (catalog_.empty() && full_) catalog_[1] = Make(rng, 1);
    for (const auto& [plu, g] : catalog_) status[plu] = "DOD";
  } else {
    r.transmission = rng.Chance(20) ? 2 : 1;
    const int changes = static_cast<int>(rng.Range(1, 25));
    for (int k = 0; k < changes; ++k) {
      const int plu = static_cast<int>(rng.Range(1, capacity_ + 5));
      auto it = catalog_.find(plu);
      const bool there = it != catalog_.end();
      const int what = static_cast<int>(rng.Range(1, 4));
      if (!there || what == 1) {
        catalog_[plu] = Make(rng, plu);
        status[plu] = "DOD";
      } else if (what == 2) {
        it->second.name = rng.Pick(kNames) + " nowy " + N(plu);
        it->second.rate = rng.Pick(std::vector<int>{23, 8, 5, 0});
        status[plu] = "AKT";
      } else if (what == 3 && register_.count(plu) != 0) {
        // A price change touches nothing else: the back office's goods are the register's.
        it->second = register_[plu];
        it->second.price = rng.Range(0, 99999999);
        status[plu] = "CEN";
      } else {
        status[plu] = "USU";
      }
    }
  }
  // Now and then a goods with another's barcode, which the register refuses.
  if (!full_ && rng.Chance(15) && catalog_.size() > 2) {
    const int plu = static_cast<int>(rng.Range(1, capacity_));
    const CatalogGoods& other = catalog_.begin()->second;
    if (plu != other.plu && !other.weighed) {
      CatalogGoods g = Make(rng, plu);
      g.weighed = false;
      g.barcode = other.barcode;
      g.rate = 23;
      catalog_[plu] = g;
      status[plu] = "DOD";
    }
  }

  // An export without a single goods does not reach the register at all, whatever its
  // transmission: the driver says there is nothing to send and stores no result.
  r.after = r.transmission == 3 && !status.empty() ? std::map<int, CatalogGoods>() : register_;
  std::string file = "[STAWKI]\r\nVAT;23\r\nVAT;8\r\nVAT;5\r\nVAT;0\r\nVAT;7\r\n";
  file += "[JEDNOSTKI]\r\nJM;1;0;szt.\r\nJM;2;3;kg\r\n[ASORTYMENTY]\r\nASS;1;Spożywcze\r\n";
  file += "[TOWARY]\r\n";
  std::map<std::string, int> barcodes;  // barcode -> PLU on the register after the export
  for (const auto& [plu, g] : r.after) barcodes[g.barcode] = plu;
  for (const auto& [plu, st] : status) {
    const CatalogGoods& g = catalog_[plu];
    file += Line(g, 0, st);
    // An additional line of the same goods never reaches the register.
    if (rng.Chance(5)) file += Line(g, 1, st);
    ++r.changes;
  }
  // The export sends the price changes, then the deletions, then the additions and updates:
  // a goods deleted frees its barcode for one added in the same export, whatever their PLUs.
  auto withdrawn = [&](int plu, const std::string& st) {
    if (plu > capacity_ || (st != "USU" && !RateOnRegister(catalog_[plu].rate))) {
      r.withdrawn.insert(plu);
      return true;
    }
    return false;
  };
  for (const auto& [plu, st] : status) {
    if (st != "USU" || withdrawn(plu, st)) continue;
    r.deleted.insert(plu);
    r.sent.insert(plu);
    auto was = r.after.find(plu);
    if (was != r.after.end()) {
      barcodes.erase(was->second.barcode);
      r.after.erase(was);
    }
  }
  for (const auto& [plu, st] : status) {
    if (st == "USU" || withdrawn(plu, st)) continue;
    const CatalogGoods& g = catalog_[plu];
    auto holder = barcodes.find(g.barcode);
    if (holder != barcodes.end() && holder->second != plu && !g.weighed) {
      r.refused.insert(plu);
      continue;
    }
    r.sent.insert(plu);
    if (st == "CEN") {
      r.after[plu].price = g.price;
    } else {
      auto was = r.after.find(plu);
      if (was != r.after.end()) barcodes.erase(was->second.barcode);
      r.after[plu] = g;
      barcodes[g.barcode] = plu;
    }
  }
  r.file = file;
  return r;
}

void ExportCatalog::Sent(const ExportRound& round) {
  register_ = round.after;
  full_ = false;
}

void ExportCatalog::Failed(const ExportRound& round) {
  for (int plu : round.refused) catalog_.erase(plu);
  full_ = true;
}

}  // namespace soak
