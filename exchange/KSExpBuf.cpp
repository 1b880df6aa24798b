#include "exchange/KSExpBuf.h"

#include <algorithm>

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

constexpr const char* kModule = "kstools_KSExpBuf";
// About one second, as a day count: the reader reports progress and yields this often.
constexpr double kReadYieldDays = 1.16e-05;
constexpr double kWriteReportDays = 1e-05;
constexpr int kReadYieldMs = 20;
constexpr int kDebugCardLines = 3000;

// The goods table's columns, in their stored order.
enum GoodsColumn {
  c_plu,
  c_koldod,
  c_kod,
  c_cena,
  c_cena_hurt,
  c_cena_noc,
  c_cena_dod,
  c_nazwa,
  c_stawka,
  c_stawka_prec,
  c_jedn,
  c_czy_wazony,
  c_precyzja,
  c_wagowo_ilosciowy,
  c_opakowanie,
  c_cena_otwarta,
  c_kod_opakowania,
  c_plu_opakowania,
  c_nr_asort,
  c_status,
  c_nr_buf,
  c_plu_rec,
  c_tr_ok,
  c_flag,
  c_add_rec,
  c_org_barcode,
  c_org_status,
  c_opis1,
  c_opis2,
  c_PKWiU,
  c_SWW,
  c_TerminW,
  c_fd_nr_src_buf,
  c_fd_from_ecr,
  c_fd_tow_z_kontr,
  c_opis3,
  c_opis4,
  c_poziom_cen,
  c_ile_w_kodzie,
  c_fd_dod_rabat_tow,
  c_nazwa_pelna,
  c_ile_jedn,
  c_notatki,
};

constexpr TMFieldType I = TMFieldType::Integer;
constexpr TMFieldType D = TMFieldType::Decimal;
constexpr TMFieldType S = TMFieldType::Text;
constexpr TMFieldType T = TMFieldType::DateTime;

const TMField kGoodsFields[] = {
    {"plu", I},
    {"koldod", I},
    {"kod", S},
    {"cena", D},
    {"cena_hurt", D},
    {"cena_noc", D},
    {"cena_dod", D},
    {"nazwa", S},
    {"stawka", I},
    {"stawka_prec", I},
    {"jedn", I},
    {"czy_wazony", I},
    {"precyzja", I},
    {"wagowo_ilosciowy", I},
    {"opakowanie", I},
    {"cena_otwarta", I},
    {"kod_opakowania", S},
    {"plu_opakowania", I},
    {"nr_asort", I},
    {"status", I},
    {"nr_buf", I},
    {"plu_rec", S},
    {"tr_ok", I},
    {"flag", I},
    {"add_rec", I},
    {"org_barcode", S},
    {"org_status", I},
    {"opis1", S},
    {"opis2", S},
    {"PKWiU", S},
    {"SWW", S},
    {"TerminW", I},
    {"fd_nr_src_buf", I},
    {"fd_from_ecr", I},
    {"fd_tow_z_kontr", I},
    {"opis3", S},
    {"opis4", S},
    {"poziom_cen", I},
    {"ile_w_kodzie", I},
    {"fd_dod_rabat_tow", D},
    {"nazwa_pelna", S},
    {"ile_jedn", I},
    {"notatki", S},
};
static_assert(sizeof(kGoodsFields) / sizeof(kGoodsFields[0]) == 43);

enum ContractorColumn {
  k_KontrId,
  k_Nazwa,
  k_Skrot,
  k_Ulica,
  k_Kod,
  k_Miasto,
  k_Telefon,
  k_NIP,
  k_KodKarty,
  k_TermWaznKarty,
  k_KartaAktywna,
  k_PoziomRabatu,
  k_RabatOdbiorcy,
  k_NrBuf,
  k_IloscPunktow,
};

const TMField kContractorFields[] = {
    {"KontrId", I},       {"Nazwa", S},         {"Skrot", S},        {"Ulica", S},
    {"Kod", S},           {"Miasto", S},        {"Telefon", S},      {"NIP", S},
    {"KodKarty", S},      {"TermWaznKarty", T}, {"KartaAktywna", I}, {"PoziomRabatu", I},
    {"RabatOdbiorcy", D}, {"NrBuf", I},         {"IloscPunktow", I},
};
static_assert(sizeof(kContractorFields) / sizeof(kContractorFields[0]) == 15);

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

