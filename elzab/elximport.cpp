#include "elzab/elximport.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "elzab/elxaction.h"
#include "elzab/elxdates.h"
#include "elzab/elxfunctions.h"
#include "elzab/elxtext.h"
#include "elzab/elxworkfiles.h"
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

PassSettings ElzabImport::ParameterSettings() const {
  return {config_.cfgSaleSource != 0, config_.cfgReceipts != 0, config_.cfgSaleBufferFV};
}

void ElzabImport::BeginPass(double importDate) {
  imp_bufs_.clear();
  receiptsText_.clear();
  const std::string dir = runner_.WorkDir();
  stored_ = StoredDays(dir);
  handed_ = HandedOver(dir);
  note_ = ReadNoteFile(dir);
  pass_ = Pass();
  pass_.importDate = importDate;
  pass_.settings = ParameterSettings();
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
  BeginPass(config_.cfgImportDate);
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
      std::string note;
      bool unfinished = workfiles::ReadRecord(note_.Path(), note) ||
                        env->FileExists(stored_.Path()) || env->DirectoryExists(stored_.Path());
      for (int function : ElzabFunctionsWith(roleSalesRead)) {
        if (env->FileExists(runner_.FNameFile(function, 2, false))) unfinished = true;
      }
      recovering_ = unfinished && handed_.Exists();
      stored_.Remove();
      if (!recovering_) handed_.Remove(true);
      // What the host has is read before the register is: one that cannot be read stops the
      // import with nothing read.
      ReadSummary base;
      if (recovering_) handed_.Read(RegisterIdentity(), base);
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
      if (LeftoversNote().model == t_Sigma &&
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
    if (platform::CurrentEnv()->FileExists(out) && !workfiles::Remove(out)) {
      throw Exception(ElzabText("KSElzabSImportFrExceptio_00002", "Nie można usunąć pliku ") + out);
    }
  }
  ReadNote note;
  note.identity = RegisterIdentity();
  note.day = TdtTools::DatePart(TdtTools::Now());
  note.model = static_cast<int>(action_.cfgType);
  note_.Write(note);
  // A recovery reads the buffer as the host's share of it was read, to tell where that ends.
  int receipts = 0;
  ReadSummary base;
  if (recovering_ && handed_.Read(RegisterIdentity(), base)) receipts = base.receiptsFunction;
  if (receipts == 0) receipts = config_.cfgSaleBufferType == 0 ? fnReceipts4 : fnReceipts5;
  run({fnCounters, "KSElzabSImportFrMsgAdd_00003", "Odczyt danych o sprzedaży ..."});
  if (action_.cfgType == t_Sigma) {
    run({fnClock, "KSElzabSImportFrMsgAdd_00004", "Odczyt aktualnego czasu na kasie ..."});
    run({fnCashier, "KSElzabSImportFrMsgAdd_00005", "Odczyt danych o kasjerze ..."});
    run({fnCashierStats, "KSElzabSImportFrMsgAdd_00006",
         "Odczyt danych statystycznych dla zalogowanego kasjera ..."});
    run({fnReadPayments, "KSElzabSImportFrMsgAdd_00007", "Odczyt form płatności ..."});
  }
  if (action_.cfgType != t_K10) {
    run({receipts, "KSElzabSImportFrMsgAdd_00008", "Odczyt pozycji paragonowych ..."});
  }
}

void ElzabImport::ImportFromFile(bool cashierReports) {
  imp_bufs_.clear();
  // A pass hands the host only what it read itself.
  receiptsText_.clear();
  SettlePass();
  ForDay(pass_.importDate);
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
  buf.par_szczeg = pass_.settings.receipts;
}

