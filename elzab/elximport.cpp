#include "elzab/elximport.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <typeinfo>

#include "elzab/elxconfig.h"
#include "elzab/elxcounters.h"
#include "elzab/elxdates.h"
#include "elzab/elxfunctions.h"
#include "elzab/elxpackages.h"
#include "elzab/elxregister.h"
#include "elzab/elxrunner.h"
#include "elzab/elxsession.h"
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
#include "support/TLTools.h"

namespace {

// A column that must hold an integer: anything else (an empty column too) is the
// conversion's error, which ends the import with the file left for the next one.
int IntColumn(TLJWords& columns, int index) {
  return TxTools::StrToInt(columns[index]);
}

double DecimalColumn(TLJWords& columns, int index) {
  return TxfTools::StrToDecimal(columns[index]);
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

ElzabImport::ElzabImport(ElzabSession& session, ElzabRunner& runner, const ElzabConfig& config,
                         ElzabRegister& ecr, ElzabPackages& packages)
    : session_(session),
      runner_(runner),
      config_(config),
      register_(ecr),
      packages_(packages),
      recovery_(session, runner, config) {}

ElzabImport::~ElzabImport() = default;

PassSettings ElzabImport::ParameterSettings() const {
  return {config_.cfgSaleSource != 0, config_.cfgReceipts != 0, config_.cfgSaleBufferFV};
}

void ElzabImport::Begin(double importDate) {
  importDate_ = importDate;
  cashierOwed_ = leftoversHanded_ = false;
  imp_bufs_.clear();
  carriedOnly_.clear();
  receiptsText_.clear();
  recovery_.Begin();
}

void ElzabImport::ReadOutputs(const ImportPass& pass) {
  // The programs write the register's texts in code page 852.
  TLTools::CodePages fromRegister(session_.Tools(), TLTools::plCp852, TLTools::plCp1250);
  Begin(pass.importDate);
  pass_ = pass;
  RunReaders(true);
}

bool ElzabImport::PaymentHasDate(int form) const {
  return form >= 0 && form < 7 && paymentHasDate_[form];
}

void ElzabImport::SetPaymentHasDate(int form, bool dated) {
  if (form >= 0 && form < 7) paymentHasDate_[form] = dated;
}

bool ElzabImport::LeftoversLie() const {
  for (int function : ElzabFunctionsWith(roleLeftover)) {
    if (platform::CurrentEnv()->FileExists(runner_.FNameFile(function, 2, false))) return true;
  }
  return false;
}

void ElzabImport::Import(double importDate) {
  // The programs write the register's texts in code page 852.
  TLTools::CodePages fromRegister(session_.Tools(), TLTools::plCp852, TLTools::plCp1250);
  // Packaging sold and returned is told from goods by the list the exports keep.
  packages_.Load();
  Begin(importDate);
  readsRegister_ = !config_.cfgFileMode;
  const bool left = LeftoversLie();
  if (!readsRegister_ && !left) {
    throw Exception(ElzabText("KSElzabSImportExceptio",
                              "Ustawione złącze PLIK, a nie ma żadnych plików importowych!"));
  }
  if (readsRegister_) {
    if (left) {
      ImportLeftovers();
    } else {
      recovery_.SettleUnfinished();
    }
    try {
      ReadAndHandOver();
    } catch (const Exception& e) {
      // After the leftovers went over, an error that says nothing was imported would make a
      // person import them again by hand.
      std::string text = e.Message();
      if (!leftoversHanded_ || typeid(e) != typeid(Exception) || !LeftoversSaid(text)) throw;
      throw Exception(text);
    }
  } else {
    ImportFromFile();
    ImportSaveImpBufs();
  }
  AfterImport(true);
  DeleteImpBufs();
}

bool ElzabImport::LeftoversSaid(std::string& text) {
  const struct {
    const char* key;
    const char* nothing;
    const char* leftoversKey;
    const char* leftovers;
  } kSaid[] = {
      {"KSElzabSNothingImported", "nic nie zostało zaimportowane", "KSElzabSLeftoversImported",
       "zaległe dane poprzedniego importu zostały zaimportowane, nowy odczyt kasy nie"},
      {"KSElzabSNothingImported_00001", "Nic nie zostało zaimportowane",
       "KSElzabSLeftoversImported_00001",
       "Zaległe dane poprzedniego importu zostały zaimportowane, nowy odczyt kasy nie"},
  };
  bool said = false;
  for (const auto& s : kSaid) {
    const std::string nothing = ElzabText(s.key, s.nothing);
    const std::string leftovers = ElzabText(s.leftoversKey, s.leftovers);
    for (size_t at = text.find(nothing); at != std::string::npos;
         at = text.find(nothing, at + leftovers.size())) {
      text.replace(at, nothing.size(), leftovers);
      said = true;
    }
  }
  return said;
}

void ElzabImport::ReadAndHandOver() {
  register_.CheckType(false);
  // A K10 keeps no receipt buffer: with the sales taken from one, its counters would be read,
  // left out and archived, and the host told the day had none, a day the daily report
  // then clears for good.
  if (register_.cfgType() == t_K10 && config_.cfgSaleSource != 0) {
    throw Exception(ElzabText("KSElzabSImportK10Exceptio",
                              "Kasa K10 nie ma bufora paragonów, a parametr \"Źródło danych o "
                              "sprzedaży\" wskazuje bufor paragonów: ustaw \"Liczniki sprzedaży\" "
                              "(nic nie zostało zaimportowane)"));
  }
  recovery_.Identify(register_.ModelName(), register_.RegisterNumber());
  ImportFromECR();
  ImportFromFile();
  ImportSaveImpBufs();
  // What the host now has of the register is kept before the outputs go, for every import
  // that reads it again: until its daily report it still holds all of that.
  recovery_.WriteHandedOver(pass_);
}

void ElzabImport::ImportLeftovers() {
  const ReadNote note = recovery_.CheckLeftovers();
  session_.MsgAdd(ElzabText("KSElzabSImportMsgAdd",
                            "Import z zaległych danych! Coś się nie udało przy ostatnim imporcie!"),
                  LPV_Warning, 100);
  // The cashier's section is the register's state at the moment it is read, and the read that
  // follows gives it anew; a damaged one left by the failed run must not stop every later
  // import from taking in the sales it left behind.
  // A Sigma's receipts need the register's payment forms, which tell the payments that carry
  // a date: when the failed read left none (a damaged one moved away), they are read now
  // rather than the receipts handed over without them.
  if (note.model == t_Sigma &&
      !platform::CurrentEnv()->FileExists(runner_.FNameFile(fnReadPayments, 2, false))) {
    session_.MsgAdd(ElzabText("KSElzabSImportFrMsgAdd_00007", "Odczyt form płatności ..."),
                    LPV_None, 100);
    runner_.Execute(fnReadPayments);
    session_.MsgS(LPV_Ok);
  }
  ImportFromFile(false);
  cashierOwed_ = true;
  ImportSaveImpBufs();
  leftoversHanded_ = !recovery_.Stored().Empty();
  recovery_.WriteHandedOver(pass_);
  AfterImport(false);
  DeleteImpBufs();
}

void ElzabImport::ImportFromECR() {
  struct Step {
    int function;
    const char* key;
    const char* text;
  };
  auto run = [this](const Step& step) {
    session_.MsgAdd(ElzabText(step.key, step.text), LPV_None, 100);
    runner_.Execute(step.function);
    session_.MsgS(LPV_Ok);
  };
  // The cashier's outputs stay after an import, but they describe the register that wrote
  // them as it was then: a Sigma reads them anew below, and no other model writes them, so
  // one found now is another register's (a second device left with this directory) and its
  // cashier must not be booked to this one.
  for (int function : ElzabFunctionsWith(roleCashierRead)) {
    const std::string out = runner_.FNameFile(function, 2, false);
    if (platform::CurrentEnv()->FileExists(out)) workfiles::RemoveOrFail(out);
  }
  // The buffer is read as the host's share of it was, to tell where that ends; read by
  // another method, it would seem cleared. With the method changed since, it is read by the
  // new one too, which is what goes over should the daily report have closed the day.
  const int wanted = ElzabReceiptsFunction(config_.cfgSaleBufferType);
  const int held = register_.cfgType() != t_K10 ? recovery_.BaseReceiptsFunction() : 0;
  recovery_.NoteRead(register_.cfgType(), held != 0 && held != wanted ? held : 0);
  run({fnCounters, "KSElzabSImportFrMsgAdd_00003", "Odczyt danych o sprzedaży ..."});
  if (register_.cfgType() == t_Sigma) {
    run({fnClock, "KSElzabSImportFrMsgAdd_00004", "Odczyt aktualnego czasu na kasie ..."});
    run({fnCashier, "KSElzabSImportFrMsgAdd_00005", "Odczyt danych o kasjerze ..."});
    run({fnCashierStats, "KSElzabSImportFrMsgAdd_00006",
         "Odczyt danych statystycznych dla zalogowanego kasjera ..."});
    run({fnReadPayments, "KSElzabSImportFrMsgAdd_00007", "Odczyt form płatności ..."});
  }
  if (register_.cfgType() != t_K10) {
    for (int function : {held != 0 ? held : wanted, held != 0 && held != wanted ? wanted : 0}) {
      if (function != 0) {
        run({function, "KSElzabSImportFrMsgAdd_00008", "Odczyt pozycji paragonowych ..."});
      }
    }
  }
}

void ElzabImport::ImportFromFile(bool cashierReports) {
  imp_bufs_.clear();
  carriedOnly_.clear();
  // A pass hands the host only what it read itself.
  receiptsText_.clear();
  pass_ = recovery_.SettlePass(importDate_, ParameterSettings(), readsRegister_);
  // The register recorded nothing since the host was given its day: no file to store. A
  // Sigma's cashier section is left out too, since it only moves with what the register
  // records; unless this import's pass over a failed read's outputs left it to this read.
  // Then the readers run as ever: every file of a day carries its whole packaging.
  const bool cashierDue = cashierReports && cashierOwed_ && register_.cfgType() == t_Sigma;
  if (pass_.judgement.nothingNew && !cashierDue) {
    session_.MsgAdd(ElzabText("KSElzabSHandedNothingMsgAdd",
                              "Kasa nie zarejestrowała niczego nowego od poprzedniego importu: "
                              "do bazy nie ma czego zapisać"),
                    LPV_None, 0);
    return;
  }
  RunReaders(cashierReports);
}

void ElzabImport::RunReaders(bool cashierReports) {
  ForDay(pass_.importDate);
  ImportFromFileSale();
  if (cashierReports) ImportFromFileCashierReports();
  ImportFromFilePaymentTypes();
  ImportFromFileReceipts();
  CarryPackaging();
}

void ElzabImport::CarryPackaging() {
  // Each file of a sale date overwrites the host's packaging totals of that date: a file of a
  // date the host has a file of carries that file's totals on, the new packaging added. So
  // does a file after a daily report that closed the register day the earlier one was of.
  carriedOnly_.clear();
  if (!pass_.hasBase || !pass_.base.packaging) return;
  for (const std::unique_ptr<KSImpBuf>& buf : imp_bufs_) {
    if (buf == nullptr) continue;
    // A file with nothing of its own is not handed over: the host's totals stand as they are.
    // It carries them all the same: it is what the host has of its date, also when an earlier
    // import took it in from these very outputs.
    if (!buf->HasContent()) carriedOnly_.insert(buf.get());
    auto it = pass_.base.packaging->find(TdtTools::DatePart(buf->data));
    if (it == pass_.base.packaging->end()) continue;
    buf->AddBottlesSaled(it->second.sold);
    buf->AddBottlesTurned(it->second.returned);
  }
}

bool ElzabImport::CarriesSkippedPackaging() const {
  // A record of an older driver does not say which date its packaging went under: the lines
  // the host has carry theirs, as that driver's did.
  return pass_.hasBase && !pass_.base.packaging;
}

KSImpBuf* ElzabImport::FindDay(double date) {
  const double day = TdtTools::DatePart(date);
  for (const std::unique_ptr<KSImpBuf>& buf : imp_bufs_) {
    if (buf != nullptr && TdtTools::DatePart(buf->data) == day) return buf.get();
  }
  return nullptr;
}

KSImpBuf& ElzabImport::ForDay(double date) {
  if (KSImpBuf* buf = FindDay(date)) return *buf;
  imp_bufs_.push_back(std::make_unique<KSImpBuf>(&session_));
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
    const ReadSummary::Packaging packaging{buf->bottles_saled, buf->bottles_turned};
    if (recovery_.Stored().Has(day)) {
      pass_.booked[day] = packaging;
      session_.MsgAdd(ElzabText("KSElzabSImportFrMsgAdd_Stored", "Zapis importu do bazy:") +
                          TdtTools::FormatDate(buf->data) + " (" +
                          TdtTools::PolishWeekday(buf->data) +
                          ElzabText("KSElzabSImportFrMsgAdd_Stored1",
                                    "): pominięty, baza przyjęła te dane przy poprzednim imporcie"),
                      LPV_Warning, 0);
      continue;
    }
    buf->Save(session_.FNameKIMP(), false);
    bool receiptsSaved = false;
    if (i + 1 == imp_bufs_.size() && pass_.settings.receipts) receiptsSaved = ImportSaveReceipts();
    session_.Tools().ArchiveFile(session_.FNameKIMP(), session_.FNameKARC(), session_.GetLgLink(),
                                 false, -1, true, "");
    const bool content = (buf->HasContent() && carriedOnly_.count(buf) == 0) || receiptsSaved;
    session_.ShowTotalValue(buf);
    if (content) {
      session_.MsgAdd(ElzabText("KSElzabSImportFrMsgAdd_00002", "Zapis importu do bazy:") +
                          TdtTools::FormatDate(buf->data) + " (" +
                          TdtTools::PolishWeekday(buf->data) + "):",
                      LPV_None, 0);
      // The day is noted as being handed over right before the host is asked, not before the
      // line above: should the host die inside the store, or the note after it fail, the next
      // import knows that the host may have it; a host that dies while it shows the line has
      // not been asked, and the next import hands the day over without asking a person.
      try {
        // A part of a register day the host has an earlier part of.
        const bool later = pass_.hasBase && !pass_.base.Empty() && !pass_.judgement.closed;
        recovery_.Stored().Mark(day, buf->GetTotalValue() / 100, later);
      } catch (...) {
        session_.SetLastLineStatus(2, "Błąd!");
        throw;
      }
      try {
        session_.ZapiszKasaImp();
      } catch (...) {
        // Refused: the host does not have the day.
        recovery_.Stored().Unmark();
        session_.SetLastLineStatus(2, "Błąd!");
        throw;
      }
      // Before anything else reaches the host: a host that dies from here on has the day.
      recovery_.Stored().Add(day);
      pass_.booked[day] = packaging;
    }
  }
  // The receipts went with the last buffer, or that buffer was taken in before and they
  // with it: either way none of them is to be handed over again.
  receiptsText_.clear();
}

void ElzabImport::AfterImport(bool last) {
  platform::Env* env = platform::CurrentEnv();
  std::string stuck;
  for (int function : ElzabFunctionsWith(roleSalesRead)) {
    const std::string out = runner_.FNameFile(function, 2, false);
    if (env->FileExists(out)) {
      session_.Tools().ArchiveFile(out, runner_.FNameFile(function, 3, false), session_.GetLgLink(),
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
    if (!recovery_.Stored().Empty()) {
      text += ElzabText("KSElzabSAfterImpExceptio_00001",
                        " (baza przyjęła już te dane; następny import pominie ten plik)");
    }
    throw Exception(text);
  }
  recovery_.OutputsGone(last);
}

void ElzabImport::DeleteImpBufs() {
  carriedOnly_.clear();
  for (std::unique_ptr<KSImpBuf>& buf : imp_bufs_) buf.reset();
  receiptsText_.clear();
}

// ----- Sales counters -----------------------------------------------------------------------

double ElzabImport::FormatujIlosc(const std::string& text) {
  return CounterQuantity(text);
}

void ElzabImport::ImportFromFileSale() {
  KSImpBuf& target = ForDay(pass_.importDate);
  platform::Env* env = platform::CurrentEnv();
  // Beyond what the host has, a code's counters go over as one line: what it has of a code is
  // already in its books.
  const ReadSummary* base = pass_.judgement.countersDelta ? &pass_.base : nullptr;
  const std::string returns = runner_.FNameFile(fnPackagingReturns, 2, false);
  if (env->FileExists(returns) && !pass_.settings.salesFromReceipts) {
    double sum = 0;
    int counter = 0;
    auto add = [&](const std::string& code, double quantity, double value) {
      if (quantity == 0 && value == 0) return;
      target.AddToPlu(code, -quantity, -value, id_global);
      sum += value;
      session_.MsgP(++counter);
    };
    const bool beyond = base != nullptr && base->hasReturns;
    // The file is checked whole before anything of it goes to the list.
    const CounterSums sums = beyond ? SumCounters(runner_, returns, &base->returns) : CounterSums();
    if (!beyond) runner_.CheckOutputComplete(returns);
    session_.MsgAdd(ElzabText("KSElzabSImportFrMsgAdd", " - analiza zwrotów opakowań"), LPV_Value,
                    100);
    if (beyond) {
      for (const auto& [code, s] : sums) add(code, s.quantity, s.value);
      if (CarriesSkippedPackaging()) {
        for (const auto& [code, s] : base->returns) sum += s.value;
      }
    } else {
      ReadCounters(runner_, returns, add);
    }
    target.AddBottlesTurned(sum);
  }
  const std::string sales = runner_.FNameFile(fnSalesSorted, 2, false);
  if (env->FileExists(sales) && !pass_.settings.salesFromReceipts) {
    int counter = 0;
    auto add = [&](const std::string& code, double quantity, double value) {
      session_.MsgP(++counter);
      if (packages_.Contains(TxTools::IntToStr(TxTools::StrToIntDef(code, 0)))) {
        target.AddBottlesSaled(value);
      }
      target.AddPlu(code, quantity, value, id_global);
    };
    const bool beyond = base != nullptr && base->hasSales;
    const CounterSums sums = beyond ? SumCounters(runner_, sales, &base->sales) : CounterSums();
    if (!beyond) runner_.CheckOutputComplete(sales);
    session_.MsgAdd(
        ElzabText("KSElzabSImportFrMsgAdd_00001", " - analiza sprzedaży towarów/opakowań"),
        LPV_Value, 100);
    if (beyond) {
      for (const auto& [code, s] : sums) {
        if (s.quantity != 0 || s.value != 0) add(code, s.quantity, s.value);
      }
      for (const auto& [code, s] : base->sales) {
        if (CarriesSkippedPackaging() &&
            packages_.Contains(TxTools::IntToStr(TxTools::StrToIntDef(code, 0)))) {
          target.AddBottlesSaled(s.value);
        }
      }
    } else {
      ReadCounters(runner_, sales, add);
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
    session_.MsgAdd(" - analiza statystyk kasjera", LPV_None, 100);
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
    session_.MsgS(LPV_Ok);
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
        target.Kas_SetNazwisko(session_.Tools().plstring(name));
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
  session_.MsgS(LPV_Ok);
}

void ElzabImport::ImportFromFilePaymentTypes() {
  const std::string path = runner_.FNameFile(fnReadPayments, 2, false);
  if (!platform::CurrentEnv()->FileExists(path)) {
    for (bool& dated : paymentHasDate_) dated = false;
    return;
  }
  OutputLines lines(runner_, path);
  session_.MsgAdd(" - analiza form płatności", LPV_None, 100);
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
  session_.MsgS(LPV_Ok);
}
