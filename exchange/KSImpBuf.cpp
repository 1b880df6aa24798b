#include "exchange/KSImpBuf.h"

#include <algorithm>
#include <cmath>

#include "hostlib/Exceptions.h"
#include "hostlib/TMFile.h"
#include "hostlib/TdtTools.h"
#include "hostlib/TxTools.h"
#include "platform/Env.h"
#include "support/TLTools.h"

namespace {

constexpr size_t kListCapacity = 1000;
// About 0.1 s as a day count: how long the goods section is written before the writer
// starts yielding the processor, and its pause then.
constexpr double kYieldAfterDays = 1.16e-6;
constexpr int kYieldMs = 20;

constexpr const char* kBadIdentWrite = "KSExpBuf::WriteToFile() - nieprawidłowy ident";
constexpr const char* kBadIdentPar = "KSExpBuf::AddLiniaParEx() - nieprawidłowy _ident";

// A number written whole, without a decimal point ("%.0Lf").
std::string Whole(double value) {
  // Amounts and quantities are whole already: their digits as they are, without the general
  // formatter (a million-line import writes one for each line). Anything else, -0 included,
  // is rounded and written by the formatter.
  if (value == std::trunc(value) && std::fabs(value) < 9e15 && !(value == 0 && std::signbit(value)))
    return TxTools::IntToStr(static_cast<long long>(value));
  return TxTools::Format("%.0Lf", static_cast<long double>(value));
}

std::string Int(long long value) {
  return TxTools::IntToStr(value);
}

const char* Flag(bool value) {
  return value ? "T" : "N";
}

// The hour (0..23) of a day count, as the "h" form reads.
int HourOf(double dateTime) {
  return TxTools::StrToIntDef(TdtTools::FormatHour(dateTime), -1);
}

}  // namespace

// ----- Goods line and exchange lines ------------------------------------------------------

void KSImpTowRec::Clear() {
  plu.clear();
  quantity = 0;
  value = 0;
  save = true;
}

std::string KSWymiana::Key() const {
  return FCurrency + ";" + Int(FExchange);
}

void KSWymiany::Add(const KSWymiana& w) {
  const std::string key = w.Key();
  for (Kurs& k : FKursy) {
    if (k.key == key) {
      k.amount += w.FAmount;
      return;
    }
  }
  FKursy.push_back(Kurs{key, w.FAmount});
}

std::string KSWymiany::GetTexts(int i) const {
  if (i < 0 || i >= Count()) throw Exception("KSWymiany::GetTexts: pozycja poza listą");
  const Kurs& k = FKursy[static_cast<size_t>(i)];
  return k.key + ";" + Int(k.amount);
}

// ----- Index ------------------------------------------------------------------------------

size_t KSImpIndex::BlockOf(int pos) const {
  if (pos < 0 || pos >= count_) throw Exception("KSImpIndex: pozycja poza indeksem");
  // A binary search ends its probes inside one block: try the block of the last access first.
  if (hint_ < blocks_.size() && pos >= starts_[hint_] &&
      pos - starts_[hint_] < static_cast<int>(blocks_[hint_].size())) {
    return hint_;
  }
  const auto after = std::upper_bound(starts_.begin(), starts_.end(), pos);
  hint_ = static_cast<size_t>(after - starts_.begin()) - 1;
  return hint_;
}

int32_t& KSImpIndex::operator[](int pos) {
  const size_t b = BlockOf(pos);
  return blocks_[b][static_cast<size_t>(pos - starts_[b])];
}

int32_t KSImpIndex::operator[](int pos) const {
  const size_t b = BlockOf(pos);
  return blocks_[b][static_cast<size_t>(pos - starts_[b])];
}

