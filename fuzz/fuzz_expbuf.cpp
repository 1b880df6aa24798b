// The host's export file read whole into the export buffer, then the buffer's lookups, the
// loyalty cards made goods and the export result written, as an export does after reading.
#include <cstdint>
#include <string>

#include "exchange/KSExpBuf.h"
#include "fuzz/FuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Driver& driver = fuzz::Driver::Get();
  driver.Reset();
  driver.Write("kasa.exp", fuzz::Text(data, size));
  KSExpBuf buf(nullptr);
  fuzz::Run([&] { buf.ReadFromFile(driver.File("kasa.exp"), true, -1); });
  for (int i = -1; i <= 2; ++i) {
    fuzz::Run([&] { (void)buf.NazwaJedn(i); });
    fuzz::Run([&] { (void)buf.IdxJednId(i); });
    fuzz::Run([&] { (void)buf.IdxJednPrec(i); });
    fuzz::Run([&] { (void)buf.IdxJednNazwa(i); });
    fuzz::Run([&] { (void)buf.NumerStawki(i * 8); });
    fuzz::Run([&] { (void)buf.NumerStawkiPrec(i * 800); });
  }
  for (int i = 0; i < buf.KasjerCount(); ++i) {
    KSKasjer* k = buf.GetKasjer(i);
    fuzz::Run([&] { (void)k->GetNumer(); });
    fuzz::Run([&] { (void)k->GetPoziomUprawnien(); });
  }
  for (int i = 0; i < buf.WalutaCount(); ++i) fuzz::Run([&] { (void)buf.GetWaluta(i)->GetKurs(); });
  const int goods = buf.ds_plu.RecordCount();
  for (int i = 0; i < goods && i < 8; ++i) {
    KSTowRec rec;
    fuzz::Run([&] { buf.CzytajRec(i, &rec); });
    fuzz::Run([&] { (void)buf.FindRec(rec.kod, goods); });
  }
  std::string debug;
  fuzz::Run([&] { buf.UtworzTowaryZKontrahentow(1000, "29ssrkkkkkkkx", debug); });
  buf.ResetFlags(true);
  fuzz::Run([&] { buf.ZapiszWynikEksp(driver.File("kasa.wyn")); });
  return 0;
}
