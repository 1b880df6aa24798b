// The import buffer: everything one import read from the register for one sale date (goods
// lines, totals, the hourly report, the cashier state, free parameters, currency-exchange
// lines, receipts and other operations), written as one import file of the host.
//
// Quantities are in thousandths of a unit and amounts in hundredths of the currency, as the
// importers give them; the file holds them as whole numbers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "exchange/MessageSink.h"
#include "exchange/TVKParagon.h"
#include "support/TLQuickSort.h"

class TMFile;

// What the code of a goods line is.
enum e_identifier : int32_t {
  id_global = 0,   // either: the buffer's ident_barcode decides when the file is written
  id_plu = 1,      // the register's PLU number
  id_barcode = 2,  // a barcode
};

// One goods line taken out of the buffer.
class KSImpTowRec {
 public:
  KSImpTowRec() { Clear(); }
  explicit KSImpTowRec(e_identifier ident) : identifier(ident) { Clear(); }
  // Empties the line (save set) but keeps its identifier.
  void Clear();

  std::string plu;
  double quantity = 0;
  double value = 0;
  bool save = true;
  e_identifier identifier = id_global;
};

// One currency-exchange line: so much of a currency taken at a rate.
class KSWymiana {
 public:
  KSWymiana() = default;
  KSWymiana(const std::string& currency, int32_t exchange, int32_t amount)
      : FCurrency(currency), FExchange(exchange), FAmount(amount) {}
  // currency + ";" + rate: one line per currency and rate.
  std::string Key() const;

  std::string FCurrency;
  int32_t FExchange = 0;  // the rate
  int32_t FAmount = 0;
};

// The currency-exchange lines, summed per currency and rate.
class KSWymiany {
 public:
  // Adds the amount to the line of its currency and rate (a new line starts from 0).
  void Add(const KSWymiana& w);
  KSWymiany& operator+(const KSWymiana& w) {
    Add(w);
    return *this;
  }
  int Count() const { return static_cast<int>(FKursy.size()); }
  // Line i as "currency;rate;amount".
  std::string GetTexts(int i) const;

  struct Kurs {
    std::string key;  // currency;rate
    // Summed in 64 bits: the sum of many 32-bit amounts must not wrap.
    int64_t amount = 0;
  };
  std::vector<Kurs> FKursy;
};

// The sort index of the goods lines: a sequence of row numbers addressed by position, held
// in blocks so that inserting a new code moves the entries of one block and not of the whole
// index (a million lines with as many codes would otherwise move terabytes).
class KSImpIndex {
 public:
  int size() const { return count_; }
  bool empty() const { return count_ == 0; }
  int32_t& operator[](int pos);
  int32_t operator[](int pos) const;
  // Inserts `row` before position `pos` (0..size()).
  void insert(int pos, int32_t row);
  void clear();
  // The row numbers 0..n-1 in that order.
  void assign_identity(int n);
  std::vector<int32_t> ToVector() const;

 private:
  static constexpr size_t kBlock = 1024;  // a block is split when it grows past twice this
  size_t BlockOf(int pos) const;

  std::vector<std::vector<int32_t>> blocks_;
  std::vector<int> starts_;  // position of each block's first entry
  int count_ = 0;
  mutable size_t hint_ = 0;  // block of the last access
};

class KSImpBuf : public TLQuickSort {
 public:
  // `action` is the operation the buffer works for; it may be null.
  explicit KSImpBuf(MessageSink* action = nullptr);
  KSImpBuf(const KSImpBuf&) = delete;
  KSImpBuf& operator=(const KSImpBuf&) = delete;
  ~KSImpBuf() override;

  // Empties the goods and tax tables, zeroes every total and the hourly report, empties the
  // PAR lines and the cashier section. Receipts, other operations, parameters, exchange
  // lines, the date, the flags and the sort state stay.
  void Clear();

  // ----- Goods lines -----
  // Appends a goods line (to be written). Once the index is sorted it stays sorted.
  void AddPlu(const std::string& code, double quantity, double value, e_identifier identifier);
  // Adds to the goods line of the code and identifier; appends one when there is none. So one
  // code may stand twice, once as PLU number and once as barcode.
  void AddToPlu(const std::string& code, double quantity, double value, e_identifier identifier);
  // Adds to the goods line of the code (of any identifier); a code not in the buffer is ignored.
  void ExclAddToPlu(const std::string& code, double quantity, double value);
  // The goods line of the code, -1 when there is none. Of several lines with the same code,
  // the first appended.
  int FindRec(const std::string& code);
  void GetPlu(int i, KSImpTowRec& rec) const;
  int CountPlu() const { return static_cast<int>(ds_plu.size()); }
  // Whether the buffer holds anything for the host: goods lines, receipts or other operations,
  // the cashier's section, deposits, withdrawals, packaging, the receipts' payment-form totals,
  // discounts or hours. A buffer without any is saved but never handed over; a total added to
  // the buffer is added here too, or its day may be archived without reaching the host.
  bool HasContent() const;