void KSImpIndex::insert(int pos, int32_t row) {
  if (pos < 0 || pos > count_) throw Exception("KSImpIndex: pozycja poza indeksem");
  if (blocks_.empty()) {
    blocks_.emplace_back();
    starts_.push_back(0);
  }
  const size_t b = pos == count_ ? blocks_.size() - 1 : BlockOf(pos);
  std::vector<int32_t>& block = blocks_[b];
  block.insert(block.begin() + (pos - starts_[b]), row);
  ++count_;
  for (size_t k = b + 1; k < starts_.size(); ++k) ++starts_[k];
  if (block.size() > 2 * kBlock) {
    std::vector<int32_t> upper(block.begin() + kBlock, block.end());
    block.resize(kBlock);
    const int upperStart = starts_[b] + static_cast<int>(kBlock);
    blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(b) + 1, std::move(upper));
    starts_.insert(starts_.begin() + static_cast<std::ptrdiff_t>(b) + 1, upperStart);
  }
}

void KSImpIndex::clear() {
  blocks_.clear();
  starts_.clear();
  count_ = 0;
}

void KSImpIndex::assign_identity(int n) {
  clear();
  for (int start = 0; start < n; start += static_cast<int>(kBlock)) {
    const int end = std::min(n, start + static_cast<int>(kBlock));
    std::vector<int32_t> block;
    block.reserve(kBlock);
    for (int row = start; row < end; ++row) block.push_back(row);
    blocks_.push_back(std::move(block));
    starts_.push_back(start);
  }
  count_ = std::max(n, 0);
}

std::vector<int32_t> KSImpIndex::ToVector() const {
  std::vector<int32_t> all;
  all.reserve(static_cast<size_t>(count_));
  for (const auto& block : blocks_) all.insert(all.end(), block.begin(), block.end());
  return all;
}

// ----- Buffer -----------------------------------------------------------------------------

KSImpBuf::KSImpBuf(MessageSink* action) : ksaction(action) {
  FReceipts.reserve(kListCapacity);
  FReceiptsOther.reserve(kListCapacity);
  Clear();
}

KSImpBuf::~KSImpBuf() = default;

void KSImpBuf::Clear() {
  ds_plu.clear();
  ds_tax.clear();
  ds_index.clear();
  payin = payout = discount = 0;
  bottles_turned = bottles_saled = 0;
  fp_bony = fp_czeki = fp_karty = fp_inne = 0;
  il_koszykow = il_linii_par = 0;
  for (int h = 0; h < 24; ++h) {
    godzinowy[h] = 0;
    godz_ilkoszykow[h] = 0;
    godz_il_liniipar[h] = 0;
  }
  paragony.clear();
  Kas_Clear();
}

// ----- Goods lines ------------------------------------------------------------------------

void KSImpBuf::CreateIndex() {
  ds_index.assign_identity(CountPlu());
}

int KSImpBuf::SortCompare(int i, int j) {
  const int32_t a = ds_index[i];
  const int32_t b = ds_index[j];
  // Byte order, the same in every locale of the host's process, and equal codes in row order:
  // a lookup then always finds the first line of a code, and an insertion keeps the order.
  const int r = ds_plu[static_cast<size_t>(a)].plu.compare(ds_plu[static_cast<size_t>(b)].plu);
  if (r != 0) return r;
  return a < b ? -1 : (a > b ? 1 : 0);
}

int KSImpBuf::ExChange(int i, int j) {
  std::swap(ds_index[i], ds_index[j]);
  return 0;
}

int KSImpBuf::FindCompare(int i) {
  return SearchedPlu.compare(ds_plu[static_cast<size_t>(ds_index[i])].plu);
}

int KSImpBuf::LowerBound() {
  int lo = 0;
  int hi = ds_index.size();
  while (lo < hi) {
    const int m = lo + (hi - lo) / 2;
    if (FindCompare(m) > 0) {
      lo = m + 1;
    } else {
      hi = m;
    }
  }
  return lo;
}

int KSImpBuf::UpperBound() {
  int lo = 0;
  int hi = ds_index.size();
  while (lo < hi) {
    const int m = lo + (hi - lo) / 2;
    if (FindCompare(m) >= 0) {
      lo = m + 1;
    } else {
      hi = m;
    }
  }
  return lo;
}

void KSImpBuf::AddPlu(const std::string& code, double quantity, double value,
                      e_identifier identifier) {
  AppendPlu(code, quantity, value, identifier, -1);
}

