// The export buffer: the host's export file (goods, contractors, assortments, VAT rates,
// units, cashiers, currencies, the euro rate) read into in-memory tables, the per-goods state
// kept while the goods are sent, and the export result file that tells the host which goods
// the register took.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "exchange/KSExpRecords.h"
#include "exchange/MessageSink.h"
#include "hostlib/TMDataSet.h"
#include "support/TLQuickSort.h"

class TMLgExtTools;

class KSExpBuf : public TLQuickSort {
 public:
  // `action` receives the progress messages; it may be null.
  explicit KSExpBuf(MessageSink* action);
  KSExpBuf(const KSExpBuf&) = delete;
  KSExpBuf& operator=(const KSExpBuf&) = delete;
  ~KSExpBuf() override;

  // Empties the tables and lists and zeroes the goods counters.
  void Clear();
  // Reads the host's export file (archived first into "ARCH2.EXP" beside it, under the
  // export header with the mode `archiveLimit`). A record that cannot be read ends the read
  // with its error; the rows read before it stay. With `sort` the goods are indexed by code.
  void ReadFromFile(const std::string& path, bool sort, int archiveLimit);

  void DodajRec(KSTowRec* rec);
  void DodajRec(KSKontrRec* rec);
  void DodajAsort(KSAsort* rec);
  void CzytajRec(int row, KSTowRec* rec);
  void CzytajRec(int row, KSKontrRec* rec);
  void ZapiszRec(int row, KSTowRec* rec);
  void CzytajAsort(int row, KSAsort* rec);
  int CountAsort() const { return ds_asort.RecordCount(); }
  void ResetFlags(bool value);
  void SetTrOk(int row, bool value);
  // The register-side record of a goods row. (A copy into a caller's buffer of unknown size
  // could overrun it; the text is returned instead.)
  std::string CzytajPluRec(int row) const;
  void AddInPlu(const std::string& code, const std::string& info);
  // The goods row with `barcode` among the first `count` rows; -1 when none or count is 0.
  int FindRec(const std::string& barcode, int count);
  void PrzeliczTowary();
  // Writes the export result file: one line per goods the register took.
  void ZapiszWynikEksp(const std::string& path);

  KSKasjer* GetKasjer(int i);
  KSWaluta* GetWaluta(int i);
  int KasjerCount() const { return static_cast<int>(kasjerzy.size()); }
  int WalutaCount() const { return static_cast<int>(waluty.size()); }
  // The name of unit `id`; "szt." when the file names no such unit.
  std::string NazwaJedn(int id);
  int IdxJednId(int i);
  int IdxJednPrec(int i);
  std::string IdxJednNazwa(int i);
  // 1-based position of the rate among the "VAT" lines (the last equal one wins); 0 when no
  // line carries it.
  int NumerStawki(int rate);
  int NumerStawkiPrec(int rate);

  // Reading the register's goods back (drivers that can): compares the codes in ds_inplu
  // with the goods and turns the goods table into what must change on the register.
  void AnalizujCancelBufor(bool numericCodes);
  void ComparePLUSets(bool numericCodes);
  // Turns every contractor into a goods (a loyalty card the register can scan).
  void UtworzTowaryZKontrahentow(int pluOffset, const std::string& cardPattern, std::string& debug);

  // Hooks for drivers that read the register's goods back.
  virtual void DodInfo2TowRec(const std::string& info, KSTowRec* rec);
  virtual void ModifyPLUStatus(KSTowRec& host, KSTowRec& ecr);
  virtual bool CheckIfDeletePLU(KSTowRec& host, KSTowRec& ecr);

  MessageSink* ksaction;
  TMLgExtTools* LgLink;
  std::string SearchedPlu;
  TMDataSet ds_plu;
  TMDataSet ds_inplu;
  TMDataSet ds_index;
  TMDataSet ds_asort;
  TMDataSet ds_kontr;
  // Cashiers and currencies: the entry text and its object.
  std::vector<std::pair<std::string, std::unique_ptr<KSKasjer>>> kasjerzy;
  std::vector<std::pair<std::string, std::unique_ptr<KSWaluta>>> waluty;
  int effect_exp = 0;
  int il_rec = 0;
  int il_dod = 0;
  int il_akt = 0;
  int il_cen = 0;
  int il_usu = 0;
  int il_opak = 0;
  bool zm_listy_kontr = false;
  int il_kontr = 0;
  int il_tow_z_kontr = 0;
  std::vector<std::string> stawki;
  std::vector<std::string> stawkiPrec;
  std::vector<std::string> jmiary;
  double FKursEURO = 0;

 protected:
  int SortCompare(int i, int j) override;
  int ExChange(int i, int j) override;
  int FindCompare(int i) override;

 private:
  void CreateIndex(int count);
  void HandleLine(const std::string& line, TLJWords& words);
  void CompareWithRegister(bool numericCodes, bool allowDelete, bool reportProgress);
  int* StatusCounter(int status);
  std::string JednWord(int i, int word, const char* key);
  std::string Tr(const char* key, const char* text) const;

  // Answers of the last lookups. They belong to this buffer: the next export file may name
  // other units and rates.
  int FLastJednId = -1;
  std::string FLastJednNazwa;
  bool FHasLastJedn = false;
  int FLastStawka = 0;
  int FLastStawkaNr = 0;
  bool FHasLastStawka = false;
  int FLastStawkaPrec = 0;
  int FLastStawkaPrecNr = 0;
  bool FHasLastStawkaPrec = false;
};
