#include "elzab/elximport.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "elzab/elxaction.h"
#include "elzab/elxdates.h"
#include "elzab/elxfunctions.h"
#include "elzab/elxtext.h"
#include "exchange/KSImpBuf.h"
#include "hostlib/Exceptions.h"
#include "hostlib/TMFile.h"
#include "hostlib/TdtTools.h"
#include "hostlib/TxTools.h"
#include "hostlib/TxfTools.h"
#include "platform/Env.h"
#include "support/TLJWords.h"

namespace {

constexpr char kStatus = '\x01';

// A column that must hold an integer: anything else (an empty column too) is the
// conversion's error, which ends the import with the file left for the next one.
int IntColumn(TLJWords& columns, int index) {
  return TxTools::StrToInt(columns[index]);
}

double DecimalColumn(TLJWords& columns, int index) {
  return TxfTools::StrToDecimal(columns[index]);
}

// A counters line as the register writes it: a quantity and a value that are numbers. One
// that is not (a garbled digit, a line cut short) would otherwise read as no sale at all.
bool CounterLine(TLJWords& columns) {
  double number = 0;
  return TxfTools::TryStrToDecimal(columns[1], number) &&
         TxfTools::TryStrToDecimal(columns[2], number);
}

// Runs `read` over the output `path`: a number or date in it that does not convert is a
// damaged file, and the error says which.
template <typename Read>
void ReadingOutput(ElzabRunner& runner, const std::string& path, Read read) {
  try {
    read();
  } catch (const EConvertError& e) {
    throw EConvertError(runner.OutputError(path, e.Message()));
  }
}

bool IsTrueWord(const std::string& word) {
  return word == "1" || word == "t" || word == "T" || word == "y" || word == "Y";
}

}  // namespace

// ----- The operation ----------------------------------------------------------------------

ElzabImport::ElzabImport(TrelvaxAction& action, ElzabRunner& runner, const ElzabConfig& config)
    : action_(action), runner_(runner), config_(config) {}

ElzabImport::~ElzabImport() = default;

void ElzabImport::BeginPass(double importDate) {
  imp_bufs_.clear();
  receiptsText_.clear();
  importDate_ = importDate;
  cfgSaleSource_ = config_.cfgSaleSource;
  cfgReceipts_ = config_.cfgReceipts;
  cfgSaleBufferFV_ = config_.cfgSaleBufferFV;
}

bool ElzabImport::PaymentHasDate(int form) const {
  return form >= 0 && form < 7 && paymentHasDate_[form];
}

void ElzabImport::SetPaymentHasDate(int form, bool dated) {
  if (form >= 0 && form < 7) paymentHasDate_[form] = dated;
}

void ElzabImport::Import() {
  // The programs write the register's texts in code page 852.
  TLTools::CodePages fromRegister(action_.tools, TLTools::plCp852, TLTools::plCp1250);
  platform::Env* env = platform::CurrentEnv();
  recovering_ = false;
  readsRegister_ = false;
  settingsNoted_ = false;
  auto leftovers = [&] {
    for (int function : ElzabFunctionsWith(roleLeftover)) {
      if (env->FileExists(runner_.FNameFile(function, 2, false))) return true;
    }
    return false;
  };
  if (config_.cfgFileMode) {
    if (!leftovers()) {
      throw Exception(ElzabText("KSElzabSImportExceptio",
                                "Ustawione złącze PLIK, a nie ma żadnych plików importowych!"));
    }
  } else {
    readsRegister_ = true;
    // A record of stored days without the outputs it describes is from an import whose
    // outputs were taken away by hand; it must not make the next one skip fresh sales.
    const bool left = leftovers();
    if (!left) {
      // An import that stopped once the data of its read was gone leaves the record, an
      // output or the note of the read beside what the host has of the register: the read
      // below is judged against it. Alone, the summary is from an import that ended well
      // (one that could not remove it): the register may have been closed since, by a
      // report a K10's counters cannot tell, so it goes.
      bool unfinished = env->FileExists(FNameStoredDays()) || env->FileExists(FNameReadRegister());
      for (int function : ElzabFunctionsWith(roleSalesRead)) {
        if (env->FileExists(runner_.FNameFile(function, 2, false))) unfinished = true;
      }
      recovering_ = unfinished && env->FileExists(FNameHandedOver());
      RemoveStoredDays();
      if (!recovering_) RemoveHandedOver(true);
    }
    if (left) {
      CheckLeftoversRegister();
      recovering_ = true;
      action_.MsgAdd(
          ElzabText("KSElzabSImportMsgAdd",
                    "Import z zaległych danych! Coś się nie udało przy ostatnim imporcie!"),
          LPV_Warning, 100);
      // The cashier's section is the register's state at the moment it is read, and the
      // read that follows gives it anew; a damaged one left by the failed run must not stop
      // every later import from taking in the sales it left behind.
      // A Sigma's receipts need the register's payment forms, which tell the payments that
      // carry a date: when the failed read left none (a damaged one moved away), they are
      // read now rather than the receipts handed over without them.
      if (LeftoversModel() == t_Sigma &&
          !env->FileExists(runner_.FNameFile(fnReadPayments, 2, false))) {
        action_.MsgAdd(ElzabText("KSElzabSImportFrMsgAdd_00007", "Odczyt form płatności ..."),
                       LPV_None, 100);
        runner_.Execute(fnReadPayments);
        action_.MsgS(LPV_Ok);
      }
      ImportFromFile(false);
      ImportSaveImpBufs();
      WriteHandedOver();
      AfterImport(false);
      DeleteImpBufs();
    }
    action_.CheckType(false);
    // A K10 keeps no receipt buffer: with the sales taken from one, its counters would be read,
    // left out and archived, and the host told the day had none, a day the daily report
    // then clears for good.
    if (action_.cfgType == t_K10 && config_.cfgSaleSource != 0) {
      throw Exception(
          ElzabText("KSElzabSImportK10Exceptio",
                    "Kasa K10 nie ma bufora paragonów, a parametr \"Źródło danych o "
                    "sprzedaży\" wskazuje bufor paragonów: ustaw \"Liczniki sprzedaży\" "
                    "(nic nie zostało zaimportowane)"));
    }
    ImportFromECR();
  }
  ImportFromFile();
  ImportSaveImpBufs();
  // Until the outputs are gone, what the host now has of the register is kept: an import
  // that stops while they are removed leaves only some of them, and the next one, which
  // reads the register again, must not hand over once more what the removed ones held.
  if (readsRegister_) WriteHandedOver();
  AfterImport(true);
  DeleteImpBufs();
}