stTow ToStatus(int64_t value) {
  return value >= stDod && value <= stNull ? static_cast<stTow>(value) : stNull;
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
    HandleLine(line, words);
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
    FKursEURO = TxfTools::ParseLeading(words[1]) / 10000.0;
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
  d.SetInt(row, c_plu, rec->plu);
  d.SetInt(row, c_koldod, rec->koldod);
  d.SetText(row, c_kod, rec->kod);
  d.SetDecimal(row, c_cena, rec->cena);
  d.SetDecimal(row, c_cena_hurt, rec->cena_hurt);
  d.SetDecimal(row, c_cena_noc, rec->cena_noc);
  d.SetDecimal(row, c_cena_dod, rec->cena_dod);
  d.SetText(row, c_nazwa, rec->nazwa);
  d.SetInt(row, c_stawka, rec->stawka);
  d.SetInt(row, c_stawka_prec, rec->stawkaPrec);
  d.SetInt(row, c_jedn, rec->jedn);
  d.SetInt(row, c_czy_wazony, rec->czy_wazony);
  d.SetInt(row, c_precyzja, rec->precyzja);
  d.SetInt(row, c_wagowo_ilosciowy, rec->wagowo_ilosciowy);
  d.SetInt(row, c_opakowanie, rec->opakowanie);
  d.SetInt(row, c_cena_otwarta, rec->cena_otwarta);
  d.SetText(row, c_kod_opakowania, rec->kod_opakowania);
  d.SetInt(row, c_plu_opakowania, rec->plu_opakowania);
  d.SetInt(row, c_nr_asort, rec->nr_asort);
  d.SetInt(row, c_status, rec->status);
  d.SetInt(row, c_nr_buf, rec->nr_buf);
  d.SetText(row, c_plu_rec, rec->plu_rec);
  d.SetInt(row, c_tr_ok, rec->tr_ok);
  d.SetInt(row, c_flag, rec->flag);
  d.SetInt(row, c_add_rec, rec->add_rec);
  d.SetText(row, c_org_barcode, rec->org_barcode);
  d.SetInt(row, c_org_status, rec->org_status);
  d.SetText(row, c_opis1, rec->opis1);
  d.SetText(row, c_opis2, rec->opis2);
  d.SetText(row, c_PKWiU, rec->PKWiU);
  d.SetText(row, c_SWW, rec->SWW);
  d.SetInt(row, c_TerminW, rec->TerminW);
  d.SetInt(row, c_fd_nr_src_buf, rec->nr_src_buf);
  d.SetInt(row, c_fd_from_ecr, rec->from_ecr);
  d.SetInt(row, c_fd_tow_z_kontr, rec->tow_z_kontr);
  d.SetText(row, c_opis3, rec->opis3);
  d.SetText(row, c_opis4, rec->opis4);
  d.SetInt(row, c_poziom_cen, rec->poziom_cen);
  d.SetInt(row, c_ile_w_kodzie, rec->ile_w_kodzie);
  d.SetDecimal(row, c_fd_dod_rabat_tow, rec->dod_rabat_tow);
  d.SetText(row, c_nazwa_pelna, rec->nazwa_pelna);
  d.SetInt(row, c_ile_jedn, rec->ile_jedn);
  d.SetText(row, c_notatki, rec->notatki);
}

