// The sales import: ELZAB's reading programs are run (or their outputs taken as they lie, in
// file mode), their outputs become one import buffer per sale date, and each buffer is
// stored as the host's import file and handed to the host.
#include <algorithm>
#include <memory>

#include "elzab/elxaction.h"
#include "exchange/KSImpBuf.h"
#include "hostlib/Exceptions.h"
#include "hostlib/TMFile.h"
#include "hostlib/TdtTools.h"
#include "hostlib/TxTools.h"
#include "hostlib/TxfTools.h"
#include "platform/Env.h"
#include "support/TLJWords.h"

namespace {

constexpr int kFnSales = 1;
constexpr int kFnSalesSorted = 2;
constexpr int kFnPackagingReturns = 3;
constexpr int kFnCounters = 4;
constexpr int kFnReceipts4 = 5;
constexpr int kFnReceipts5 = 6;
constexpr int kFnCashierStats = 7;
constexpr int kFnCashier = 8;
constexpr int kFnClock = 9;
constexpr int kFnPayments = 10;
constexpr char kStatus = '\x01';

// Reads the data lines ("$" first) of a program's output, one at a time, cut into columns.
// A file cut short is refused before anything of it is read.
class DataLines {
 public:
  DataLines(TrelvaxAction& action, const std::string& path) : file_(path) {
    action.CheckOutputComplete(path);
    file_.SetReadOnly(true);
    file_.Open();
  }
  // The next data line's columns; false at the end of the file.
  bool Next(TLJWords& columns) {
    std::string line;
    while (file_.ReadLine(line)) {
      ++line_;
      if (!line.empty() && line[0] == '$') {
        columns.Init(line.substr(1));
        return true;
      }
    }
    return false;
  }
  // The number of the line Next gave last, counted from 1.
  int Line() const { return line_; }
  void Close() { file_.Close(); }