void ElzabImport::ImportFromECR() {
  struct Step {
    int function;
    const char* key;
    const char* text;
  };
  auto run = [this](const Step& step) {
    action_.MsgAdd(ElzabText(step.key, step.text), LPV_None, 100);
    runner_.Execute(step.function);
    action_.MsgS(LPV_Ok);
  };
  // The cashier's outputs stay after an import, but they describe the register that wrote
  // them as it was then: a Sigma reads them anew below, and no other model writes them, so
  // one found now is another register's (a second device left with this directory) and its
  // cashier must not be booked to this one.
  for (int function : ElzabFunctionsWith(roleCashierRead)) {
    const std::string out = runner_.FNameFile(function, 2, false);
    if (platform::CurrentEnv()->FileExists(out) && !RemoveWorkingFile(out)) {
      throw Exception(ElzabText("KSElzabSImportFrExceptio_00002", "Nie można usunąć pliku ") + out);
    }
  }
  try {
    TMFile file(FNameReadRegister());
    file.Open();
    file.GotoStart();
    file.Truncate();
    file.WriteLine(RegisterIdentity());
    file.WriteLine("dzien=" + TdtTools::FormatDate(TdtTools::Now()));
    file.WriteLine("model=" + std::to_string(static_cast<int>(action_.cfgType)));
    file.Close();
  } catch (const Exception&) {
    throw Exception(ElzabText("KSElzabSImportFrExceptio_00003", "Nie można zapisać pliku ") +
                    FNameReadRegister());
  }
  run({fnCounters, "KSElzabSImportFrMsgAdd_00003", "Odczyt danych o sprzedaży ..."});
  if (action_.cfgType == t_Sigma) {
    run({fnClock, "KSElzabSImportFrMsgAdd_00004", "Odczyt aktualnego czasu na kasie ..."});
    run({fnCashier, "KSElzabSImportFrMsgAdd_00005", "Odczyt danych o kasjerze ..."});
    run({fnCashierStats, "KSElzabSImportFrMsgAdd_00006",
         "Odczyt danych statystycznych dla zalogowanego kasjera ..."});
    run({fnReadPayments, "KSElzabSImportFrMsgAdd_00007", "Odczyt form płatności ..."});
  }
  if (action_.cfgType != t_K10) {
    // A recovery reads the buffer as the host's share of it was read, to tell where that ends.
    int receipts = HandedOverReceiptsFunction();
    if (receipts == 0) receipts = config_.cfgSaleBufferType == 0 ? fnReceipts4 : fnReceipts5;
    run({receipts, "KSElzabSImportFrMsgAdd_00008", "Odczyt pozycji paragonowych ..."});
  }
}