void ElzabImport::ImportSaveImpBufs() {
  for (size_t i = 0; i < imp_bufs_.size(); ++i) {
    KSImpBuf* buf = imp_bufs_[i].get();
    if (buf == nullptr) continue;
    const double day = TdtTools::DatePart(buf->data);
    if (stored_.Has(day)) {
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
    if (i + 1 == imp_bufs_.size() && pass_.settings.receipts) receiptsSaved = ImportSaveReceipts();
    action_.tools.ArchiveFile(action_.FNameKIMP(), action_.FNameKARC(), action_.GetLgLink(), false,
                              -1, true, "");
    const bool content = buf->HasContent() || receiptsSaved;
    action_.ShowTotalValue(buf);
    if (content) {
      // The day is noted as being handed over before the host is asked: should the host
      // die inside the store, or the note after it fail, the next import knows that the
      // host may have it.
      stored_.Mark(day);
      action_.MsgAdd(ElzabText("KSElzabSImportFrMsgAdd_00002", "Zapis importu do bazy:") +
                         TdtTools::FormatDate(buf->data) + " (" +
                         TdtTools::PolishWeekday(buf->data) + "):",
                     LPV_None, 0);
      try {
        action_.ZapiszKasaImp();
      } catch (...) {
        // Refused: the host does not have the day.
        stored_.Unmark();
        action_.ZmienOstatniKomunikat(2, action_.PodajOstatniKomunikat(true) + kStatus + "Błąd!");
        throw;
      }
      // Before anything else reaches the host: a host that dies from here on has the day.
      stored_.Add(day);
    }
  }
  // The receipts went with the last buffer, or that buffer was taken in before and they
  // with it: either way none of them is to be handed over again.
  receiptsText_.clear();
}

// ----- What the host has ----------------------------------------------------------------------

std::string ElzabImport::RegisterIdentity() const {
  std::string connection = config_.cfgPort;
  if (config_.cfgPort == "LAN") {
    connection += " " + TxTools::Trim(config_.cfgIPAddr) + ":" + TxTools::Trim(config_.cfgIPPort);
  }
  return std::to_string(action_.FNrUrzadzenia) + " " + connection;
}

ReadNote ElzabImport::LeftoversNote() {
  ReadNote note;
  note_.Read(note);
  return note;
}

void ElzabImport::CheckLeftoversRegister() {
  ReadNote note;
  // Outputs without a note are an older driver's.
  if (!note_.Read(note) || note.identity == RegisterIdentity()) return;
  throw Exception(
      ElzabText("KSElzabSImportOwnerExceptio", "Pliki nieudanego importu z kasy ") +
      records::Shown(note.identity) +
      ElzabText("KSElzabSImportOwnerExceptio_00001",
                " czekają w katalogu wymiany na import jej urządzeniem, a to urządzenie ma "
                "ten sam katalog; zaimportuj je tamtym urządzeniem i daj każdemu urządzeniu "
                "własny katalog wymiany (nic nie zostało zaimportowane)"));
}

void ElzabImport::SettlePass() {
  pass_ = Pass();
  pass_.stored = stored_.Settle(config_.cfgImportDate, ParameterSettings());
  if (!pass_.stored.changed.empty()) {
    action_.MsgAdd(
        ElzabText("KSElzabSImportChangedMsgAdd",
                  "Pliki zmienione od poprzedniego, przerwanego importu: ") +
            pass_.stored.changed +
            ElzabText(
                "KSElzabSImportChangedMsgAdd_00001",
                ". Są importowane w całości; sprawdź, czy baza nie ma tych danych drugi raz."),
        LPV_Warning, 100);
  }
  pass_.importDate = pass_.stored.importDate;
  pass_.settings = pass_.stored.settings;
  if (!readsRegister_) return;
  // Outputs without the day of their read noted are taken as read today.
  const ReadNote note = LeftoversNote();
  const double day = TdtTools::DatePart(note.day ? *note.day : TdtTools::Now());
  pass_.summary = handed_.Summarize(RegisterIdentity(), day, pass_.settings);
  if (!recovering_ || !handed_.Read(RegisterIdentity(), pass_.base)) return;
  pass_.hasBase = true;
  // What lies beyond the host's share is handed over as the share was: from the other source,
  // or with receipts the share left out, the two would overlap or leave a gap.
  if (pass_.base.settings) {
    if (*pass_.base.settings != ParameterSettings() && !settingsNoted_) {
      action_.MsgAdd(
          ElzabText("KSElzabSHandedSettingsMsgAdd",
                    "Ustawienia importu (źródło sprzedaży, paragony, faktury) zmieniono przed "
                    "końcem przerwanego importu: sprzedaż kasy jest importowana z ustawieniami, "
                    "z którymi baza przyjęła jej część; nowe obowiązują od następnego importu"),
          LPV_Warning, 100);
      settingsNoted_ = true;
    }
    pass_.settings = *pass_.base.settings;
    pass_.summary.settings = pass_.settings;
  }
  int64_t lines = 0;
  uint64_t hash = 0;
  if (pass_.base.receiptLines > 0 &&
      pass_.summary.receiptsFunction == pass_.base.receiptsFunction) {
    handed_.Prefix(pass_.base.receiptsFunction, pass_.base.receiptLines, lines, hash);
  }
  pass_.judgement = JudgeRead(pass_.base, pass_.summary, lines, hash);
  // Nothing the host has can come twice: nothing to say.
  if (pass_.base.Empty()) return;
  if (pass_.judgement.guessed) {
    action_.MsgAdd(
        ElzabText("KSElzabSHandedUnknownMsgAdd",
                  "Nie wiadomo, czy kasa była zamknięta raportem "
                  "dobowym od odczytu z dnia ") +
            TdtTools::FormatDate(pass_.base.day) +
            ElzabText("KSElzabSHandedUnknownMsgAdd_00001",
                      ", którego sprzedaż baza już przyjęła; ") +
            (pass_.judgement.closed
                 ? ElzabText("KSElzabSHandedUnknownMsgAdd_00002",
                             "przyjęto, że była (odczyty z różnych dni), i odczyt jest importowany "
                             "w całości")
                 : ElzabText("KSElzabSHandedUnknownMsgAdd_00003",
                             "przyjęto, że nie była (odczyty z jednego dnia), i importowane jest "
                             "tylko to, co kasa zarejestrowała po tamtym odczycie")) +
            ElzabText("KSElzabSHandedUnknownMsgAdd_00004", ". Sprawdź sprzedaż tych dni w bazie."),
        LPV_Warning, 100);
  } else if (!pass_.judgement.closed) {
    action_.MsgAdd(
        ElzabText("KSElzabSHandedMsgAdd",
                  "Kasa nie była zamknięta raportem dobowym od odczytu, którego sprzedaż baza już "
                  "przyjęła: importowane jest tylko to, co kasa zarejestrowała po nim"),
        LPV_None, 0);
  }
}

void ElzabImport::WriteHandedOver() {
  // The host now has this pass's read whole: what it read, and what it lacks but the host had
  // from before, when the register was not closed between.
  handed_.Write(HandedAfter(pass_.summary, pass_.hasBase ? &pass_.base : nullptr, pass_.judgement));
}

void ElzabImport::AfterImport(bool last) {
  platform::Env* env = platform::CurrentEnv();
  std::string stuck;
  for (int function : ElzabFunctionsWith(roleSalesRead)) {
    const std::string out = runner_.FNameFile(function, 2, false);
    if (env->FileExists(out)) {
      action_.tools.ArchiveFile(out, runner_.FNameFile(function, 3, false), action_.GetLgLink(),
                                false, -1, true, "");
      if (!workfiles::Remove(out) && stuck.empty()) stuck = out;
    }
    const std::string in = runner_.FNameFile(function, 1, false);
    if (env->FileExists(in)) workfiles::Remove(in);
  }
  if (!stuck.empty()) {
    // The record stays while any output it describes is left, so that the next import skips
    // what the host already has.
    std::string text = ElzabText("KSElzabSAfterImpExceptio", "Nie można usunąć pliku ") + stuck;
    if (!stored_.Empty()) {
      text += ElzabText("KSElzabSAfterImpExceptio_00001",
                        " (baza przyjęła już te dane; następny import pominie ten plik)");
    }
    throw Exception(text);
  }
  stored_.Remove();
  stored_.Forget();
  // A pass over leftovers is followed by a new read, which writes its note anew.
  if (!last) return;
  // The host has the register's day whole: the next import starts afresh. The summary goes
  // before the note of the read, so that an import stopped between the two still tells the
  // next one that it did not end.
  if (readsRegister_) handed_.Remove(false);
  // Nothing of the read is left; one that stays is written anew by the next read.
  note_.Remove();
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
  KSImpBuf& target = ForDay(pass_.importDate);
  platform::Env* env = platform::CurrentEnv();
  TLJWords columns("\t");
  const std::string returns = runner_.FNameFile(fnPackagingReturns, 2, false);
  if (env->FileExists(returns) && !pass_.settings.salesFromReceipts) {
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
    if (pass_.judgement.countersDelta && pass_.base.hasReturns) {
      const auto beyond = CountersBeyond(runner_, returns, pass_.base.returns);
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
  if (env->FileExists(sales) && !pass_.settings.salesFromReceipts) {
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
    if (pass_.judgement.countersDelta && pass_.base.hasSales) {
      const auto beyond = CountersBeyond(runner_, sales, pass_.base.sales);
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
  KSImpBuf& target = ForDay(pass_.importDate);
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