void KSExpBuf::CzytajRec(int row, KSTowRec* rec) {
  const TMDataSet& d = ds_plu;
  auto i32 = [&](int c) { return static_cast<int32_t>(d.GetInt(row, c)); };
  auto flag = [&](int c) { return d.GetInt(row, c) != 0; };
  rec->plu = i32(c_plu);
  rec->koldod = i32(c_koldod);
  rec->kod = d.GetText(row, c_kod);
  rec->cena = d.GetDecimal(row, c_cena);
  rec->cena_hurt = d.GetDecimal(row, c_cena_hurt);
  rec->cena_noc = d.GetDecimal(row, c_cena_noc);
  rec->cena_dod = d.GetDecimal(row, c_cena_dod);
  rec->nazwa = d.GetText(row, c_nazwa);
  rec->stawka = i32(c_stawka);
  rec->stawkaPrec = i32(c_stawka_prec);
  rec->jedn = i32(c_jedn);
  rec->czy_wazony = flag(c_czy_wazony);
  rec->precyzja = i32(c_precyzja);
  rec->wagowo_ilosciowy = flag(c_wagowo_ilosciowy);
  rec->opakowanie = flag(c_opakowanie);
  rec->cena_otwarta = flag(c_cena_otwarta);
  rec->kod_opakowania = d.GetText(row, c_kod_opakowania);
  rec->plu_opakowania = i32(c_plu_opakowania);
  rec->nr_asort = i32(c_nr_asort);
  rec->status = ToStatus(d.GetInt(row, c_status));
  rec->nr_buf = i32(c_nr_buf);
  rec->plu_rec = d.GetText(row, c_plu_rec);
  rec->tr_ok = flag(c_tr_ok);
  rec->flag = flag(c_flag);
  rec->add_rec = flag(c_add_rec);
  rec->org_barcode = d.GetText(row, c_org_barcode);
  rec->org_status = ToStatus(d.GetInt(row, c_org_status));
  rec->opis1 = d.GetText(row, c_opis1);
  rec->opis2 = d.GetText(row, c_opis2);
  rec->PKWiU = d.GetText(row, c_PKWiU);
  rec->SWW = d.GetText(row, c_SWW);
  rec->TerminW = i32(c_TerminW);
  rec->nr_src_buf = i32(c_fd_nr_src_buf);
  rec->from_ecr = flag(c_fd_from_ecr);
  rec->tow_z_kontr = flag(c_fd_tow_z_kontr);
  rec->opis3 = d.GetText(row, c_opis3);
  rec->opis4 = d.GetText(row, c_opis4);
  rec->poziom_cen = i32(c_poziom_cen);
  rec->ile_w_kodzie = i32(c_ile_w_kodzie);
  rec->dod_rabat_tow = d.GetDecimal(row, c_fd_dod_rabat_tow);
  rec->nazwa_pelna = d.GetText(row, c_nazwa_pelna);
  rec->ile_jedn = i32(c_ile_jedn);
  rec->notatki = d.GetText(row, c_notatki);
}

void KSExpBuf::DodajRec(KSKontrRec* rec) {
  const int row = ds_kontr.Append();
  TMDataSet& d = ds_kontr;
  d.SetInt(row, k_KontrId, rec->KontrId);
  d.SetText(row, k_Nazwa, rec->Nazwa);
  d.SetText(row, k_Skrot, rec->Skrot);
  d.SetText(row, k_Ulica, rec->Ulica);
  d.SetText(row, k_Kod, rec->Kod);
  d.SetText(row, k_Miasto, rec->Miasto);
  d.SetText(row, k_Telefon, rec->Telefon);
  d.SetText(row, k_NIP, rec->NIP);
  d.SetText(row, k_KodKarty, rec->KodKarty);
  d.SetDateTime(row, k_TermWaznKarty, rec->TermWaznKarty);
  d.SetInt(row, k_KartaAktywna, rec->KartaAktywna);
  d.SetInt(row, k_PoziomRabatu, rec->PoziomRabatu);
  d.SetDecimal(row, k_RabatOdbiorcy, rec->RabatOdbiorcy);
  d.SetInt(row, k_NrBuf, row);
  d.SetInt(row, k_IloscPunktow, rec->IloscPunktow);
  rec->nr_buf = row;
  ++il_kontr;
}

void KSExpBuf::CzytajRec(int row, KSKontrRec* rec) {
  const TMDataSet& d = ds_kontr;
  rec->KontrId = static_cast<int32_t>(d.GetInt(row, k_KontrId));
  rec->Nazwa = d.GetText(row, k_Nazwa);
  rec->Skrot = d.GetText(row, k_Skrot);
  rec->Ulica = d.GetText(row, k_Ulica);
  rec->Kod = d.GetText(row, k_Kod);
  rec->Miasto = d.GetText(row, k_Miasto);
  rec->Telefon = d.GetText(row, k_Telefon);
  rec->NIP = d.GetText(row, k_NIP);
  rec->KodKarty = d.GetText(row, k_KodKarty);
  rec->TermWaznKarty = d.GetDateTime(row, k_TermWaznKarty);
  rec->KartaAktywna = d.GetInt(row, k_KartaAktywna) != 0;
  rec->PoziomRabatu = static_cast<int32_t>(d.GetInt(row, k_PoziomRabatu));
  rec->RabatOdbiorcy = d.GetDecimal(row, k_RabatOdbiorcy);
  rec->nr_buf = static_cast<int32_t>(d.GetInt(row, k_NrBuf));
  rec->IloscPunktow = static_cast<int32_t>(d.GetInt(row, k_IloscPunktow));
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