void ElzabImport::ImportFromFile(bool cashierReports) {
  imp_bufs_.clear();
  // A pass hands the host only what it read itself.
  receiptsText_.clear();
  SettleStoredDays();
  SettleHandedOver();
  ForDay(importDate_);
  ImportFromFileSale();
  if (cashierReports) ImportFromFileCashierReports();
  ImportFromFilePaymentTypes();
  ImportFromFileReceipts();
}

KSImpBuf& ElzabImport::ForDay(double date) {
  const double day = TdtTools::DatePart(date);
  for (const std::unique_ptr<KSImpBuf>& buf : imp_bufs_) {
    if (buf != nullptr && TdtTools::DatePart(buf->data) == day) return *buf;
  }
  imp_bufs_.push_back(std::make_unique<KSImpBuf>(&action_));
  KSImpBuf& buf = *imp_bufs_.back();
  buf.data = date;
  ImpBufSetStandardFlags(buf);
  return buf;
}

void ElzabImport::ImpBufSetStandardFlags(KSImpBuf& buf) {
  buf.fisk_z_plu = true;
  buf.nadpisz_fisk = false;
  buf.nadpisz_plu = false;
  buf.ident_barcode = false;
  buf.doklej_plu = config_.cfgDokPlu;
  buf.par_szczeg = cfgReceipts_ != 0;
}

void ElzabImport::ImportSaveImpBufs() {
  for (size_t i = 0; i < imp_bufs_.size(); ++i) {
    KSImpBuf* buf = imp_bufs_[i].get();
    if (buf == nullptr) continue;
    const double day = TdtTools::DatePart(buf->data);
    if (std::find(storedDays_.begin(), storedDays_.end(), day) != storedDays_.end()) {
      action_.MsgAdd(ElzabText("KSElzabSImportFrMsgAdd_Stored", "Zapis importu do bazy:") +
                         TdtTools::FormatDate(buf->data) + " (" +
                         TdtTools::PolishWeekday(buf->data) +
                         ElzabText("KSElzabSImportFrMsgAdd_Stored1",
                                   "): pominięty, baza przyjęła te dane przy poprzednim imporcie"),
                     LPV_Warning, 0);
      continue;
    }
    buf->Save(action_.FNameKIMP(), false);
    bool receiptsSaved = false;
    if (i + 1 == imp_bufs_.size() && cfgReceipts_ != 0) receiptsSaved = ImportSaveReceipts();
    action_.tools.ArchiveFile(action_.FNameKIMP(), action_.FNameKARC(), action_.GetLgLink(), false,
                              -1, true, "");
    bool content = buf->CountPlu() > 0 || receiptsSaved || buf->GetReceiptsCount() > 0 ||
                   buf->GetReceiptsOtherCount() > 0 || buf->Kas_IsActiveKasjerSection() ||
                   buf->payin > 0 || buf->payout > 0 || buf->bottles_turned > 0 ||
                   buf->bottles_saled != 0;
    // A buffer without goods lines may still carry the receipts' payment totals and hours: a
    // recovery's pass over a receipt buffer whose counters were damaged and moved away, or
    // one that hands over only what lies beyond the host's share. Nothing else brings them.
    content = content || buf->fp_bony != 0 || buf->fp_czeki != 0 || buf->fp_karty != 0 ||
              buf->fp_inne != 0 || buf->discount != 0;
    for (int hour = 0; hour < 24; ++hour) content = content || buf->godzinowy[hour] != 0;
    action_.ShowTotalValue(buf);
    if (content) {
      // The day is noted as being handed over before the host is asked: should the host
      // die inside the store, or the note after it fail, the next import knows that the
      // host may have it.
      MarkStoringDay(day);
      action_.MsgAdd(ElzabText("KSElzabSImportFrMsgAdd_00002", "Zapis importu do bazy:") +
                         TdtTools::FormatDate(buf->data) + " (" +
                         TdtTools::PolishWeekday(buf->data) + "):",
                     LPV_None, 0);
      try {
        action_.ZapiszKasaImp();
      } catch (...) {
        // Refused: the host does not have the day.
        UnmarkStoringDay();
        action_.ZmienOstatniKomunikat(2, action_.PodajOstatniKomunikat(true) + kStatus + "Błąd!");
        throw;
      }
      // Before anything else reaches the host: a host that dies from here on has the day.
      AddStoredDay(day);
    }
  }
  // The receipts went with the last buffer, or that buffer was taken in before and they
  // with it: either way none of them is to be handed over again.
  receiptsText_.clear();
}

// ----- The record of stored days ------------------------------------------------------------