  // ----- Totals (each adds to its running total) -----
  void AddDiscount(double value, bool absolute);
  void AddPayIn(double value) { payin += value; }
  void AddPayOut(double value) { payout += value; }
  void AddBottlesTurned(double value);
  void AddBottlesSaled(double value);
  void AddBony(double value) { fp_bony += value; }
  void AddCzeki(double value) { fp_czeki += value; }
  void AddKarty(double value) { fp_karty += value; }
  void AddInne(double value) { fp_inne += value; }
  // Adds to the hourly report; an hour outside 0..23 is ignored.
  void AddGodzinowy(int hour, double value, int baskets, int lines);

  // ----- Cashier section -----
  void Kas_Clear();
  void Kas_ActiveKasjerSection() { kas_active = true; }
  bool Kas_IsActiveKasjerSection() const { return kas_active; }
  void Kas_SetNumer(int32_t value) { kas_numer = value; }
  void Kas_SetNrKasjera(int32_t value);
  void Kas_SetNazwisko(const std::string& value);
  void Kas_SetUprawn(int32_t value);
  void Kas_SetZmstart(double value);
  void Kas_SetBiez(double value);
  void Kas_SetStankasy(double value);
  void Kas_SetKarty(double value);
  void Kas_SetBony(double value);
  void Kas_SetCzeki(double value);
  void Kas_SetPrzelewy(double value);
  void Kas_SetDodfplat(double value);
  void Kas_SetInnefplat(double value);
  void Kas_SetParagonow(int32_t value);
  void Kas_SetIlParAnulowanych(int32_t value);
  void Kas_SetWartParAnulowanych(double value);
  void Kas_SetIlStorno(int32_t value);
  void Kas_SetWartStorno(double value);
  // Appends the four lines of currency `nr` (name, rate, cash, balance) to kas_wal.
  void Kas_AddWaluta(int nr, const std::string& nazwa, double kurs, double stan, double bilans);
  // Appends a line to the cashier section (lost when the section is rebuilt from the kas_
  // fields).
  void AddLinieStanuKasy(const std::string& line);
  // Rebuilds StanKasyStr from the kas_ fields.
  void MakeStanKasyStr();

  // ----- Receipts and other operations -----
  // Takes the receipt. With sprzedaz_z_paragonow its positions and payments also feed the
  // goods lines and totals.
  void AddReceipt(std::unique_ptr<TVKParagon> receipt);
  void AddReceiptOtherInfo(std::unique_ptr<TVKOther> other);
  int GetReceiptsCount() const { return static_cast<int>(FReceipts.size()); }
  int GetReceiptsOtherCount() const { return static_cast<int>(FReceiptsOther.size()); }
  // Adds a sold position to the goods lines, the hourly values and the packaging totals.
  KSImpBuf& operator+(const TVKPosition& pos);
  // Adds a payment to its payment-form total.
  KSImpBuf& operator+(const TVKPayment& pay);
  KSImpBuf& operator+(const TVKPosition* pos);
  KSImpBuf& operator+(const TVKPayment* pay);

  // ----- Other -----
  // Sets a free parameter; each name appears once.
  void AddParameter(const std::string& name, const std::string& value);
  // Appends one PAR line to `paragony`. An invalid identifier raises Exception and appends
  // nothing.
  void AddLiniaParEx(const std::string& _plu, double _ilosc, double _wartosc, double _kwota,
                     const std::string& _tekst, double _data, int32_t _nr1, int32_t _nr2,
                     e_identifier _ident);
  // Writes `paragony` to the file as it is.
  void SaveOneParag(const std::string& path);

  // The sales value in hundredths: the goods lines to be written when fisk_z_plu is set,
  // else the tax rows.
  double GetTotalValue() const;
  // Writes the import file at `path`, replacing its content. With `stripZeros` barcodes lose
  // their leading zeros.
  void Save(const std::string& path, bool stripZeros);
  // Writes every section into the open file. An invalid identifier raises Exception; what
  // was written before it stays.
  void WriteToFile(TMFile& file, bool stripZeros);