void KSImpBuf::AppendPlu(const std::string& code, double quantity, double value,
                         e_identifier identifier, int place) {
  const int32_t row = static_cast<int32_t>(ds_plu.size());
  ds_plu.push_back(PluRow{code, quantity, value, 1, identifier});
  if (Sorted) {
    // After the lines of the same code: a code already present has a place too, and its
    // lines stay in row order.
    if (place < 0) {
      SearchedPlu = code;
      place = UpperBound();
    }
    ds_index.insert(place, row);
  }
}

int KSImpBuf::Locate(const std::string& code) {
  if (ds_plu.empty()) return -1;
  SearchedPlu = code;
  if (!Sorted) {
    CreateIndex();
    Sort(0, ds_index.size() - 1);
    Sorted = true;
  }
  return LowerBound();
}

bool KSImpBuf::IsAt(int at) {
  return at >= 0 && at < ds_index.size() && FindCompare(at) == 0;
}

int KSImpBuf::FindRec(const std::string& code) {
  const int at = Locate(code);
  return IsAt(at) ? ds_index[at] : -1;
}

void KSImpBuf::AddToPlu(const std::string& code, double quantity, double value,
                        e_identifier identifier) {
  const int at = Locate(code);
  if (!IsAt(at)) {
    // A new code belongs where the search stopped.
    AppendPlu(code, quantity, value, identifier, at);
    return;
  }
  PluRow* target = nullptr;
  // The first line with both the code and the identifier: the lines of one code stand
  // together in the index, in row order, so only they are looked at.
  for (int i = at; i < ds_index.size(); ++i) {
    PluRow& row = ds_plu[static_cast<size_t>(ds_index[i])];
    if (row.plu != code) break;
    if (row.identifier == identifier) {
      target = &row;
      break;
    }
  }
  if (target == nullptr) {
    AddPlu(code, quantity, value, identifier);
    return;
  }
  target->quantity += quantity;
  target->value += value;
}

void KSImpBuf::ExclAddToPlu(const std::string& code, double quantity, double value) {
  const int found = FindRec(code);
  if (found < 0) return;
  ds_plu[static_cast<size_t>(found)].quantity += quantity;
  ds_plu[static_cast<size_t>(found)].value += value;
}

void KSImpBuf::GetPlu(int i, KSImpTowRec& rec) const {
  if (i < 0 || i >= CountPlu()) throw Exception("KSImpBuf::GetPlu: pozycja poza tabelą");
  const PluRow& row = ds_plu[static_cast<size_t>(i)];
  rec.plu = row.plu;
  rec.quantity = row.quantity;
  rec.value = row.value;
  rec.save = row.save != 0;
  rec.identifier = static_cast<e_identifier>(row.identifier);
}

// ----- Totals -----------------------------------------------------------------------------

void KSImpBuf::AddDiscount(double value, bool absolute) {
  discount += absolute ? std::fabs(value) : value;
}

void KSImpBuf::AddBottlesTurned(double value) {
  bottles_turned += std::fabs(value);
}

void KSImpBuf::AddBottlesSaled(double value) {
  bottles_saled += std::fabs(value);
}

void KSImpBuf::AddGodzinowy(int hour, double value, int baskets, int lines) {
  if (hour < 0 || hour > 23) return;
  godzinowy[hour] += value;
  godz_ilkoszykow[hour] += baskets;
  godz_il_liniipar[hour] += lines;
}

// ----- Cashier section --------------------------------------------------------------------

void KSImpBuf::Kas_Clear() {
  kas_active = false;
  kas_numer = 0;
  kas_nr_kasjera = kas_uprawn = kas_paragonow = kas_il_par_anulowanych = kas_il_storno = 0;
  kas_nazwisko.clear();
  kas_zmstart = kas_biez = 0;
  kas_stankasy = kas_karty = kas_bony = kas_czeki = kas_przelewy = 0;
  kas_dodfplat = kas_innefplat = kas_wart_par_anulowanych = kas_wart_storno = 0;
  for (bool* flag :
       {&kas_is_nr_kasjera, &kas_is_uprawn, &kas_is_paragonow, &kas_is_il_par_anulowanych,
        &kas_is_il_storno, &kas_is_nazwisko, &kas_is_zmstart, &kas_is_biez, &kas_is_stankasy,
        &kas_is_karty, &kas_is_bony, &kas_is_czeki, &kas_is_przelewy, &kas_is_dodfplat,
        &kas_is_innefplat, &kas_is_wart_par_anulowanych, &kas_is_wart_storno}) {
    *flag = false;
  }
  kas_wal.clear();
}