namespace {

constexpr char kRecordDate[] = "DataImportu";
constexpr char kRecordDay[] = "zapisano";
constexpr char kRecordOutput[] = "plik";
constexpr char kRecordStoring[] = "zapisywane";
constexpr char kRecordSettings[] = "ustawienia";

// A checksum of a file's bytes, eight at a time: it tells a file written anew from the one
// that was read, which size and time alone may not.
bool Checksum(const std::string& path, uint64_t& sum) {
  platform::Env* env = platform::CurrentEnv();
  std::FILE* file = env->OpenFile(path, "rb");
  if (file == nullptr) return false;
  uint64_t h = 0xcbf29ce484222325ull;
  uint64_t length = 0;
  std::vector<unsigned char> block(1 << 16);
  size_t got = 0;
  while ((got = std::fread(block.data(), 1, block.size(), file)) > 0) {
    length += got;
    size_t i = 0;
    for (; i + 8 <= got; i += 8) {
      uint64_t w = 0;
      std::memcpy(&w, block.data() + i, 8);
      h = (h ^ w) * 0x9e3779b97f4a7c15ull;
      h ^= h >> 29;
    }
    for (; i < got; ++i) h = (h ^ block[i]) * 0x100000001b3ull;
  }
  const bool ok = !std::ferror(file);
  env->CloseFile(file);
  h = (h ^ length) * 0x9e3779b97f4a7c15ull;
  sum = h ^ (h >> 32);
  return ok;
}

std::string Hex(uint64_t value) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text(16, '0');
  for (int i = 15; i >= 0; --i, value >>= 4) text[static_cast<size_t>(i)] = kDigits[value & 15];
  return text;
}

// A whole number of the record: digits, with a "-" before them for a time before 1970.
bool RecordNumber(const std::string& text, int64_t& value) {
  const bool negative = !text.empty() && text[0] == '-';
  const size_t first = negative ? 1 : 0;
  if (text.size() <= first || text.find_first_not_of("0123456789", first) != std::string::npos) {
    return false;
  }
  uint64_t v = 0;
  for (size_t i = first; i < text.size(); ++i) {
    const unsigned digit = static_cast<unsigned>(text[i] - '0');
    if (v > (static_cast<uint64_t>(INT64_MAX) - digit) / 10) return false;
    v = v * 10 + digit;
  }
  value = negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
  return true;
}

}  // namespace

bool ElzabImport::Same(const OutputStamp& a, const OutputStamp& b) {
  return a.name == b.name && a.size == b.size && a.modified == b.modified &&
         a.checksum == b.checksum;
}

std::string ElzabImport::FNameStoredDays() {
  return runner_.WorkDir() + "zapisane.txt";
}

std::string ElzabImport::FNameReadRegister() {
  return runner_.WorkDir() + "odczyt.txt";
}

std::string ElzabImport::RegisterIdentity() {
  // The register number and its connection; not the timeout or the password, which a
  // technician may change between a failed import and the next.
  std::string connection = config_.cfgPort;
  if (config_.cfgPort == "LAN") {
    connection += " " + TxTools::Trim(config_.cfgIPAddr) + ":" + TxTools::Trim(config_.cfgIPPort);
  }
  return "kasa=" + std::to_string(action_.FNrUrzadzenia) + " " + connection;
}

void ElzabImport::CheckLeftoversRegister() {
  const std::string path = FNameReadRegister();
  if (!platform::CurrentEnv()->FileExists(path)) return;  // an older driver's outputs
  std::string owner;
  {
    TMFile file(path);
    file.SetReadOnly(true);
    file.Open();
    file.ReadLine(owner);
  }
  owner = TxTools::Trim(owner);
  if (owner.empty() || owner == RegisterIdentity()) return;
  throw Exception(
      ElzabText("KSElzabSImportOwnerExceptio", "Pliki nieudanego importu z kasy ") +
      owner.substr(owner.find('=') + 1) +
      ElzabText("KSElzabSImportOwnerExceptio_00001",
                " czekają w katalogu wymiany na import jej urządzeniem, a to urządzenie ma "
                "ten sam katalog; zaimportuj je tamtym urządzeniem i daj każdemu urządzeniu "
                "własny katalog wymiany (nic nie zostało zaimportowane)"));
}