 private:
  TMFile file_;
  int line_ = 0;
};

// A column that must hold an integer: anything else (an empty column too) is the
// conversion's error, which ends the import with the file left for the next one.
int IntColumn(TLJWords& columns, int index) {
  return TxTools::StrToInt(columns[index]);
}

double DecimalColumn(TLJWords& columns, int index) {
  return TxfTools::StrToDecimal(columns[index]);
}

// The register's date ("YY.MM.DD") and time ("HH:MM") as a day count.
double RegisterDateTime(const std::string& date, const std::string& time) {
  const std::string digits =
      TxTools::DeleteChars(TxTools::TrimSpaces(date) + TxTools::TrimSpaces(time), ".:");
  const std::string compressed = "20" + digits + "00000";
  double value = 0;
  if (!TdtTools::ParseCompressed(compressed, value)) {
    throw EConvertError("'" + date + " " + time + "' nie jest poprawną datą");
  }
  return value;
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
void ReadingOutput(TrelvaxAction& action, const std::string& path, Read read) {
  try {
    read();
  } catch (const EConvertError& e) {
    throw EConvertError(action.OutputError(path, e.Message()));
  }
}

bool IsTrueWord(const std::string& word) {
  return word == "1" || word == "t" || word == "T" || word == "y" || word == "Y";
}

}  // namespace

// ----- The operation ----------------------------------------------------------------------

void TrelvaxAction::Import() {
  // The programs write the register's texts in code page 852.
  tools.pltype_in = 0;
  tools.pltype_out = 2;
  LoadPackages();
  platform::Env* env = platform::CurrentEnv();
  auto leftovers = [&] {
    for (int function : {kFnSalesSorted, kFnPackagingReturns, kFnReceipts4, kFnReceipts5}) {
      if (env->FileExists(FNameFile(function, 2, false))) return true;
    }
    return false;
  };
  if (cfgPort == Tr("KSElzabSImportifcfgPort", "PLIK")) {
    if (!leftovers()) {
      throw Exception(Tr("KSElzabSImportExceptio",
                         "Ustawione złącze PLIK, a nie ma żadnych plików importowych!"));
    }
  } else {
    // A record of stored days without the outputs it describes is from an import whose
    // outputs were taken away by hand; it must not make the next one skip fresh sales.
    const bool left = leftovers();
    if (!left) env->RemoveFile(FNameStoredDays());
    if (left) {
      MsgAdd(Tr("KSElzabSImportMsgAdd",
                "Import z zaległych danych! Coś się nie udało przy ostatnim imporcie!"),
             LPV_Warning, 100);
      // The cashier's section is the register's state at the moment it is read, and the
      // read that follows gives it anew; a damaged one left by the failed run must not stop
      // every later import from taking in the sales it left behind.
      ImportFromFile(false);
      ImportSaveImpBufs();
      AfterImport();
      DeleteImpBufs();
    }
    CheckType(false);
    ImportFromECR();
  }
  ImportFromFile();
  ImportSaveImpBufs();
  AfterImport();
  DeleteImpBufs();
}

void TrelvaxAction::ImportFromECR() {
  struct Step {
    int function;
    const char* key;
    const char* text;
  };
  auto run = [this](const Step& step) {
    MsgAdd(Tr(step.key, step.text), LPV_None, 100);
    Execute(step.function);
    MsgS(LPV_Ok);
  };
  run({kFnCounters, "KSElzabSImportFrMsgAdd_00003", "Odczyt danych o sprzedaży ..."});
  if (cfgType == t_Sigma) {
    run({kFnClock, "KSElzabSImportFrMsgAdd_00004", "Odczyt aktualnego czasu na kasie ..."});
    run({kFnCashier, "KSElzabSImportFrMsgAdd_00005", "Odczyt danych o kasjerze ..."});
    run({kFnCashierStats, "KSElzabSImportFrMsgAdd_00006",
         "Odczyt danych statystycznych dla zalogowanego kasjera ..."});
    run({kFnPayments, "KSElzabSImportFrMsgAdd_00007", "Odczyt form płatności ..."});
  }
  if (cfgType != t_K10) {
    run({cfgSaleBufferType == 0 ? kFnReceipts4 : kFnReceipts5, "KSElzabSImportFrMsgAdd_00008",
         "Odczyt pozycji paragonowych ..."});
  }
}

void TrelvaxAction::ImportFromFile(bool cashierReports) {
  imp_buf = nullptr;
  imp_bufs.clear();
  // Outputs that the host has partly taken in are read again with the date they were first
  // read with, so that each day comes out as it did then.
  importDate = ParamAsDate("DataImportu");
  storedDays.clear();
  ReadStoredDays(importDate, storedDays);
  ImpBufsSubstitute(importDate);
  ImportFromFileSale();
  if (cashierReports) ImportFromFileCashierReports();
  ImportFromFilePaymentTypes();
  ImportFromFileReceipts();
}

void TrelvaxAction::ImpBufsSubstitute(double date) {
  const double day = TdtTools::DatePart(date);
  if (imp_buf != nullptr && TdtTools::DatePart(imp_buf->data) == day) return;
  for (const std::unique_ptr<KSImpBuf>& buf : imp_bufs) {
    if (buf != nullptr && TdtTools::DatePart(buf->data) == day) {
      imp_buf = buf.get();
      return;
    }
  }
  imp_bufs.push_back(std::make_unique<KSImpBuf>(this));
  imp_buf = imp_bufs.back().get();
  imp_buf->data = date;
  ImpBufSetStandardFlags();
}

void TrelvaxAction::ImpBufSetStandardFlags() {
  imp_buf->fisk_z_plu = true;
  imp_buf->nadpisz_fisk = false;
  imp_buf->nadpisz_plu = false;
  imp_buf->ident_barcode = false;
  imp_buf->doklej_plu = ParamAsInt("ElzabSTXDokPlu") == 1;
  imp_buf->par_szczeg = ParamAsInt("ElzabSTXReceipts") != 0;
}

void TrelvaxAction::ImportSaveImpBufs() {
  for (size_t i = 0; i < imp_bufs.size(); ++i) {
    KSImpBuf* buf = imp_bufs[i].get();
    if (buf == nullptr) continue;
    const double day = TdtTools::DatePart(buf->data);
    if (std::find(storedDays.begin(), storedDays.end(), day) != storedDays.end()) {
      MsgAdd(Tr("KSElzabSImportFrMsgAdd_Stored", "Zapis importu do bazy:") +
                 TdtTools::FormatDate(buf->data) + " (" + TdtTools::PolishWeekday(buf->data) +
                 Tr("KSElzabSImportFrMsgAdd_Stored1",
                    "): pominięty, baza przyjęła te dane przy poprzednim imporcie"),
             LPV_Warning, 0);
      continue;
    }
    imp_buf = buf;
    buf->Save(FNameKIMP(), false);
    bool receiptsSaved = false;
    if (i + 1 == imp_bufs.size() && cfgReceipts != 0) receiptsSaved = ImportSaveReceipts();
    tools.ArchiveFile(FNameKIMP(), FNameKARC(), GetLgLink(), false, -1, true, "");
    const bool content = buf->CountPlu() > 0 || receiptsSaved || buf->GetReceiptsCount() > 0 ||
                         buf->GetReceiptsOtherCount() > 0 || buf->Kas_IsActiveKasjerSection() ||
                         buf->payin > 0 || buf->payout > 0 || buf->bottles_turned > 0 ||
                         buf->bottles_saled != 0;
    ShowTotalValue(buf);
    if (content) {
      MsgAdd(Tr("KSElzabSImportFrMsgAdd_00002", "Zapis importu do bazy:") +
                 TdtTools::FormatDate(buf->data) + " (" + TdtTools::PolishWeekday(buf->data) + "):",
             LPV_None, 0);
      try {
        ZapiszKasaImp();
      } catch (...) {
        ZmienOstatniKomunikat(2, PodajOstatniKomunikat(true) + kStatus + "Błąd!");
        throw;
      }
      AddStoredDay(day);
    }
    imp_buf = nullptr;
  }
}

std::string TrelvaxAction::FNameStoredDays() {
  return WorkDir() + "zapisane.txt";
}

bool TrelvaxAction::ReadStoredDays(double& date, std::vector<double>& days) {
  const std::string path = FNameStoredDays();
  if (!platform::CurrentEnv()->FileExists(path)) return false;
  TMFile file(path);
  file.SetReadOnly(true);
  file.Open();
  std::string line;
  while (file.ReadLine(line)) {
    const size_t eq = line.find('=');
    double value = 0;
    if (eq == std::string::npos || !TdtTools::ParseHostDate(line.substr(eq + 1), value)) {
      line.clear();
      continue;
    }
    if (line.compare(0, eq, "DataImportu") == 0) date = value;
    if (line.compare(0, eq, "zapisano") == 0) days.push_back(TdtTools::DatePart(value));
    line.clear();
  }
  file.Close();
  return true;
}

void TrelvaxAction::AddStoredDay(double day) {
  const std::string path = FNameStoredDays();
  try {
    const bool fresh = !platform::CurrentEnv()->FileExists(path);
    TMFile file(path);
    file.Open();
    file.GotoEnd();
    if (fresh) file.WriteLine("DataImportu=" + TdtTools::FormatDate(importDate));
    file.WriteLine("zapisano=" + TdtTools::FormatDate(day));
    file.Close();
  } catch (const Exception&) {
    throw Exception(Tr("KSElzabSImportStoredExceptio",
                       "Baza przyjęła import, ale nie można tego zapisać w pliku ") +
                    path);
  }
  storedDays.push_back(day);
}

void TrelvaxAction::AfterImport() {
  platform::Env* env = platform::CurrentEnv();
  for (int function = kFnSales; function <= kFnReceipts5; ++function) {
    const std::string out = FNameFile(function, 2, false);
    if (env->FileExists(out)) {
      tools.ArchiveFile(out, FNameFile(function, 3, false), GetLgLink(), false, -1, true, "");
      env->RemoveFile(out);
    }
    const std::string in = FNameFile(function, 1, false);
    if (env->FileExists(in)) env->RemoveFile(in);
  }
  env->RemoveFile(FNameStoredDays());
  storedDays.clear();
}

void TrelvaxAction::DeleteImpBufs() {
  imp_buf = nullptr;
  for (std::unique_ptr<KSImpBuf>& buf : imp_bufs) buf.reset();
}

// ----- Sales counters -----------------------------------------------------------------------

double TrelvaxAction::FormatujIlosc(const std::string& text) {
  return TxfTools::ParseLeading(text) * 1000;
}

void TrelvaxAction::ImportFromFileSale() {
  platform::Env* env = platform::CurrentEnv();
  TLJWords columns("\t");
  const std::string returns = FNameFile(kFnPackagingReturns, 2, false);
  if (env->FileExists(returns) && cfgSaleSource == 0) {
    DataLines lines(*this, returns);
    MsgAdd(Tr("KSElzabSImportFrMsgAdd", " - analiza zwrotów opakowań"), LPV_Value, 100);
    double sum = 0;
    int counter = 0;
    while (lines.Next(columns)) {
      const std::string code = columns[0];
      if (!CounterLine(columns)) ThrowDamagedOutput(returns, lines.Line());
      const double quantity = FormatujIlosc(columns[1]);
      const double value = TxfTools::ParseLeading(columns[2]);
      if (quantity == 0 && value == 0) continue;
      imp_buf->AddToPlu(code, -quantity, -value, id_global);
      sum += value;
      MsgP(++counter);
    }
    lines.Close();
    imp_buf->AddBottlesTurned(sum);
  }
  const std::string sales = FNameFile(kFnSalesSorted, 2, false);
  if (env->FileExists(sales) && cfgSaleSource == 0) {
    DataLines lines(*this, sales);
    MsgAdd(Tr("KSElzabSImportFrMsgAdd_00001", " - analiza sprzedaży towarów/opakowań"), LPV_Value,
           100);
    int counter = 0;
    while (lines.Next(columns)) {
      const std::string code = columns[0];
      if (!CounterLine(columns)) ThrowDamagedOutput(sales, lines.Line());
      const double quantity = FormatujIlosc(columns[1]);
      const double value = TxfTools::ParseLeading(columns[2]);
      MsgP(++counter);
      if (packages != nullptr &&
          packages->count(TxTools::IntToStr(TxTools::StrToIntDef(code, 0))) != 0) {
        imp_buf->AddBottlesSaled(value);
      }
      imp_buf->AddPlu(code, quantity, value, id_global);
    }
    lines.Close();
  }
}

// ----- Cashier and payment forms --------------------------------------------------------------

void TrelvaxAction::ImportFromFileCashierReports() {
  platform::Env* env = platform::CurrentEnv();
  const std::string stats = FNameFile(kFnCashierStats, 2, false);
  if (!env->FileExists(stats)) return;
  TLJWords columns("\t");
  int cashier = 0;
  bool found = false;
  ReadingOutput(*this, stats, [&] {
    DataLines lines(*this, stats);
    MsgAdd(" - analiza statystyk kasjera", LPV_None, 100);
    imp_buf->Kas_ActiveKasjerSection();
    found = lines.Next(columns);
    if (!found) {
      lines.Close();
      return;
    }
    cashier = IntColumn(columns, 0);
    imp_buf->Kas_SetNumer(cashier);
    imp_buf->Kas_SetStankasy(DecimalColumn(columns, 1) + DecimalColumn(columns, 2) +
                             DecimalColumn(columns, 3) - DecimalColumn(columns, 4));
    imp_buf->Kas_SetZmstart(RegisterDateTime(columns[15], columns[16]));
    imp_buf->Kas_SetKarty(IntColumn(columns, 5));
    imp_buf->Kas_SetBony(IntColumn(columns, 8));
    imp_buf->Kas_SetCzeki(IntColumn(columns, 11));
    imp_buf->Kas_SetParagonow(IntColumn(columns, 18));
    imp_buf->Kas_SetIlStorno(IntColumn(columns, 19));
    imp_buf->Kas_SetWartStorno(IntColumn(columns, 26));
    lines.Close();
  });
  if (!found) {
    MsgS(LPV_Ok);
    return;
  }
  imp_buf->Kas_SetNazwisko("<nieznany kasjer>");
  const std::string names = FNameFile(kFnCashier, 2, false);
  if (env->FileExists(names)) {
    ReadingOutput(*this, names, [&] {
      DataLines lines(*this, names);
      while (lines.Next(columns)) {
        if (IntColumn(columns, 0) != cashier) continue;
        std::string name = TxTools::Trim(columns[1]);
        imp_buf->Kas_SetNazwisko(tools.plstring(name));
        break;
      }
      lines.Close();
    });
  }
  imp_buf->Kas_SetBiez(TdtTools::Now());
  const std::string clock = FNameFile(kFnClock, 2, false);
  if (env->FileExists(clock)) {
    ReadingOutput(*this, clock, [&] {
      DataLines lines(*this, clock);
      if (lines.Next(columns)) imp_buf->Kas_SetBiez(RegisterDateTime(columns[0], columns[1]));
      lines.Close();
    });
  }
  MsgS(LPV_Ok);
}

void TrelvaxAction::ImportFromFilePaymentTypes() {
  const std::string path = FNameFile(kFnPayments, 2, false);
  if (!platform::CurrentEnv()->FileExists(path)) {
    for (int32_t& dated : paymentHasDate) dated = 0;
    return;
  }
  DataLines lines(*this, path);
  MsgAdd(" - analiza form płatności", LPV_None, 100);
  TLJWords columns("\t");
  for (int form = 0; form < 7 && lines.Next(columns); ++form) {
    // The register numbers its forms; a line without a number is not one it wrote, and its
    // date flag cannot be trusted either.
    int number = 0;
    if (!TxTools::TryStrToInt(TxTools::Trim(columns[0]), number)) {
      ThrowDamagedOutput(path, lines.Line());
    }
    paymentHasDate[form] = IsTrueWord(columns[6]) ? 1 : 0;
  }
  lines.Close();
  MsgS(LPV_Ok);
}
