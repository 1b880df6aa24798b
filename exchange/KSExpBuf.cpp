#include "exchange/KSExpBuf.h"

#include <algorithm>
#include <type_traits>

#include "exchange/TKartaRab.h"
#include "hostlib/Exceptions.h"
#include "hostlib/TMFile.h"
#include "hostlib/TMLgExtTools.h"
#include "hostlib/TdtTools.h"
#include "hostlib/TxTools.h"
#include "hostlib/TxfTools.h"
#include "platform/Env.h"
#include "support/TLJWords.h"
#include "support/TLTools.h"

namespace {

// A line of the export file as a message shows it: at most 200 bytes (then "..."), a control
// byte as "?".
std::string Shown(const std::string& line) {
  std::string shown = line.substr(0, 200);
  for (char& c : shown) {
    if (static_cast<unsigned char>(c) < 0x20) c = '?';
  }
  return line.size() > 200 ? shown + "..." : shown;
}

constexpr const char* kModule = "kstools_KSExpBuf";
// About one second, as a day count: the reader reports progress and yields this often.
constexpr double kReadYieldDays = 1.16e-05;
constexpr double kWriteReportDays = 1e-05;
constexpr int kReadYieldMs = 20;
constexpr int kDebugCardLines = 3000;

constexpr TMFieldType I = TMFieldType::Integer;
constexpr TMFieldType D = TMFieldType::Decimal;
constexpr TMFieldType S = TMFieldType::Text;
constexpr TMFieldType T = TMFieldType::DateTime;

// The goods table's columns, in their stored order: the column, its name in the table, the
// member of KSTowRec it holds and its type. The column numbers, the table's fields and the
// copying of a record into a row and back all come from this one list.
#define KS_GOODS_COLUMNS(X)                                      \
  X(c_plu, "plu", plu, I)                                        \
  X(c_koldod, "koldod", koldod, I)                               \
  X(c_kod, "kod", kod, S)                                        \
  X(c_cena, "cena", cena, D)                                     \
  X(c_cena_hurt, "cena_hurt", cena_hurt, D)                      \
  X(c_cena_noc, "cena_noc", cena_noc, D)                         \
  X(c_cena_dod, "cena_dod", cena_dod, D)                         \
  X(c_nazwa, "nazwa", nazwa, S)                                  \
  X(c_stawka, "stawka", stawka, I)                               \
  X(c_stawka_prec, "stawka_prec", stawkaPrec, I)                 \
  X(c_jedn, "jedn", jedn, I)                                     \
  X(c_czy_wazony, "czy_wazony", czy_wazony, I)                   \
  X(c_precyzja, "precyzja", precyzja, I)                         \
  X(c_wagowo_ilosciowy, "wagowo_ilosciowy", wagowo_ilosciowy, I) \
  X(c_opakowanie, "opakowanie", opakowanie, I)                   \
  X(c_cena_otwarta, "cena_otwarta", cena_otwarta, I)             \
  X(c_kod_opakowania, "kod_opakowania", kod_opakowania, S)       \
  X(c_plu_opakowania, "plu_opakowania", plu_opakowania, I)       \
  X(c_nr_asort, "nr_asort", nr_asort, I)                         \
  X(c_status, "status", status, I)                               \
  X(c_nr_buf, "nr_buf", nr_buf, I)                               \
  X(c_plu_rec, "plu_rec", plu_rec, S)                            \
  X(c_tr_ok, "tr_ok", tr_ok, I)                                  \
  X(c_flag, "flag", flag, I)                                     \
  X(c_add_rec, "add_rec", add_rec, I)                            \
  X(c_org_barcode, "org_barcode", org_barcode, S)                \
  X(c_org_status, "org_status", org_status, I)                   \
  X(c_opis1, "opis1", opis1, S)                                  \
  X(c_opis2, "opis2", opis2, S)                                  \
  X(c_PKWiU, "PKWiU", PKWiU, S)                                  \
  X(c_SWW, "SWW", SWW, S)                                        \
  X(c_TerminW, "TerminW", TerminW, I)                            \
  X(c_fd_nr_src_buf, "fd_nr_src_buf", nr_src_buf, I)             \
  X(c_fd_from_ecr, "fd_from_ecr", from_ecr, I)                   \
  X(c_fd_tow_z_kontr, "fd_tow_z_kontr", tow_z_kontr, I)          \
  X(c_opis3, "opis3", opis3, S)                                  \
  X(c_opis4, "opis4", opis4, S)                                  \
  X(c_poziom_cen, "poziom_cen", poziom_cen, I)                   \
  X(c_ile_w_kodzie, "ile_w_kodzie", ile_w_kodzie, I)             \
  X(c_fd_dod_rabat_tow, "fd_dod_rabat_tow", dod_rabat_tow, D)    \
  X(c_nazwa_pelna, "nazwa_pelna", nazwa_pelna, S)                \
  X(c_ile_jedn, "ile_jedn", ile_jedn, I)                         \
  X(c_notatki, "notatki", notatki, S)

// The contractors table's columns, described the same way from KSKontrRec.
#define KS_CONTRACTOR_COLUMNS(X)                        \
  X(k_KontrId, "KontrId", KontrId, I)                   \
  X(k_Nazwa, "Nazwa", Nazwa, S)                         \
  X(k_Skrot, "Skrot", Skrot, S)                         \
  X(k_Ulica, "Ulica", Ulica, S)                         \
  X(k_Kod, "Kod", Kod, S)                               \
  X(k_Miasto, "Miasto", Miasto, S)                      \
  X(k_Telefon, "Telefon", Telefon, S)                   \
  X(k_NIP, "NIP", NIP, S)                               \
  X(k_KodKarty, "KodKarty", KodKarty, S)                \
  X(k_TermWaznKarty, "TermWaznKarty", TermWaznKarty, T) \
  X(k_KartaAktywna, "KartaAktywna", KartaAktywna, I)    \
  X(k_PoziomRabatu, "PoziomRabatu", PoziomRabatu, I)    \
  X(k_RabatOdbiorcy, "RabatOdbiorcy", RabatOdbiorcy, D) \
  X(k_NrBuf, "NrBuf", nr_buf, I)                        \
  X(k_IloscPunktow, "IloscPunktow", IloscPunktow, I)

#define KS_COLUMN_NUMBER(column, name, member, type) column,
#define KS_COLUMN_FIELD(column, name, member, type) {name, type},

enum GoodsColumn { KS_GOODS_COLUMNS(KS_COLUMN_NUMBER) };
enum ContractorColumn { KS_CONTRACTOR_COLUMNS(KS_COLUMN_NUMBER) };
const TMField kGoodsFields[] = {KS_GOODS_COLUMNS(KS_COLUMN_FIELD)};
const TMField kContractorFields[] = {KS_CONTRACTOR_COLUMNS(KS_COLUMN_FIELD)};
static_assert(sizeof(kGoodsFields) / sizeof(kGoodsFields[0]) == 43);
static_assert(sizeof(kContractorFields) / sizeof(kContractorFields[0]) == 15);

// Whether a member of C++ type M can be held in a column of `type`.
template <class M>
constexpr bool Holds(TMFieldType type) {
  if constexpr (std::is_same_v<M, std::string>) return type == S;
  if constexpr (std::is_same_v<M, double>) return type == D || type == T;
  return type == I && (std::is_integral_v<M> || std::is_enum_v<M>);
}

stTow ToStatus(int64_t value) {
  return value >= stDod && value <= stNull ? static_cast<stTow>(value) : stNull;
}

// One member into its column, and back.
void Put(TMDataSet& d, int row, int column, TMFieldType, int32_t value) {
  d.SetInt(row, column, value);
}
void Put(TMDataSet& d, int row, int column, TMFieldType, bool value) {
  d.SetInt(row, column, value);
}
void Put(TMDataSet& d, int row, int column, TMFieldType, stTow value) {
  d.SetInt(row, column, value);
}
void Put(TMDataSet& d, int row, int column, TMFieldType type, double value) {
  if (type == T) {
    d.SetDateTime(row, column, value);
  } else {
    d.SetDecimal(row, column, value);
  }
}
void Put(TMDataSet& d, int row, int column, TMFieldType, const std::string& value) {
  d.SetText(row, column, value);
}
void Take(const TMDataSet& d, int row, int column, TMFieldType, int32_t& value) {
  value = static_cast<int32_t>(d.GetInt(row, column));
}
void Take(const TMDataSet& d, int row, int column, TMFieldType, bool& value) {
  value = d.GetInt(row, column) != 0;
}
void Take(const TMDataSet& d, int row, int column, TMFieldType, stTow& value) {
  value = ToStatus(d.GetInt(row, column));
}
void Take(const TMDataSet& d, int row, int column, TMFieldType type, double& value) {
  value = type == T ? d.GetDateTime(row, column) : d.GetDecimal(row, column);
}
void Take(const TMDataSet& d, int row, int column, TMFieldType, std::string& value) {
  value = d.GetText(row, column);
}

#define KS_COLUMN_PUT(column, name, member, type) Put(d, row, column, type, rec->member);
#define KS_COLUMN_TAKE(column, name, member, type) Take(d, row, column, type, rec->member);
#define KS_GOODS_CHECK(column, name, member, type) \
  static_assert(Holds<decltype(KSTowRec::member)>(type), #member " in " name);
#define KS_CONTRACTOR_CHECK(column, name, member, type) \
  static_assert(Holds<decltype(KSKontrRec::member)>(type), #member " in " name);
KS_GOODS_COLUMNS(KS_GOODS_CHECK)
KS_CONTRACTOR_COLUMNS(KS_CONTRACTOR_CHECK)

const char* StatusWord(int status) {
  switch (status) {
    case stDod:
      return "DOD";
    case stAkt:
      return "AKT";
    case stCen:
      return "CEN";
    case stUsu:
      return "USU";
    default:
      return "";
  }
}

// The folder part of a path, with its separator ("" for a bare file name).
std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string StripLeadingZeros(const std::string& code) {
  const size_t first = code.find_first_not_of('0');
  return first == std::string::npos ? std::string() : code.substr(first);
}

}  // namespace

KSExpBuf::KSExpBuf(MessageSink* action)
    : ksaction(action), LgLink(action != nullptr ? action->GetLgLink() : nullptr) {
  for (const TMField& f : kGoodsFields) ds_plu.AddField(f.name, f.type);
  ds_inplu.AddField("kod", S);
  ds_inplu.AddField("dodinfo", S);
  ds_index.AddField("index", I);
  ds_asort.AddField("as_asno", I);
  ds_asort.AddField("as_name", S);
  for (const TMField& f : kContractorFields) ds_kontr.AddField(f.name, f.type);
  for (TMDataSet* ds : {&ds_plu, &ds_inplu, &ds_index, &ds_asort, &ds_kontr}) ds->Open();
}

KSExpBuf::~KSExpBuf() {
  Clear();
}

std::string KSExpBuf::Tr(const char* key, const char* text) const {
  return TMLgExtTools::Get(LgLink, kModule, key, text);
}

void KSExpBuf::Clear() {
  for (TMDataSet* ds : {&ds_plu, &ds_inplu, &ds_index, &ds_asort, &ds_kontr}) ds->DeleteAll();
  stawki.clear();
  stawkiPrec.clear();
  jmiary.clear();
  kasjerzy.clear();
  waluty.clear();
  il_rec = il_dod = il_akt = il_cen = il_usu = il_opak = 0;
  FHasLastJedn = FHasLastStawka = FHasLastStawkaPrec = false;
}

// ----- Reading the export file ------------------------------------------------------------

void KSExpBuf::ReadFromFile(const std::string& path, bool sort, int archiveLimit) {
  if (ksaction != nullptr) {
    ksaction->MsgAdd(Tr("ufReadFromksactionMsgAdd", "Wczytywanie listy towarów"), LPV_None, 100);
  }
  TLTools tools;
  tools.ArchiveFile(path, FolderOf(path) + "ARCH2.EXP", LgLink, true, archiveLimit, true, "");

  // The file is read twice: once to count its lines (the analysis reports progress against
  // them and the goods table makes room for them at once), then line by line as it is
  // analysed. Holding every line in memory in between cost more than reading the file again
  // from the system's cache: a large file's lines are tens of megabytes of fresh memory.
  TMFile file(path);
  file.SetReadOnly(true);
  file.Open();
  std::string line;
  int count = 0;
  while (file.ReadLine(line)) ++count;
  if (ksaction != nullptr) {
    ksaction->MsgS(LPV_Ok);
    ksaction->MsgAdd(Tr("ufReadFromksactionMsgAdd_00001", "Analiza listy towarów"), LPV_Percent,
                     count);
  }
  // Most lines of an export file are goods: room for all of them at once, instead of the
  // goods table growing (and moving) step by step.
  ds_plu.Reserve(ds_plu.RecordCount() + count);
  platform::Env* env = platform::CurrentEnv();
  double lastReport = env->Now();
  TLJWords words(";");
  file.GotoStart();
  for (int i = 0; i < count && file.ReadLine(line); ++i) {
    const double now = env->Now();
    if (now - lastReport > kReadYieldDays) {
      if (ksaction != nullptr) ksaction->MsgP(i);
      // Give the host's window a moment: a large file takes many seconds.
      env->SleepMs(kReadYieldMs);
      lastReport = now;
    }
    try {
      HandleLine(line, words);
    } catch (const Exception&) {
      // Which line, and what it holds, before the error's own text: the back office's goods
      // are put right from it.
      if (ksaction != nullptr) {
        ksaction->MsgAdd(
            Tr("ufReadFromksactionMsgAdd_00002", "Błędny wiersz ") + std::to_string(i + 1) +
                Tr("ufReadFromksactionMsgAdd_00003", " pliku ") + path + ": " + Shown(line),
            LPV_Warning, 100);
      }
      throw;
    }
  }
  file.Close();
  if (ksaction != nullptr) ksaction->MsgP(count);
  if (sort && ds_plu.RecordCount() > 0 && !Sorted) {
    CreateIndex(ds_plu.RecordCount());
    Sort(0, ds_plu.RecordCount() - 1);
    Sorted = true;
  }
  if (ksaction != nullptr) ksaction->MsgS(LPV_Ok);
}

void KSExpBuf::HandleLine(const std::string& raw, TLJWords& words) {
  const std::string line = TxTools::Trim(raw);
  if (line.empty() || line[0] == '#' || line[0] == '[') return;
  words.Init(line);
  const std::string kind = words[0];
  if (kind == "PLU") {
    KSTowRec rec;
    rec.FromLine(words, LgLink);
    DodajRec(&rec);
  } else if (kind == "KON" || kind == "KONA") {
    zm_listy_kontr = kind == "KON";
    KSKontrRec rec;
    rec.FromLine(line, LgLink);
    DodajRec(&rec);
  } else if (kind == "VAT") {
    const std::string rate = words[1];
    stawki.push_back(rate);
    if (words.GetCount() >= 3) {
      stawkiPrec.push_back(words[2]);
    } else {
      // A rate given in whole percent; "8.5" is taken as 850 rather than dropped.
      double value = 0;
      if (!TxfTools::TryStrToDecimal(rate, value)) value = 0;
      const double hundredths = TxfTools::Round(value * 100, 0);
      if (hundredths < 0) {
        stawkiPrec.push_back("-1");
      } else if (hundredths < 2147483648.0) {
        stawkiPrec.push_back(TxTools::IntToStr(static_cast<long long>(hundredths)));
      } else {
        // No rate is that large (nor is it a number at all): kept as written, it matches
        // none instead of turning into whatever an out-of-range conversion makes of it.
        stawkiPrec.push_back(rate);
      }
    }
  } else if (kind == "JM") {
    // The unit's number goes to the register as is: one that is no number would rename
    // another unit.
    TxTools::StrToInt(words[1]);
    jmiary.push_back(words[1] + ";" + words[2] + ";" + words[3]);
  } else if (kind == "OPER" || kind == "WAL") {
    std::string entry = words[1];
    for (int w = 2; w <= 5; ++w) entry += ";" + words[w];
    if (kind == "OPER") {
      kasjerzy.emplace_back(entry, std::make_unique<KSKasjer>(entry, LgLink));
    } else {
      waluty.emplace_back(entry, std::make_unique<KSWaluta>(entry, LgLink));
    }
  } else if (kind == "ASS") {
    KSAsort rec;
    rec.FromLine(line);
    DodajAsort(&rec);
  } else if (kind.compare(0, 3, "EUR") == 0) {
    // A rate that is not wholly a number is refused, not read by its leading digits; an empty
    // one is no rate, which the euro's programming says.
    FKursEURO = TxTools::Trim(words[1]).empty() ? 0 : TxfTools::StrToDecimal(words[1]) / 10000.0;
  }
}

// ----- Rows -------------------------------------------------------------------------------

int* KSExpBuf::StatusCounter(int status) {
  switch (status) {
    case stDod:
      return &il_dod;
    case stAkt:
      return &il_akt;
    case stCen:
      return &il_cen;
    case stUsu:
      return &il_usu;
    default:
      return nullptr;
  }
}

void KSExpBuf::DodajRec(KSTowRec* rec) {
  const int row = ds_plu.Append();
  // A new row counts under no status until its record is written into it.
  ds_plu.SetInt(row, c_status, stNull);
  rec->nr_buf = row;
  ZapiszRec(row, rec);
  ++il_rec;
  if (rec->opakowanie) ++il_opak;
  if (rec->tow_z_kontr) ++il_tow_z_kontr;
}

void KSExpBuf::ZapiszRec(int row, KSTowRec* rec) {
  if (int* old = StatusCounter(static_cast<int>(ds_plu.GetInt(row, c_status)))) --*old;
  if (int* now = StatusCounter(rec->status)) ++*now;
  TMDataSet& d = ds_plu;
  KS_GOODS_COLUMNS(KS_COLUMN_PUT)
}

void KSExpBuf::CzytajRec(int row, KSTowRec* rec) {
  const TMDataSet& d = ds_plu;
  KS_GOODS_COLUMNS(KS_COLUMN_TAKE)
}

void KSExpBuf::DodajRec(KSKontrRec* rec) {
  const int row = ds_kontr.Append();
  rec->nr_buf = row;
  TMDataSet& d = ds_kontr;
  KS_CONTRACTOR_COLUMNS(KS_COLUMN_PUT)
  ++il_kontr;
}

void KSExpBuf::CzytajRec(int row, KSKontrRec* rec) {
  const TMDataSet& d = ds_kontr;
  KS_CONTRACTOR_COLUMNS(KS_COLUMN_TAKE)
}

void KSExpBuf::DodajAsort(KSAsort* rec) {
  const int row = ds_asort.Append();
  ds_asort.SetInt(row, 0, rec->nr);
  ds_asort.SetText(row, 1, rec->nazwa);
}

void KSExpBuf::CzytajAsort(int row, KSAsort* rec) {
  rec->nr = static_cast<int32_t>(ds_asort.GetInt(row, 0));
  rec->nazwa = ds_asort.GetText(row, 1);
}

void KSExpBuf::ResetFlags(bool value) {
  for (int row = 0; row < ds_plu.RecordCount(); ++row) ds_plu.SetInt(row, c_flag, value);
}

void KSExpBuf::SetTrOk(int row, bool value) {
  ds_plu.SetInt(row, c_tr_ok, value);
}

std::string KSExpBuf::CzytajPluRec(int row) const {
  return ds_plu.GetText(row, c_plu_rec);
}

void KSExpBuf::AddInPlu(const std::string& code, const std::string& info) {
  const int row = ds_inplu.Append();
  ds_inplu.SetText(row, 0, code);
  ds_inplu.SetText(row, 1, info);
}

void KSExpBuf::PrzeliczTowary() {
  il_rec = ds_plu.RecordCount();
  il_dod = il_akt = il_cen = il_usu = il_opak = 0;
  for (int row = 0; row < il_rec; ++row) {
    if (int* counter = StatusCounter(static_cast<int>(ds_plu.GetInt(row, c_status)))) ++*counter;
    if (ds_plu.GetInt(row, c_opakowanie) != 0) ++il_opak;
  }
}

// ----- Index and search -------------------------------------------------------------------

void KSExpBuf::CreateIndex(int count) {
  ds_index.DeleteAll();
  for (int i = 0; i < count; ++i) ds_index.SetInt(ds_index.Append(), 0, i);
}

// Barcodes are compared byte by byte: the order only has to be the same for the sort and
// the search, and an ordinal order does not depend on the computer's settings.
int KSExpBuf::SortCompare(int i, int j) {
  const std::string& a = ds_plu.GetText(static_cast<int>(ds_index.GetInt(i, 0)), c_kod);
  const std::string& b = ds_plu.GetText(static_cast<int>(ds_index.GetInt(j, 0)), c_kod);
  return a.compare(b);
}

int KSExpBuf::ExChange(int i, int j) {
  const int64_t a = ds_index.GetInt(i, 0);
  ds_index.SetInt(i, 0, ds_index.GetInt(j, 0));
  ds_index.SetInt(j, 0, a);
  return 0;
}

int KSExpBuf::FindCompare(int i) {
  return SearchedPlu.compare(ds_plu.GetText(static_cast<int>(ds_index.GetInt(i, 0)), c_kod));
}

int KSExpBuf::FindRec(const std::string& barcode, int count) {
  if (count <= 0) return -1;
  count = std::min(count, ds_plu.RecordCount());
  SearchedPlu = barcode;
  if (!Sorted) CreateIndex(count);
  const int found = Find(0, ds_index.RecordCount() - 1);
  return found < 0 ? -1 : static_cast<int>(ds_index.GetInt(found, 0));
}

// ----- The export result ------------------------------------------------------------------

void KSExpBuf::ZapiszWynikEksp(const std::string& path) {
  const int count = ds_plu.RecordCount();
  if (ksaction != nullptr) {
    ksaction->MsgAdd(Tr("ufZapiszWyksactionMsgAdd", "Zapis wyniku eksportu:"), LPV_Percent, count);
  }
  TMFile file(path);
  file.Open();
  file.GotoStart();
  file.Truncate();
  platform::Env* env = platform::CurrentEnv();
  double lastReport = env->Now();
  std::string text;
  for (int row = 0; row < count; ++row) {
    const double now = env->Now();
    if (now - lastReport > kWriteReportDays) {
      if (ksaction != nullptr) ksaction->MsgP(row + 1);
      lastReport = now;
    }
    const TMDataSet& d = ds_plu;
    if (d.GetInt(row, c_tr_ok) == 0 || d.GetInt(row, c_add_rec) != 0 || d.GetInt(row, c_plu) == 0)
      continue;
    const int status = static_cast<int>(d.GetInt(row, c_org_status));
    if (ToStatus(status) == stNull) continue;
    text += "PLU;" + TxTools::IntToStr(d.GetInt(row, c_plu)) + ";" +
            TxTools::IntToStr(d.GetInt(row, c_koldod)) + ";" + d.GetText(row, c_org_barcode) + ";" +
            StatusWord(status) + "\r\n";
    ++effect_exp;
    if (text.size() >= 65536) {
      file.Write(text);
      text.clear();
    }
  }
  file.Write(text);
  file.Close();
  if (ksaction != nullptr) {
    ksaction->MsgP(count);
    ksaction->MsgS(LPV_Ok);
  }
}

// ----- Lists ------------------------------------------------------------------------------

KSKasjer* KSExpBuf::GetKasjer(int i) {
  if (i < 0 || i >= KasjerCount()) {
    throw Exception(Tr("KSExpBufGetKasjeExceptio", "Nieprawidłowy numer kasjera"));
  }
  return kasjerzy[static_cast<size_t>(i)].second.get();
}

KSWaluta* KSExpBuf::GetWaluta(int i) {
  if (i < 0 || i >= WalutaCount()) {
    throw Exception(Tr("KSExpBufGetWalutExceptio", "Nieprawidłowy numer waluty"));
  }
  return waluty[static_cast<size_t>(i)].second.get();
}

std::string KSExpBuf::NazwaJedn(int id) {
  if (FHasLastJedn && FLastJednId == id) return FLastJednNazwa;
  std::string name = "szt.";
  for (const std::string& entry : jmiary) {
    if (TxTools::StrToIntDef(TxTools::SelectWord(entry, 0, ';'), 0) == id) {
      name = TxTools::SelectWord(entry, 2, ';');
      break;
    }
  }
  FLastJednId = id;
  FLastJednNazwa = name;
  FHasLastJedn = true;
  return name;
}

// Word `word` of the i-th unit entry; an index past the list raises the message of `key`.
std::string KSExpBuf::JednWord(int i, int word, const char* key) {
  if (i < 0 || i >= static_cast<int>(jmiary.size())) {
    throw Exception(Tr(key, "Indeks jednostki miary poza zakresem"));
  }
  return TxTools::SelectWord(jmiary[static_cast<size_t>(i)], word, ';');
}

int KSExpBuf::IdxJednId(int i) {
  return TxTools::StrToIntDef(JednWord(i, 0, "KSExpBufIdxJednIExceptio"), 0);
}

int KSExpBuf::IdxJednPrec(int i) {
  return TxTools::StrToIntDef(JednWord(i, 1, "KSExpBufIdxJednPExceptio"), 0);
}

std::string KSExpBuf::IdxJednNazwa(int i) {
  return JednWord(i, 2, "KSExpBufIdxJednNExceptio");
}

namespace {
int PositionOf(const std::vector<std::string>& list, int rate) {
  int position = 0;
  for (size_t i = 0; i < list.size(); ++i) {
    int value = 0;
    if (TxTools::TryStrToInt(list[i], value) && value == rate) position = static_cast<int>(i) + 1;
  }
  return position;
}
}  // namespace

int KSExpBuf::NumerStawki(int rate) {
  if (!FHasLastStawka || FLastStawka != rate) {
    FLastStawka = rate;
    FLastStawkaNr = PositionOf(stawki, rate);
    FHasLastStawka = true;
  }
  return FLastStawkaNr;
}

int KSExpBuf::NumerStawkiPrec(int rate) {
  if (!FHasLastStawkaPrec || FLastStawkaPrec != rate) {
    FLastStawkaPrec = rate;
    FLastStawkaPrecNr = PositionOf(stawkiPrec, rate);
    FHasLastStawkaPrec = true;
  }
  return FLastStawkaPrecNr;
}

// ----- Comparing with the register's goods ------------------------------------------------

void KSExpBuf::DodInfo2TowRec(const std::string&, KSTowRec*) {}

void KSExpBuf::ModifyPLUStatus(KSTowRec& host, KSTowRec&) {
  if (host.status == stCen || host.status == stDod) host.status = stAkt;
}

bool KSExpBuf::CheckIfDeletePLU(KSTowRec&, KSTowRec&) {
  return false;
}

void KSExpBuf::AnalizujCancelBufor(bool numericCodes) {
  CompareWithRegister(numericCodes, false, false);
}

void KSExpBuf::ComparePLUSets(bool numericCodes) {
  CompareWithRegister(numericCodes, true, true);
}

void KSExpBuf::CompareWithRegister(bool numericCodes, bool allowDelete, bool reportProgress) {
  ResetFlags(false);
  const int before = ds_plu.RecordCount();
  const int codes = ds_inplu.RecordCount();
  platform::Env* env = platform::CurrentEnv();
  double lastReport = env->Now();
  auto addFromRegister = [&](const std::string& code, const std::string& info) {
    KSTowRec rec;
    rec.kod = code;
    DodInfo2TowRec(info, &rec);
    rec.status = stUsu;
    rec.from_ecr = true;
    rec.flag = true;
    DodajRec(&rec);
  };
  for (int i = 0; i < codes; ++i) {
    if (reportProgress && ksaction != nullptr && env->Now() - lastReport > kReadYieldDays) {
      ksaction->MsgP(i);
      lastReport = env->Now();
    }
    const std::string read = ds_inplu.GetText(i, 0);
    const std::string info = ds_inplu.GetText(i, 1);
    const std::string stripped = StripLeadingZeros(read);
    if (stripped.empty()) continue;  // no code, or only zeros
    const std::string kept = numericCodes ? stripped : read;
    const int row = FindRec(stripped, before);
    if (row < 0) {
      addFromRegister(kept, info);
      continue;
    }
    KSTowRec host;
    CzytajRec(row, &host);
    KSTowRec ecr;
    ecr.kod = kept;
    DodInfo2TowRec(info, &ecr);
    DodInfo2TowRec(info, &host);
    ModifyPLUStatus(host, ecr);
    host.flag = true;
    ZapiszRec(row, &host);
    if (allowDelete && CheckIfDeletePLU(host, ecr)) addFromRegister(kept, info);
  }
  for (int row = 0; row < before; ++row) {
    KSTowRec rec;
    CzytajRec(row, &rec);
    if (rec.flag) continue;
    if (rec.status == stCen || rec.status == stAkt) {
      rec.status = stDod;
    } else if (rec.status == stUsu) {
      rec.status = stNull;
    } else {
      continue;
    }
    ZapiszRec(row, &rec);
  }
  PrzeliczTowary();
}

void KSExpBuf::UtworzTowaryZKontrahentow(int pluOffset, const std::string& cardPattern,
                                         std::string& debug) {
  if (ksaction != nullptr) {
    ksaction->MsgAdd(Tr("ufUtworzToksactionMsgAdd", "Przygotowanie kart stałego klienta..."),
                     LPV_None, 100);
  }
  int rate = 0;
  if (stawki.empty() || !TxTools::TryStrToInt(stawki.front(), rate)) {
    throw Exception(
        Tr("KSExpBufUtworzToExceptio", "Konwersja kontrahentów na towary - błąd stawki VAT"));
  }
  debug +=
      "----------- [DEBUG KONWERSJI DANYCH KONTRAHENTA NA KOD KARTY RABATOWEJ] ------------\r\n";
  const int contractors = ds_kontr.RecordCount();
  for (int i = 0; i < contractors; ++i) {
    KSKontrRec k;
    CzytajRec(i, &k);
    TKartaRab card;
    card.TermWaznKarty = k.TermWaznKarty;
    card.PoziomRabatu = k.PoziomRabatu;
    card.KodKarty = k.KodKarty;
    const std::string code = card.Poskladaj(cardPattern, LgLink);
    if (i < kDebugCardLines) {
      debug += TxTools::Format(
          "%2d(przedrostek) + %10s(termin ważn.) + %1d(poziom rab.) + %13s(kod karty) ---> %13s "
          "(format)\r\n%92s%13s (kod po konwersji)\r\n",
          card.Przedrostek, TdtTools::FormatDate(card.TermWaznKarty).c_str(), card.PoziomRabatu,
          card.KodKarty.c_str(), cardPattern.c_str(), "", code.c_str());
    } else if (i == kDebugCardLines) {
      debug += "itd...\r\n";
    }
    KSTowRec rec;
    rec.nazwa = k.Nazwa;
    rec.kod = code;
    rec.org_barcode = code;
    rec.plu = k.KontrId + pluOffset;
    rec.cena = rec.cena_hurt = rec.cena_noc = rec.cena_dod = k.IloscPunktow * 100.0;
    rec.status = rec.org_status = stDod;
    rec.tow_z_kontr = true;
    rec.jedn = IdxJednId(0);
    rec.stawka = rate;
    rec.stawkaPrec = RatePrec(rate);
    DodajRec(&rec);
  }
}