bool ElzabImport::ReadStoredDays(StoredDays& record) {
  const std::string path = FNameStoredDays();
  if (!platform::CurrentEnv()->FileExists(path)) return false;
  TMFile file(path);
  file.SetReadOnly(true);
  file.Open();
  std::string line;
  while (file.ReadLine(line)) {
    const size_t eq = line.find('=');
    const std::string key = eq == std::string::npos ? line : line.substr(0, eq);
    const std::string value = eq == std::string::npos ? std::string() : line.substr(eq + 1);
    double date = 0;
    if (key == kRecordOutput) {
      record.namesOutputs = true;
      TLJWords parts(";");
      parts.Init(value);
      OutputStamp o;
      o.name = parts[0];
      const bool ok = !o.name.empty() && RecordNumber(parts[1], o.size) &&
                      RecordNumber(parts[2], o.modified) && parts[3].size() == 16 &&
                      parts[3].find_first_not_of("0123456789abcdef") == std::string::npos;
      if (ok) o.checksum = std::stoull(parts[3], nullptr, 16);
      if (ok) record.outputs.push_back(o);
      if (!ok) record.damaged = true;
    } else if (key == kRecordSettings) {
      TLJWords parts(";");
      parts.Init(value);
      int64_t source = 0, receipts = 0, invoices = 0;
      record.hasSettings = parts.GetCount() == 3 && RecordNumber(parts[0], source) &&
                           RecordNumber(parts[1], receipts) && RecordNumber(parts[2], invoices);
      if (!record.hasSettings) record.damaged = true;
      record.saleSource = static_cast<int32_t>(source);
      record.receipts = static_cast<int32_t>(receipts);
      record.invoices = invoices != 0;
    } else if (key == kRecordDate && TdtTools::ParseHostDate(value, date)) {
      record.importDate = date;
      record.hasDate = true;
    } else if (key == kRecordDay && TdtTools::ParseHostDate(value, date)) {
      record.days.push_back(TdtTools::DatePart(date));
    } else if (key == kRecordStoring && TdtTools::ParseHostDate(value, date)) {
      record.storing.push_back(TdtTools::DatePart(date));
    } else if (!line.empty()) {
      record.damaged = true;
    }
    line.clear();
  }
  file.Close();
  // The driver writes no record without its import date.
  if (!record.hasDate) record.damaged = true;
  return true;
}

std::vector<ElzabImport::OutputStamp> ElzabImport::StampOutputs() {
  platform::Env* env = platform::CurrentEnv();
  std::vector<OutputStamp> stamps;
  for (int function : ElzabFunctionsWith(roleSalesRead)) {
    const std::string path = runner_.FNameFile(function, 2, false);
    OutputStamp o;
    if (!env->FileStamp(path, o.size, o.modified)) continue;
    if (!Checksum(path, o.checksum)) {
      throw Exception(ElzabText("KSElzabSOutputExceptio", "Błąd odczytu pliku ") + path);
    }
    o.name = platform::FileNameOf(path);
    stamps.push_back(o);
  }
  return stamps;
}

void ElzabImport::SettleStoredDays() {
  importDate_ = config_.cfgImportDate;
  cfgSaleSource_ = config_.cfgSaleSource;
  cfgReceipts_ = config_.cfgReceipts;
  cfgSaleBufferFV_ = config_.cfgSaleBufferFV;
  storedDays_.clear();
  passOutputs_ = StampOutputs();
  StoredDays record;
  if (!ReadStoredDays(record)) return;
  const std::string path = FNameStoredDays();
  // A day that was being handed over when the import stopped may or may not be in the
  // back office: only a person can tell, and guessing either way loses or doubles it.
  if (!record.storing.empty()) {
    const std::string day = TdtTools::FormatDate(record.storing.front());
    throw Exception(
        ElzabText("KSElzabSImportStoringExceptio",
                  "Poprzedni import przerwał się, gdy baza przyjmowała dane z dnia ") +
        day + ElzabText("KSElzabSImportStoringExceptio_00001", ": nie wiadomo, czy je przyjęła. ") +
        ElzabText("KSElzabSImportStoringExceptio_00002",
                  "Sprawdź to w bazie. Jeśli ich nie ma, usuń z pliku ") +
        path + ElzabText("KSElzabSImportStoringExceptio_00003", " wiersz \"") + kRecordStoring +
        "=" + day +
        ElzabText("KSElzabSImportStoringExceptio_00004", "\"; jeśli są, zmień go na \"") +
        kRecordDay + "=" + day +
        ElzabText("KSElzabSImportStoringExceptio_00005", "\". Potem powtórz import."));
  }
  if (record.damaged) {
    throw Exception(ElzabText("KSElzabSImportDamagedExceptio", "Plik ") + path +
                    ElzabText("KSElzabSImportDamagedExceptio_00001",
                              " jest uszkodzony: nie wiadomo, które dni baza przyjęła już z plików "
                              "importu. Sprawdź to w bazie; po usunięciu tego pliku pliki importu "
                              "zostaną przyjęte w całości."));
  }
  // The record holds for the outputs it names: each still there must be the very file that
  // was read (those gone were removed after the host took them in), and no other may have
  // come since. An older driver's record names none and holds for what lies there.
  std::string changed;
  if (record.namesOutputs) {
    for (const OutputStamp& now : passOutputs_) {
      auto was = std::find_if(record.outputs.begin(), record.outputs.end(),
                              [&](const OutputStamp& o) { return o.name == now.name; });
      if (was == record.outputs.end() || !Same(*was, now)) {
        changed += (changed.empty() ? "" : ", ") + now.name;
      }
    }
  }
  if (!changed.empty()) {
    action_.MsgAdd(
        ElzabText("KSElzabSImportChangedMsgAdd",
                  "Pliki zmienione od poprzedniego, przerwanego importu: ") +
            changed +
            ElzabText(
                "KSElzabSImportChangedMsgAdd_00001",
                ". Są importowane w całości; sprawdź, czy baza nie ma tych danych drugi raz."),
        LPV_Warning, 100);
    RemoveStoredDays();
    return;
  }
  // The outputs are read again as they were read then: the same date, the same settings,
  // so that each day comes out as the host took it in.
  importDate_ = record.importDate;
  storedDays_ = record.days;
  if (record.hasSettings) {
    cfgSaleSource_ = record.saleSource;
    cfgReceipts_ = record.receipts;
    cfgSaleBufferFV_ = record.invoices;
  }
}