namespace {

template <typename T>
void Set(T& field, bool& isSet, const T& value) {
  field = value;
  isSet = true;
}

}  // namespace

void KSImpBuf::Kas_SetNrKasjera(int32_t v) {
  Set(kas_nr_kasjera, kas_is_nr_kasjera, v);
}
void KSImpBuf::Kas_SetNazwisko(const std::string& v) {
  Set(kas_nazwisko, kas_is_nazwisko, v);
}
void KSImpBuf::Kas_SetUprawn(int32_t v) {
  Set(kas_uprawn, kas_is_uprawn, v);
}
void KSImpBuf::Kas_SetZmstart(double v) {
  Set(kas_zmstart, kas_is_zmstart, v);
}
void KSImpBuf::Kas_SetBiez(double v) {
  Set(kas_biez, kas_is_biez, v);
}
void KSImpBuf::Kas_SetStankasy(double v) {
  Set(kas_stankasy, kas_is_stankasy, v);
}
void KSImpBuf::Kas_SetKarty(double v) {
  Set(kas_karty, kas_is_karty, v);
}
void KSImpBuf::Kas_SetBony(double v) {
  Set(kas_bony, kas_is_bony, v);
}
void KSImpBuf::Kas_SetCzeki(double v) {
  Set(kas_czeki, kas_is_czeki, v);
}
void KSImpBuf::Kas_SetPrzelewy(double v) {
  Set(kas_przelewy, kas_is_przelewy, v);
}
void KSImpBuf::Kas_SetDodfplat(double v) {
  Set(kas_dodfplat, kas_is_dodfplat, v);
}
void KSImpBuf::Kas_SetInnefplat(double v) {
  Set(kas_innefplat, kas_is_innefplat, v);
}
void KSImpBuf::Kas_SetParagonow(int32_t v) {
  Set(kas_paragonow, kas_is_paragonow, v);
}
void KSImpBuf::Kas_SetIlParAnulowanych(int32_t v) {
  Set(kas_il_par_anulowanych, kas_is_il_par_anulowanych, v);
}
void KSImpBuf::Kas_SetWartParAnulowanych(double v) {
  Set(kas_wart_par_anulowanych, kas_is_wart_par_anulowanych, v);
}
void KSImpBuf::Kas_SetIlStorno(int32_t v) {
  Set(kas_il_storno, kas_is_il_storno, v);
}
void KSImpBuf::Kas_SetWartStorno(double v) {
  Set(kas_wart_storno, kas_is_wart_storno, v);
}

void KSImpBuf::Kas_AddWaluta(int nr, const std::string& nazwa, double kurs, double stan,
                             double bilans) {
  const std::string n = Int(nr);
  kas_wal.push_back("KAS_WAL" + n + "_NAZWA;" + ImportFileText(nazwa) + "\r\n" + "KAS_WAL" + n +
                    "_KURS;" + Whole(kurs) + "\r\n" + "KAS_WAL" + n + "_STAN;" + Whole(stan) +
                    "\r\n" + "KAS_WAL" + n + "_BILANS;" + Whole(bilans) + "\r\n");
}

void KSImpBuf::AddLinieStanuKasy(const std::string& line) {
  StanKasyStr += line + "\r\n";
}