  struct PluRow {
    std::string plu;
    double quantity = 0;
    double value = 0;
    int32_t save = 1;
    int32_t identifier = id_global;
  };
  struct TaxRow {
    int32_t taxno = 0;
    double netto = 0;
    double vat = 0;
    double brutto = 0;
  };

  MessageSink* ksaction;
  // Goods lines in the order they were added.
  std::vector<PluRow> ds_plu;
  // Per-rate totals. Nothing in this driver adds rows.
  std::vector<TaxRow> ds_tax;
  // Row numbers of ds_plu in ascending order of code (equal codes in row order) while
  // Sorted is set.
  KSImpIndex ds_index;
  std::vector<std::unique_ptr<TVKParagon>> FReceipts;
  std::vector<std::unique_ptr<TVKOther>> FReceiptsOther;
  double discount = 0;
  double fp_bony = 0, fp_czeki = 0, fp_karty = 0, fp_inne = 0;
  int32_t il_koszykow = 0;
  int32_t il_linii_par = 0;
  double godzinowy[24] = {};
  int32_t godz_ilkoszykow[24] = {};
  int32_t godz_il_liniipar[24] = {};
  std::string paragony;
  KSWymiany FWymiany;
  // name, value
  std::vector<std::pair<std::string, std::string>> FParametry;
  std::string StanKasyStr;
  std::string SearchedPlu;
  double data = 0;  // the sale date
  bool fisk_z_plu = false;
  bool nadpisz_fisk = false;
  bool nadpisz_opak = true;
  bool podsumuj_opak = false;
  bool nadpisz_plu = false;
  bool doklej_plu = false;
  bool ident_barcode = false;
  bool sprzedaz_z_paragonow = false;
  bool par_szczeg = false;
  double payin = 0, payout = 0;
  double bottles_turned = 0, bottles_saled = 0;

  bool kas_active = false;
  int32_t kas_numer = 0;  // 0 = no cashier data
  int32_t kas_nr_kasjera = 0;
  bool kas_is_nr_kasjera = false;
  int32_t kas_uprawn = 0;
  bool kas_is_uprawn = false;
  int32_t kas_paragonow = 0;
  bool kas_is_paragonow = false;
  int32_t kas_il_par_anulowanych = 0;
  bool kas_is_il_par_anulowanych = false;
  int32_t kas_il_storno = 0;
  bool kas_is_il_storno = false;
  std::string kas_nazwisko;
  bool kas_is_nazwisko = false;
  double kas_zmstart = 0;
  bool kas_is_zmstart = false;
  double kas_biez = 0;
  bool kas_is_biez = false;
  double kas_stankasy = 0;
  bool kas_is_stankasy = false;
  double kas_karty = 0;
  bool kas_is_karty = false;
  double kas_bony = 0;
  bool kas_is_bony = false;
  double kas_czeki = 0;
  bool kas_is_czeki = false;
  double kas_przelewy = 0;
  bool kas_is_przelewy = false;
  double kas_dodfplat = 0;
  bool kas_is_dodfplat = false;
  double kas_innefplat = 0;
  bool kas_is_innefplat = false;
  double kas_wart_par_anulowanych = 0;
  bool kas_is_wart_par_anulowanych = false;
  double kas_wart_storno = 0;
  bool kas_is_wart_storno = false;
  // Further cashier-section text, appended as it is (each entry ends its own lines).
  std::vector<std::string> kas_wal;

 protected:
  int SortCompare(int i, int j) override;
  int ExChange(int i, int j) override;
  int FindCompare(int i) override;

 private:
  void CreateIndex();
  // Appends a goods line; with the index sorted its row number goes to index position
  // `place`, or after the lines of its code when `place` is negative.
  void AppendPlu(const std::string& code, double quantity, double value, e_identifier identifier,
                 int place);
  // Sorts the index unless it is sorted and answers the first index position whose code is
  // not before `code`; -1 for an empty table.
  int Locate(const std::string& code);
  // Whether index position `at` holds the code searched for.
  bool IsAt(int at);
  // First and one-past-last index position whose code is SearchedPlu.
  int LowerBound();
  int UpperBound();
  // The identifier as the file writes it: id_plu or id_barcode; false for an invalid one.
  bool ResolveIdent(int32_t identifier, e_identifier& resolved) const;
};