void ElzabImport::WriteStoredDays(const double* storing) {
  std::string text = std::string(kRecordDate) + "=" + TdtTools::FormatDate(importDate_) + "\r\n";
  text += std::string(kRecordSettings) + "=" + std::to_string(cfgSaleSource_) + ";" +
          std::to_string(cfgReceipts_) + ";" + (cfgSaleBufferFV_ ? "1" : "0") + "\r\n";
  for (const OutputStamp& o : passOutputs_) {
    text += std::string(kRecordOutput) + "=" + o.name + ";" + std::to_string(o.size) + ";" +
            std::to_string(o.modified) + ";" + Hex(o.checksum) + "\r\n";
  }
  for (double stored : storedDays_) {
    text += std::string(kRecordDay) + "=" + TdtTools::FormatDate(stored) + "\r\n";
  }
  if (storing != nullptr) {
    text += std::string(kRecordStoring) + "=" + TdtTools::FormatDate(*storing) + "\r\n";
  }
  ReplaceWhole(FNameStoredDays(), runner_.WorkDir() + "zapisane.tmp", text);
}

void ElzabImport::ReplaceWhole(const std::string& path, const std::string& fresh,
                               const std::string& text) {
  platform::Env* env = platform::CurrentEnv();
  try {
    TMFile file(fresh);
    file.Open();
    file.GotoStart();
    file.Truncate();
    file.Write(text);
    file.Sync();
    file.Close();
    // Another program may hold the file open for a moment, as it may any working file.
    if (!Briefly([&] { return env->RenameFile(fresh, path); })) throw Exception(fresh);
  } catch (const Exception&) {
    env->RemoveFile(fresh);
    throw;
  }
}

void ElzabImport::MarkStoringDay(double day) {
  try {
    WriteStoredDays(&day);
  } catch (const Exception&) {
    throw Exception(ElzabText("KSElzabSImportStoredExceptio_00002", "Nie można zapisać pliku ") +
                    FNameStoredDays());
  }
}

void ElzabImport::UnmarkStoringDay() {
  try {
    if (storedDays_.empty()) {
      RemoveStoredDays();
    } else {
      WriteStoredDays(nullptr);
    }
  } catch (const Exception&) {
    // The refusal is the error to show; a mark left behind makes the next import ask.
  }
}

void ElzabImport::AddStoredDay(double day) {
  storedDays_.push_back(day);
  try {
    WriteStoredDays(nullptr);
  } catch (const Exception&) {
    throw Exception(ElzabText("KSElzabSImportStoredExceptio",
                              "Baza przyjęła import, ale nie można tego zapisać w pliku ") +
                    FNameStoredDays());
  }
}

void ElzabImport::RemoveStoredDays() {
  const std::string path = FNameStoredDays();
  if (!platform::CurrentEnv()->FileExists(path)) return;
  if (!RemoveWorkingFile(path)) {
    throw Exception(ElzabText("KSElzabSImportStoredExceptio_00001", "Nie można usunąć pliku ") +
                    path);
  }
}

bool ElzabImport::Briefly(const std::function<bool()>& attempt) {
  // An antivirus, an indexer or a backup holds a file it has just seen for a moment.
  for (int n = 0; n < 10; ++n) {
    if (n > 0) platform::CurrentEnv()->SleepMs(100);
    if (attempt()) return true;
  }
  return false;
}

bool ElzabImport::RemoveWorkingFile(const std::string& path) {
  platform::Env* env = platform::CurrentEnv();
  return Briefly([&] {
    env->RemoveFile(path);
    return !env->FileExists(path);
  });
}