void KSImpBuf::MakeStanKasyStr() {
  std::string s = "KAS_NUMER;" + Int(kas_numer) + "\r\n";
  if (kas_numer != 0) {
    auto line = [&s](bool isSet, const char* key, const std::string& value) {
      if (isSet) s += std::string(key) + ";" + value + "\r\n";
    };
    line(kas_is_nr_kasjera, "KAS_NR_KASJERA", Int(kas_nr_kasjera));
    line(kas_is_nazwisko, "KAS_NAZWISKO", ImportFileText(kas_nazwisko));
    line(kas_is_uprawn, "KAS_UPRAWN", Int(kas_uprawn));
    line(kas_is_zmstart, "KAS_ZMSTART", TdtTools::FormatCompressed(kas_zmstart));
    line(kas_is_biez, "KAS_BIEZ", TdtTools::FormatCompressed(kas_biez));
    line(kas_is_stankasy, "KAS_STANKASY", Whole(kas_stankasy));
    line(kas_is_karty, "KAS_KARTY", Whole(kas_karty));
    line(kas_is_bony, "KAS_BONY", Whole(kas_bony));
    line(kas_is_czeki, "KAS_CZEKI", Whole(kas_czeki));
    line(kas_is_przelewy, "KAS_PRZELEWY", Whole(kas_przelewy));
    line(kas_is_dodfplat, "KAS_DODFPLAT", Whole(kas_dodfplat));
    line(kas_is_innefplat, "KAS_INNEFPLAT", Whole(kas_innefplat));
    line(kas_is_paragonow, "KAS_PARAGONOW", Int(kas_paragonow));
    line(kas_is_il_par_anulowanych, "KAS_IL_PAR_ANULOWANYCH", Int(kas_il_par_anulowanych));
    line(kas_is_wart_par_anulowanych, "KAS_WART_PAR_ANULOWANYCH", Whole(kas_wart_par_anulowanych));
    line(kas_is_il_storno, "KAS_IL_STORNO", Int(kas_il_storno));
    line(kas_is_wart_storno, "KAS_WART_STORNO", Whole(kas_wart_storno));
    for (const std::string& w : kas_wal) s += w;
  }
  StanKasyStr = s;
}

// ----- Receipts and other operations ------------------------------------------------------

KSImpBuf& KSImpBuf::operator+(const TVKPosition& pos) {
  const std::string barcode = TxTools::Trim(pos.Fkod);
  const double value = static_cast<double>(pos.Fwartosc);
  if (!barcode.empty()) {
    AddToPlu(barcode, pos.Filosc, value, id_barcode);
  } else {
    AddToPlu(Int(pos.Fplu), pos.Filosc, value, id_plu);
  }
  AddGodzinowy(HourOf(pos.Fdata_czas), value, 0, 0);
  if (pos.FTyp == ptBottleSale) AddBottlesSaled(value);
  if (pos.FTyp == ptBottleReturn) AddBottlesTurned(value);
  return *this;
}

KSImpBuf& KSImpBuf::operator+(const TVKPayment& pay) {
  // Whole hundredths, truncated toward zero; 128 bits so that no product can overflow.
  const __int128 amount = static_cast<__int128>(pay.Fwartosc) * pay.Fkurs / 100;
  const double value = static_cast<double>(amount);
  switch (pay.Fkod) {
    case 1:
      AddBony(value);
      break;
    case 2:
      AddCzeki(value);
      break;
    case 3:
      AddKarty(value);
      break;
    case 4:
      AddInne(value);
      break;
    default:
      break;
  }
  return *this;
}

KSImpBuf& KSImpBuf::operator+(const TVKPosition* pos) {
  return pos != nullptr ? *this + *pos : *this;
}

KSImpBuf& KSImpBuf::operator+(const TVKPayment* pay) {
  return pay != nullptr ? *this + *pay : *this;
}

void KSImpBuf::AddReceipt(std::unique_ptr<TVKParagon> receipt) {
  if (receipt == nullptr) return;
  receipt->PostProcess();
  if (sprzedaz_z_paragonow) {
    for (const auto& pos : receipt->Fpos) *this + *pos;
    for (const auto& pay : receipt->Fpymnt) *this + *pay;
    AddGodzinowy(HourOf(receipt->Fdata_czas), 0, 1, receipt->GetnPosCount());
    AddDiscount(receipt->Frabat, true);
  }
  FReceipts.push_back(std::move(receipt));
}

