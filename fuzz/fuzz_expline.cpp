// One line of the host's export file, read by each record kind's reader, and a discount-card
// pattern with a card code (a TKartaRab pattern comes from the shop's settings and the code
// from the export file). The first byte picks the reader; the rest is the line.
#include <cstdint>
#include <string>

#include "exchange/KSExpRecords.h"
#include "exchange/TKartaRab.h"
#include "fuzz/FuzzHarness.h"
#include "support/TLJWords.h"

namespace {

void Goods(const std::string& line) {
  KSTowRec rec;
  fuzz::Run([&] { rec.FromLine(line, nullptr); });
  TLJWords words(";");
  words.Init(line);
  KSTowRec again;
  fuzz::Run([&] { again.FromLine(words, nullptr); });
  for (int level = -1; level <= 4; ++level) (void)again.CenaAkt(level);
}

void Contractor(const std::string& line) {
  KSKontrRec rec;
  fuzz::Run([&] { rec.FromLine(line, nullptr); });
}

void Cashier(const std::string& entry) {
  KSKasjer k(entry, nullptr);
  fuzz::Run([&] { (void)k.GetNumer(); });
  fuzz::Run([&] { (void)k.GetNazwisko(); });
  fuzz::Run([&] { (void)k.GetPoziomUprawnien(); });
  fuzz::Run([&] { (void)k.GetIdentyfikator(); });
  fuzz::Run([&] { (void)k.GetKodKarty(); });
}

void Currency(const std::string& entry) {
  KSWaluta w(entry, nullptr);
  fuzz::Run([&] { (void)w.GetKod(); });
  fuzz::Run([&] { (void)w.GetNazwa(); });
  fuzz::Run([&] { (void)w.GetKurs(); });
  fuzz::Run([&] { (void)w.GetCzyDomyslna(); });
  fuzz::Run([&] { (void)w.GetCzyMoznaWydawacReszte(); });
}

// "pattern\ncode": the code parsed by the pattern, and a card composed back from it.
void Card(const std::string& text) {
  const size_t newline = text.find('\n');
  const std::string pattern = text.substr(0, newline);
  const std::string code = newline == std::string::npos ? "" : text.substr(newline + 1);
  fuzz::Run([&] { TKartaRab::SprawdzPoprawnoscWzorca(pattern, nullptr); });
  TKartaRab card;
  fuzz::Run([&] { card.Rozparsuj(pattern, code, nullptr); });
  fuzz::Run([&] {
    TKartaRab composed;
    composed.Przedrostek = static_cast<int32_t>(code.size());
    composed.TermWaznKarty = 47000.25;
    composed.PoziomRabatu = static_cast<int32_t>(pattern.size() % 10);
    composed.KodKarty = code;
    (void)composed.Poskladaj(pattern, nullptr);
  });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string line = fuzz::Text(data + 1, size - 1);
  switch (data[0] % 6) {
    case 0:
      Goods(line);
      break;
    case 1:
      Contractor(line);
      break;
    case 2: {
      KSAsort rec;
      fuzz::Run([&] { rec.FromLine(line); });
      break;
    }
    case 3:
      Cashier(line);
      break;
    case 4:
      Currency(line);
      break;
    default:
      Card(line);
      break;
  }
  return 0;
}