void ElzabImport::AfterImport(bool last) {
  platform::Env* env = platform::CurrentEnv();
  std::string stuck;
  for (int function : ElzabFunctionsWith(roleSalesRead)) {
    const std::string out = runner_.FNameFile(function, 2, false);
    if (env->FileExists(out)) {
      action_.tools.ArchiveFile(out, runner_.FNameFile(function, 3, false), action_.GetLgLink(),
                                false, -1, true, "");
      if (!RemoveWorkingFile(out) && stuck.empty()) stuck = out;
    }
    const std::string in = runner_.FNameFile(function, 1, false);
    if (env->FileExists(in)) RemoveWorkingFile(in);
  }
  if (!stuck.empty()) {
    // The record stays while any output it describes is left, so that the next import skips
    // what the host already has.
    std::string text = ElzabText("KSElzabSAfterImpExceptio", "Nie można usunąć pliku ") + stuck;
    if (!storedDays_.empty()) {
      text += ElzabText("KSElzabSAfterImpExceptio_00001",
                        " (baza przyjęła już te dane; następny import pominie ten plik)");
    }
    throw Exception(text);
  }
  RemoveStoredDays();
  storedDays_.clear();
  // A pass over leftovers is followed by a new read, which writes its note anew.
  if (!last) return;
  // The host has the register's day whole: the next import starts afresh. The summary goes
  // before the note of the read, so that an import stopped between the two still tells the
  // next one that it did not end.
  if (readsRegister_) RemoveHandedOver(false);
  // Nothing of the read is left; one that stays is written anew by the next read.
  if (env->FileExists(FNameReadRegister())) RemoveWorkingFile(FNameReadRegister());
}

void ElzabImport::DeleteImpBufs() {
  for (std::unique_ptr<KSImpBuf>& buf : imp_bufs_) buf.reset();
  receiptsText_.clear();
}

// ----- Sales counters -----------------------------------------------------------------------

double ElzabImport::FormatujIlosc(const std::string& text) {
  return TxfTools::ParseLeading(text) * 1000;
}

namespace {

// A counters file as the register's sales since `base` was read: each code's lines added up,
// less the base's, in the order the codes first come (the base's codes that are gone last).
std::vector<std::pair<std::string, ReadSummary::Sum>> CountersBeyond(
    ElzabRunner& runner, const std::string& path,
    const std::map<std::string, ReadSummary::Sum>& base) {
  std::vector<std::pair<std::string, ReadSummary::Sum>> codes;
  std::map<std::string, size_t> at;
  OutputLines lines(runner, path);
  TLJWords columns("\t");
  while (lines.NextData(columns)) {
    if (!CounterLine(columns)) lines.Damaged();
    const std::string code = columns[0];
    auto [it, added] = at.emplace(code, codes.size());
    if (added) codes.push_back({code, {}});
    ReadSummary::Sum& sum = codes[it->second].second;
    sum.quantity += ElzabImport::FormatujIlosc(columns[1]);
    sum.value += TxfTools::ParseLeading(columns[2]);
  }
  lines.Close();
  for (const auto& [code, was] : base) {
    auto [it, added] = at.emplace(code, codes.size());
    if (added) codes.push_back({code, {}});
    codes[it->second].second.quantity -= was.quantity;
    codes[it->second].second.value -= was.value;
  }
  return codes;
}

}  // namespace

void ElzabImport::ImportFromFileSale() {
  KSImpBuf& target = ForDay(importDate_);
  platform::Env* env = platform::CurrentEnv();
  TLJWords columns("\t");
  const std::string returns = runner_.FNameFile(fnPackagingReturns, 2, false);
  if (env->FileExists(returns) && cfgSaleSource_ == 0) {
    auto start = [&] {
      action_.MsgAdd(ElzabText("KSElzabSImportFrMsgAdd", " - analiza zwrotów opakowań"), LPV_Value,
                     100);
    };
    double sum = 0;
    int counter = 0;
    auto add = [&](const std::string& code, double quantity, double value) {
      if (quantity == 0 && value == 0) return;
      target.AddToPlu(code, -quantity, -value, id_global);
      sum += value;
      action_.MsgP(++counter);
    };
    if (countersDelta_ && handedBase_.hasReturns) {
      const auto beyond = CountersBeyond(runner_, returns, handedBase_.returns);
      start();
      for (const auto& [code, s] : beyond) add(code, s.quantity, s.value);
    } else {
      OutputLines lines(runner_, returns);
      start();
      while (lines.NextData(columns)) {
        if (!CounterLine(columns)) lines.Damaged();
        add(columns[0], FormatujIlosc(columns[1]), TxfTools::ParseLeading(columns[2]));
      }
      lines.Close();
    }
    target.AddBottlesTurned(sum);
  }
  const std::string sales = runner_.FNameFile(fnSalesSorted, 2, false);
  if (env->FileExists(sales) && cfgSaleSource_ == 0) {
    auto start = [&] {
      action_.MsgAdd(
          ElzabText("KSElzabSImportFrMsgAdd_00001", " - analiza sprzedaży towarów/opakowań"),
          LPV_Value, 100);
    };
    int counter = 0;
    auto add = [&](const std::string& code, double quantity, double value) {
      action_.MsgP(++counter);
      if (action_.Packages().Contains(TxTools::IntToStr(TxTools::StrToIntDef(code, 0)))) {
        target.AddBottlesSaled(value);
      }
      target.AddPlu(code, quantity, value, id_global);
    };
    if (countersDelta_ && handedBase_.hasSales) {
      const auto beyond = CountersBeyond(runner_, sales, handedBase_.sales);
      start();
      // What the host has of a code is already in its books: only a change is a line.
      for (const auto& [code, s] : beyond) {
        if (s.quantity != 0 || s.value != 0) add(code, s.quantity, s.value);
      }
    } else {
      OutputLines lines(runner_, sales);
      start();
      while (lines.NextData(columns)) {
        if (!CounterLine(columns)) lines.Damaged();
        add(columns[0], FormatujIlosc(columns[1]), TxfTools::ParseLeading(columns[2]));
      }
      lines.Close();
    }
  }
}