void KSImpBuf::AddReceiptOtherInfo(std::unique_ptr<TVKOther> other) {
  if (other != nullptr) FReceiptsOther.push_back(std::move(other));
}

// ----- Parameters and PAR lines -----------------------------------------------------------

void KSImpBuf::AddParameter(const std::string& name, const std::string& value) {
  for (auto& entry : FParametry) {
    if (entry.first == name) {
      entry.second = value;
      return;
    }
  }
  FParametry.emplace_back(name, value);
}

bool KSImpBuf::ResolveIdent(int32_t identifier, e_identifier& resolved) const {
  if (identifier == id_global) identifier = ident_barcode ? id_barcode : id_plu;
  if (identifier != id_plu && identifier != id_barcode) return false;
  resolved = static_cast<e_identifier>(identifier);
  return true;
}

void KSImpBuf::AddLiniaParEx(const std::string& _plu, double _ilosc, double _wartosc, double _kwota,
                             const std::string& _tekst, double _data, int32_t _nr1, int32_t _nr2,
                             e_identifier _ident) {
  e_identifier ident = id_plu;
  if (!ResolveIdent(_ident, ident)) throw Exception(kBadIdentPar);
  const std::string pluColumn = ident == id_plu ? _plu : std::string();
  const std::string barcodeColumn = ident == id_barcode ? _plu : std::string();
  paragony += "PAR;" + pluColumn + ";" + barcodeColumn + ";" + Whole(_ilosc) + ";" +
              Whole(_wartosc) + ";" + Whole(_kwota) + ";" + ImportFileText(_tekst) + ";" +
              TdtTools::FormatCompressed(_data) + ";" + (_nr1 >= 0 ? Int(_nr1) : "") + ";" +
              (_nr2 >= 0 ? Int(_nr2) : "") + "\r\n";
}

void KSImpBuf::SaveOneParag(const std::string& path) {
  TLTools().BufToFile(paragony, path);
}

// ----- The import file --------------------------------------------------------------------

double KSImpBuf::GetTotalValue() const {
  double total = 0;
  if (fisk_z_plu) {
    for (const PluRow& row : ds_plu) {
      if (row.save != 0) total += row.value;
    }
  } else {
    for (const TaxRow& row : ds_tax) total += row.brutto;
  }
  return total;
}

void KSImpBuf::Save(const std::string& path, bool stripZeros) {
  TMFile file(path);
  file.SetReadOnly(false);
  file.Open();
  file.GotoStart();
  file.Truncate();
  WriteToFile(file, stripZeros);
  file.Close();
}