// ----- Cashier and payment forms --------------------------------------------------------------

void ElzabImport::ImportFromFileCashierReports() {
  KSImpBuf& target = ForDay(importDate_);
  platform::Env* env = platform::CurrentEnv();
  const std::string stats = runner_.FNameFile(fnCashierStats, 2, false);
  if (!env->FileExists(stats)) return;
  TLJWords columns("\t");
  int cashier = 0;
  bool found = false;
  ReadingOutput(runner_, stats, [&] {
    OutputLines lines(runner_, stats);
    action_.MsgAdd(" - analiza statystyk kasjera", LPV_None, 100);
    target.Kas_ActiveKasjerSection();
    found = lines.NextData(columns);
    if (!found) {
      lines.Close();
      return;
    }
    cashier = IntColumn(columns, 0);
    target.Kas_SetNumer(cashier);
    target.Kas_SetStankasy(DecimalColumn(columns, 1) + DecimalColumn(columns, 2) +
                           DecimalColumn(columns, 3) - DecimalColumn(columns, 4));
    target.Kas_SetZmstart(RegisterDates::ClockDateTime(columns[15], columns[16]));
    target.Kas_SetKarty(IntColumn(columns, 5));
    target.Kas_SetBony(IntColumn(columns, 8));
    target.Kas_SetCzeki(IntColumn(columns, 11));
    target.Kas_SetParagonow(IntColumn(columns, 18));
    target.Kas_SetIlStorno(IntColumn(columns, 19));
    target.Kas_SetWartStorno(IntColumn(columns, 26));
    lines.Close();
  });
  if (!found) {
    action_.MsgS(LPV_Ok);
    return;
  }
  target.Kas_SetNazwisko("<nieznany kasjer>");
  const std::string names = runner_.FNameFile(fnCashier, 2, false);
  if (env->FileExists(names)) {
    ReadingOutput(runner_, names, [&] {
      OutputLines lines(runner_, names);
      while (lines.NextData(columns)) {
        if (IntColumn(columns, 0) != cashier) continue;
        std::string name = TxTools::Trim(columns[1]);
        target.Kas_SetNazwisko(action_.tools.plstring(name));
        break;
      }
      lines.Close();
    });
  }
  target.Kas_SetBiez(TdtTools::Now());
  const std::string clock = runner_.FNameFile(fnClock, 2, false);
  if (env->FileExists(clock)) {
    ReadingOutput(runner_, clock, [&] {
      OutputLines lines(runner_, clock);
      if (lines.NextData(columns))
        target.Kas_SetBiez(RegisterDates::ClockDateTime(columns[0], columns[1]));
      lines.Close();
    });
  }
  action_.MsgS(LPV_Ok);
}

void ElzabImport::ImportFromFilePaymentTypes() {
  const std::string path = runner_.FNameFile(fnReadPayments, 2, false);
  if (!platform::CurrentEnv()->FileExists(path)) {
    for (bool& dated : paymentHasDate_) dated = false;
    return;
  }
  OutputLines lines(runner_, path);
  action_.MsgAdd(" - analiza form płatności", LPV_None, 100);
  TLJWords columns("\t");
  for (int form = 0; form < 7 && lines.NextData(columns); ++form) {
    // The register numbers its forms; a line without a number is not one it wrote, and its
    // date flag cannot be trusted either.
    int number = 0;
    if (!TxTools::TryStrToInt(TxTools::Trim(columns[0]), number)) {
      lines.Damaged();
    }
    paymentHasDate_[form] = IsTrueWord(columns[6]);
  }
  lines.Close();
  action_.MsgS(LPV_Ok);
}