void KSImpBuf::WriteToFile(TMFile& file, bool stripZeros) {
  // Goods. A long section must not hold the processor: once writing has taken about 0.1 s,
  // the number of lines written by then becomes the interval after which it pauses.
  file.WriteLine("[TOWAROWE]");
  platform::Env* env = platform::CurrentEnv();
  const double start = env->Now();
  long long counted = 0;
  long long interval = 0;
  for (const PluRow& row : ds_plu) {
    if (row.save != 0 && row.quantity != 0) {
      e_identifier ident = id_plu;
      if (!ResolveIdent(row.identifier, ident)) throw Exception(kBadIdentWrite);
      std::string pluColumn;
      std::string barcodeColumn;
      if (ident == id_plu) {
        pluColumn = row.plu;
      } else {
        barcodeColumn = row.plu;
        if (stripZeros) {
          size_t zeros = 0;
          while (barcodeColumn.size() - zeros > 1 && barcodeColumn[zeros] == '0') ++zeros;
          barcodeColumn.erase(0, zeros);
        }
      }
      file.WriteLine("PLU;" + pluColumn + ";" + barcodeColumn + ";" + Whole(row.quantity) + ";" +
                     Whole(row.value));
    }
    ++counted;
    if (interval == 0) {
      if (env->Now() - start > kYieldAfterDays) interval = counted;
    } else if (counted % interval == 0) {
      env->SleepMs(kYieldMs);
    }
  }

  file.WriteLine("");
  file.WriteLine("[OPERACJE]");
  for (const auto& [name, value] : FParametry) {
    std::string entry = name + "=" + value;
    for (char& c : entry) {
      if (c == '=') c = ';';
    }
    file.WriteLine("KASPAR;" + entry);
  }

  file.WriteLine("");
  file.WriteLine("[RAPORT_GODZINOWY]");
  for (int h = 0; h < 24; ++h) {
    if (godzinowy[h] != 0) {
      file.WriteLine("GODZ;" + Int(h) + ";" + Whole(godzinowy[h]) + ";" + Int(godz_ilkoszykow[h]) +
                     ";" + Int(godz_il_liniipar[h]));
    }
  }

  file.WriteLine("");
  file.WriteLine("[RAPORT_WALUTOWY]");
  for (int i = 0; i < FWymiany.Count(); ++i) file.WriteLine("WALUTA;" + FWymiany.GetTexts(i));

  file.WriteLine("");
  file.WriteLine("[FINANSOWE]");
  if (!fisk_z_plu) {
    for (const TaxRow& row : ds_tax) {
      file.WriteLine("VAT;" + Int(row.taxno) + ";" + Whole(row.netto) + ";" + Whole(row.vat) + ";" +
                     Whole(row.brutto));
    }
  }
  file.WriteLine("WPLATY;" + Whole(payin));
  file.WriteLine("WYPLATY;" + Whole(payout));
  file.WriteLine("RABATY;" + Whole(discount));
  file.WriteLine("ZWROT_OPAKOWAN;" + Whole(bottles_turned));
  file.WriteLine("SPRZEDAZ_OPAKOWAN;" + Whole(bottles_saled));
  file.WriteLine("FPLATN_BON;" + Whole(fp_bony));
  file.WriteLine("FPLATN_CZEK;" + Whole(fp_czeki));
  file.WriteLine("FPLATN_KARTA;" + Whole(fp_karty));
  file.WriteLine("FPLATN_INNE;" + Whole(fp_inne));
  file.WriteLine("IL_KOSZYKOW;" + Int(il_koszykow));
  file.WriteLine("IL_LINII_PAR;" + Int(il_linii_par));

  if (kas_active) MakeStanKasyStr();
  if (!StanKasyStr.empty()) {
    std::string body = StanKasyStr;
    while (!body.empty() && (body.back() == '\r' || body.back() == '\n')) body.pop_back();
    file.WriteLine("");
    file.WriteLine("[STAN_KASY]");
    file.WriteLine(body);
  }

  file.WriteLine("");
  file.WriteLine("[FLAGI]");
  file.WriteLine("DATA_SPRZEDAZY;" + TdtTools::FormatCompressed(data));
  file.WriteLine(std::string("FISK_Z_PLU;") + Flag(fisk_z_plu));
  file.WriteLine(std::string("NADPISZ_FISK;") + Flag(nadpisz_fisk));
  file.WriteLine(std::string("NADPISZ_OPAK;") + Flag(nadpisz_opak));
  file.WriteLine(std::string("PODSUMUJ_OPAK;") + Flag(podsumuj_opak));
  file.WriteLine(std::string("NADPISZ_PLU;") + Flag(nadpisz_plu));
  file.WriteLine(std::string("DOKLEJ_PLU;") + Flag(doklej_plu));

  if (par_szczeg) {
    for (const auto& receipt : FReceipts) *receipt >> file;
    for (const auto& other : FReceiptsOther) *other >> file;
  }
}

bool KSImpBuf::HasContent() const {
  bool content = CountPlu() > 0 || GetReceiptsCount() > 0 || GetReceiptsOtherCount() > 0 ||
                 Kas_IsActiveKasjerSection() || payin > 0 || payout > 0 || bottles_turned > 0 ||
                 bottles_saled != 0;
  // Without goods lines a buffer may still carry the receipts' payment totals and hours: a pass
  // over a receipt buffer whose counters are gone, or one that hands over only what lies beyond
  // the host's share. Nothing else brings them.
  content =
      content || fp_bony != 0 || fp_czeki != 0 || fp_karty != 0 || fp_inne != 0 || discount != 0;
  for (double hour : godzinowy) content = content || hour != 0;
  return content;
}
