#include "elzab/elxexport.h"

#include <memory>
#include <utility>

#include "elzab/elxconfig.h"
#include "elzab/elxexpbuf.h"
#include "elzab/elxfunctions.h"
#include "elzab/elxpackages.h"
#include "elzab/elxregister.h"
#include "elzab/elxrunner.h"
#include "elzab/elxsession.h"
#include "elzab/elxtext.h"
#include "hostlib/Exceptions.h"
#include "hostlib/TMFile.h"
#include "hostlib/TxTools.h"
#include "hostlib/TxfTools.h"
#include "platform/Env.h"
#include "plugin/KSAction.h"
#include "support/TLTools.h"

namespace {

constexpr int kGroups = 99;
constexpr int kGroupName = 19;
constexpr int kUnits = 16;
constexpr int kUnitName = 4;

// A tab or another control character inside a field of a tab-separated record would shift
// every later field (a price could be programmed from the wrong column): it goes as a space.
std::string FieldText(std::string text) {
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  }
  return text;
}

std::string LeftPadded(const std::string& text, size_t width) {
  return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

// The register's goods groups run from 1 to 99; anything else goes to group 1.
int RegisterGroup(int group) {
  return group >= 1 && group <= kGroups ? group : 1;
}

// The goods record's two flags, as "ElzabSTXProductFlag" says what they carry: the open price
// alone (0), the discount ban and the open price (1), or nothing and the open price.
void ProductFlags(const KSTowRec& rec, int productFlag, const char*& flagA, const char*& flagB) {
  const char* openPrice = rec.cena_otwarta ? "0" : "1";
  switch (productFlag) {
    case 0:
      flagA = openPrice;
      flagB = "0";
      break;
    case 1:
      flagA = rec.dod_rabat_tow != 0 ? "0" : "1";
      flagB = openPrice;
      break;
    default:
      flagA = "0";
      flagB = openPrice;
      break;
  }
}

struct PaymentLine {
  const char* key;  // null: not translated
  const char* line;
};

constexpr PaymentLine kPaymentsK10[] = {
    {nullptr, "$1\tGOTÓWKA\r\n"},
    {"zabSSendPaymdataAnsiStri", "$2\tKARTA\r\n"},
    {"zabSSendPaymdataAnsiStri_00001", "$3\tBON\r\n"},
    {"zabSSendPaymdataAnsiStri_00002", "$4\tCZEK\r\n"},
    {"zabSSendPaymdataAnsiStri_00003", "$5\tINNA\r\n"},
};

constexpr const char* kPaymentsSigma =
    "$2\tKARTA        \t2\t0\t0\r\n"
    "$3\tBON          \t2\t0\t0\r\n"
    "$4\tCZEK         \t2\t0\t0\r\n"
    "$5\tINNA         \t2\t0\t0\r\n"
    "$6\t             \t1\t0\t0\r\n"
    "$7\t             \t1\t0\t0\r\n";

constexpr const char* kPaymentsOnline =
    "$2\tKARTA        \t2\t0\t0\r\n"
    "$3\tBON          \t4\t0\t0\r\n"
    "$4\tCZEK         \t5\t0\t0\r\n"
    "$5\tINNA         \t10\t0\t0\r\n"
    "$6\t             \t1\t0\t0\r\n"
    "$7\t             \t1\t0\t0\r\n";

}  // namespace

ElzabExport::ElzabExport(ElzabSession& session, ElzabExportReports& reports, ElzabRunner& runner,
                         const ElzabConfig& config, ElzabRegister& ecr, ElzabPackages& packages)
    : session_(session),
      reports_(reports),
      runner_(runner),
      config_(config),
      register_(ecr),
      packages_(packages) {}

ElzabExport::~ElzabExport() = default;

void ElzabExport::OpenLog() {
  logError_ = std::make_unique<TErrorLog>(runner_.FNameERL());
}

void ElzabExport::CloseLog() {
  logError_.reset();
}

TrelvaxExpBuf* ElzabExport::ExpBuf() const {
  return buffer_;
}

void ElzabExport::UseBuffer(TrelvaxExpBuf* buffer) {
  buffer_ = buffer;
  reports_.SetExpBuf(buffer);
}

// ----- The operation ----------------------------------------------------------------------

void ElzabExport::Eksport() {
  if (config_.cfgFileMode) {
    throw Exception(ElzabText("KSElzabSEksportExceptio",
                              "Ustawione złącze PLIK. Kasa nie obsługuje eksportu do pliku!"));
  }
  OpenLog();
  // The register's texts are code page 852.
  TLTools::CodePages towardsRegister(session_.Tools(), TLTools::plCp1250, TLTools::plCp852);
  auto buffer = std::make_unique<TrelvaxExpBuf>(&session_);
  UseBuffer(buffer.get());
  // The buffer and the log live for this operation only, whichever way it ends.
  struct Release {
    ElzabExport* self;
    ~Release() {
      self->UseBuffer(nullptr);
      self->CloseLog();
    }
  } release{this};

  const std::string warningsHeader = "WYSTĄPIŁY JAKIEŚ BŁĘDY, A JEST ICH ";
  try {
    buffer->ReadFromFile(session_.FNameKEXP(), false, -1);
    if (buffer->il_rec == 0) {
      session_.MsgAdd(ElzabText("KSElzabSEksportMsgAdd",
                                "Nie ma towarów do wysłania - zrezygnowano z połączenia z kasą"),
                      LPV_None, 100);
      return;
    }
    register_.CheckType(false);
    register_.GetVatFromECR();
    packages_.Delete();
    packages_.Load();
    SendAssorts();
    SendUnitTable();
    SendEuro();
    SendPayments();
    SendItems();
    TLTools::CodePages fromRegister(session_.Tools(), TLTools::plCp852, TLTools::plCp1250);
    buffer->ZapiszWynikEksp(session_.FNameWEXP());
    session_.ZapiszWynikEksportu();
    AfterExport();
  } catch (...) {
    // The goods withdrawn or refused before the failure are named too: they are what a
    // technician looks for first.
    reports_.LogWarnings(logError_.get(), warningsHeader, "", LPV_Error);
    throw;
  }
  reports_.LogWarnings(logError_.get(), warningsHeader, "", LPV_Error);
}

// ----- Goods ------------------------------------------------------------------------------

void ElzabExport::SendItems() {
  if (config_.cfgTransmission == 3) {
    session_.MsgAdd(ElzabText("KSElzabSSendItemMsgAdd", "Kasowanie wszystkich towarów na kasie..."),
                    LPV_None, 100);
    runner_.Execute(fnDeleteAll);
    session_.MsgS(LPV_Ok);
  }
  session_.MsgAdd(ElzabText("KSElzabSSendItemMsgAdd_00001", "Przygotowanie rekordów towarów..."),
                  LPV_Ok, 100);
  reports_.ShowTowInfo(true);
  Batches batches = PrepareBatches();
  session_.MsgAdd(ElzabText("KSElzabSSendItemMsgAdd_00003", "Transmisja towarów"), LPV_None, 100);
  // Each batch's text goes to its program input file as it is, without a copy of megabytes.
  SendBatch(fnSendPrices, std::move(batches.prices), "KSElzabSSendItemMsgAdd_00004",
            "- transmisja zmiany cen ...");
  SendBatch(fnDeleteGoods, std::move(batches.deletions), "KSElzabSSendItemMsgAdd_00005",
            "- transmisja usuwania ...");
  SendBatch(fnSendGoods, std::move(batches.additions), "KSElzabSSendItemMsgAdd_00006",
            "- transmisja aktualizacji / dodawania ...");
}

ElzabExport::Batches ElzabExport::PrepareBatches() {
  TrelvaxExpBuf* buf = ExpBuf();
  const int count = buf->ds_plu.RecordCount();
  session_.MsgAdd(ElzabText("KSElzabSSendItemMsgAdd_00002", "Analiza rekordów towarów..."),
                  LPV_Percent, count);
  Batches batches;
  try {
    KSTowRec rec;
    for (int row = 0; row < count; ++row) {
      buf->CzytajRec(row, &rec);
      PrepareItemsRec(&rec);
      buf->ZapiszRec(rec.nr_buf, &rec);
      session_.MsgP(row + 1);
      runner_.ThrowPrzerwac();
      // Collected in the same pass, in row order: each batch is one program input.
      if (rec.koldod != 0) continue;
      switch (rec.status) {
        case stCen:
          batches.prices += rec.plu_rec;
          break;
        case stUsu:
          batches.deletions += rec.plu_rec;
          break;
        case stDod:
        case stAkt:
          batches.additions += rec.plu_rec;
          break;
        default:
          break;
      }
    }
  } catch (...) {
    session_.MsgS(LPV_Error);
    throw;
  }
  return batches;
}

void ElzabExport::SendBatch(int function, std::string text, const char* key, const char* progress) {
  if (text.empty()) return;
  session_.MsgAdd(ElzabText(key, progress), LPV_Value, 100);
  runner_.WriteInFile(runner_.FNameFile(function, 1, false), std::move(text));
  // The list of refused goods must be this run's: an earlier failed export may have left one.
  platform::CurrentEnv()->RemoveFile(runner_.FNameFile(function, 2, false));
  try {
    runner_.Execute(function);
  } catch (...) {
    if (function == fnSendGoods) {
      session_.MsgS(LPV_Error);
      // The goods the register took before the failure are marked for the record; when the run
      // left nothing to read that by, the run's own error is the one to show.
      try {
        MarkRecTrOk(fnSendGoods, true);
      } catch (const Exception&) {
      }
    }
    throw;
  }
  session_.MsgS(LPV_Ok);
  MarkRecTrOk(function, false);
}

void ElzabExport::PrepareItemsRec(KSTowRec* rec) {
  if (rec->koldod != 0) {
    rec->status = stNull;
    return;
  }
  const std::string plu = TxTools::IntToStr(rec->plu);
  if (rec->plu > register_.cfgPLUMax()) {
    reports_.AddWarning(
        "PLU: " + plu + ElzabText("areItempAnsiStriIntToStr", "; KOD: ") + rec->kod +
            ElzabText("eItempAnsiStri_towreckod", " Towar ma za duży kod PLU (maksymalnie ") +
            TxTools::IntToStr(register_.cfgPLUMax()) + ")",
        logError_.get());
    rec->status = stNull;
    return;
  }
  if (rec->status == stUsu) {
    rec->plu_rec = "$" + plu + "\r\n";
    return;
  }
  if (rec->status == stNull) return;

  const std::string name = FieldText(TLTools::StrMax(rec->nazwa, register_.cfgNameMax(), false));
  const int slot = register_.VatLetter(rec->stawkaPrec);
  if (slot == 999) {
    reports_.AddWarning(
        "PLU: " + plu + ElzabText("areItempAnsiStriIntToStr_00001", "; KOD: ") + rec->kod +
            ElzabText("eItempAnsiStri_towreckod_00001", " Brak stawki ") +
            TxTools::IntToStr(rec->stawka) + ElzabText("areItempAnsiStriAnsiStri", " % na kasie"),
        logError_.get());
    rec->status = stNull;
    return;
  }
  std::string code = rec->kod;
  if (rec->czy_wazony) code = TxTools::DeleteChars(code, "?");
  const std::string price =
      TxfTools::Format(TxfTools::Round(rec->CenaAkt(config_.cfgPoziomCen), 0), 0);
  const char* flagA;
  const char* flagB;
  ProductFlags(*rec, config_.cfgProductFlag, flagA, flagB);
  if (rec->opakowanie && !packages_.Contains(plu)) packages_.Write(plu);

  rec->plu_rec = "$" + plu + "\t" + name + "\t" + TxTools::IntToStr(slot) + "\t" +
                 TxTools::IntToStr(RegisterGroup(rec->nr_asort)) + "\t" +
                 TxTools::IntToStr(rec->precyzja < 0 ? 3 : rec->precyzja) + "\t" +
                 TxTools::IntToStr(rec->jedn) + "\t0\t" + FieldText(code) + "\t" + price + "\t" +
                 (rec->opakowanie ? "1" : "0") + "\t" + flagA + "\t" + flagB + "\t0\t1\t \t" +
                 TxTools::IntToStr(rec->plu_opakowania) + "\r\n";
}

void ElzabExport::MarkRecTrOk(int function, bool afterError) {
  TrelvaxExpBuf* buf = ExpBuf();
  const int count = buf->ds_plu.RecordCount();
  KSTowRec rec;
  if (function == fnSendPrices || function == fnDeleteGoods) {
    const stTow wanted = function == fnSendPrices ? stCen : stUsu;
    for (int row = 0; row < count; ++row) {
      buf->CzytajRec(row, &rec);
      if (rec.koldod == 0 && rec.status == wanted) buf->SetTrOk(row, true);
    }
    return;
  }
  if (function != fnSendGoods) return;

  int stoppedAt = 0;
  std::set<std::string> rejected;
  if (afterError) {
    stoppedAt = runner_.CheckReportFileErrorPLU();
    rejected = CheckZBPTOWARFileErrorPLU();
  }
  for (int row = 0; row < count; ++row) {
    buf->CzytajRec(row, &rec);
    if (rec.koldod != 0 || (rec.status != stDod && rec.status != stAkt)) continue;
    if (afterError && rec.plu == stoppedAt) {
      reports_.AddWarning(
          "PLU: " + TxTools::IntToStr(rec.plu) + ElzabText("RecTtempAnsiStriIntToStr", "; KOD: ") +
              rec.kod +
              ElzabText("ecTtempAnsiStritowreckod", " Towar spowodował zatrzymanie transmisji"),
          logError_.get());
      break;
    }
    buf->SetTrOk(row, true);
  }
  if (!rejected.empty()) {
    for (int row = 0; row < count; ++row) {
      buf->CzytajRec(row, &rec);
      if (rec.koldod == 0 && (rec.status == stDod || rec.status == stAkt) &&
          rejected.count(TxTools::IntToStr(rec.plu)) != 0) {
        buf->SetTrOk(row, false);
      }
    }
  }
}

void ElzabExport::AfterExport() {
  platform::Env* env = platform::CurrentEnv();
  for (const ElzabFunction& f : ElzabFunctions()) {
    if ((f.roles & roleExportCleans) == 0) continue;
    const std::string in = runner_.FNameFile(f.number, 1, false);
    if (env->FileExists(in)) {
      if ((f.roles & roleExportArchives) != 0) {
        session_.Tools().ArchiveFile(in, runner_.FNameFile(f.number, 3, false),
                                     session_.GetLgLink(), true, -1, true, "");
      }
      env->RemoveFile(in);
    }
    // A failed import's outputs are what the next import hands the host (or, by the record
    // beside them, knows it has handed over already): an export between must leave them.
    if ((f.roles & roleLeftover) != 0) continue;
    const std::string out = runner_.FNameFile(f.number, 2, false);
    if (env->FileExists(out)) env->RemoveFile(out);
  }
}

// ----- Tables -----------------------------------------------------------------------------

void ElzabExport::SendTable(int function, const char* key, const char* progress,
                            const std::string& text) {
  session_.MsgAdd(ElzabText(key, progress), LPV_None, 100);
  runner_.WriteInFile(runner_.FNameFile(function, 1, false), text);
  runner_.Execute(function);
  session_.MsgS(LPV_Ok);
  runner_.ThrowPrzerwac();
}

void ElzabExport::SendAssorts() {
  TrelvaxExpBuf* buf = ExpBuf();
  bool used[kGroups + 1] = {};
  std::string text;
  KSAsort assortment;
  for (int row = 0; row < buf->CountAsort(); ++row) {
    buf->CzytajAsort(row, &assortment);
    // A number the register has no group for would make it refuse the whole table.
    if (assortment.nr < 1 || assortment.nr > kGroups) continue;
    used[assortment.nr] = true;
    text +=
        "$" + TxTools::IntToStr(assortment.nr) + "\t" +
        LeftPadded(FieldText(TLTools::StrMax(assortment.nazwa, kGroupName, false)), kGroupName) +
        "\r\n";
  }
  for (int group = 1; group <= kGroups; ++group) {
    if (!used[group])
      text += "$" + TxTools::IntToStr(group) + "\t" + std::string(kGroupName, ' ') + "\r\n";
  }
  SendTable(fnSendGroups, "KSElzabSSendAssoMsgAdd", "Transmisja asortymentów", text);
}

void ElzabExport::SendUnitTable() {
  TrelvaxExpBuf* buf = ExpBuf();
  std::string text;
  for (size_t i = 0; i < buf->jmiary.size() && i < kUnits; ++i) {
    const std::string& entry = buf->jmiary[i];
    const int id = TxTools::StrToIntDef(TxTools::SelectWord(entry, 0, ';'), 0);
    const std::string name = TLTools::StrMax(TxTools::SelectWord(entry, 2, ';'), kUnitName, false);
    text += "$" + TxTools::IntToStr(id) + "\t" + LeftPadded(FieldText(name), kUnitName) + "\r\n";
  }
  SendTable(fnSendUnits, "KSElzabSSendUnitMsgAdd", "Transmisja jednostek miary", text);
}

void ElzabExport::SendEuro() {
  if (!config_.cfgPrgEuro) return;
  const long double rate = ExpBuf()->FKursEURO;
  if (rate <= 0) {
    // The export file carries no rate: a rate of 0 would be refused by the register (and the
    // goods never sent) or, worse, taken. The register keeps the rate it has.
    session_.MsgAdd(ElzabText("KSElzabSSendEuroMsgAdd_00001",
                              "Brak kursu euro w pliku eksportu - kurs euro na kasie bez zmian"),
                    LPV_Warning, 100);
    return;
  }
  std::string line;
  switch (register_.cfgType()) {
    case t_K10_Online:
    case t_Mini_Online:
    case t_Jota_Online:
      line = TxTools::Format("$2\t%.2Lf\tEUR\t%s\r\n", rate, "EUR          ");
      break;
    default:
      line = TxTools::Format("$2\t%.2Lf\tEUR\r\n", rate);
      break;
  }
  const size_t point = line.find('.');
  if (point != std::string::npos) line[point] = ',';
  SendTable(fnSendEuro, "KSElzabSSendEuroMsgAdd", "Transmisja kursu euro", line);
}

void ElzabExport::SendPayments() {
  if (!config_.cfgPrgPayments) return;
  std::string text;
  switch (register_.cfgType()) {
    case t_K10:
      for (const PaymentLine& p : kPaymentsK10)
        text += p.key != nullptr ? ElzabText(p.key, p.line) : p.line;
      break;
    case t_Sigma:
      text = kPaymentsSigma;
      break;
    default:
      text = kPaymentsOnline;
      break;
  }
  SendTable(fnSendPayments, "KSElzabSSendPaymMsgAdd", "Transmisja form płatności", text);
}

std::set<std::string> ElzabExport::CheckZBPTOWARFileErrorPLU() {
  std::set<std::string> rejected;
  const std::string path = runner_.FNameFile(fnSendGoods, 2, false);
  if (!platform::CurrentEnv()->FileExists(path)) return rejected;
  OutputLines out(runner_, path, OutputLines::kUnchecked);
  std::string data;
  while (out.NextData(data)) {
    int plu = 0;
    int code = 0;
    // A refused PLU without its code is still refused: the host must not be told the
    // register took it.
    const std::string pluWord = TxTools::SelectWord(data, 0, '\t');
    const std::string pluText = TxTools::TrimLeft(pluWord);
    const size_t digit = pluText.find_first_of("0123456789");
    if (digit == std::string::npos || digit > 1 ||
        (digit == 1 && pluText[0] != '-' && pluText[0] != '+'))
      continue;
    plu = TxTools::LeadingInt(pluText);
    code = TxTools::LeadingInt(TxTools::SelectWord(data, 1, '\t'));
    rejected.insert(std::to_string(plu));
    reports_.AddWarning("PLU: " + std::to_string(plu) + " (" + runner_.GetErrMsg(code) + ")",
                        logError_.get());
  }
  out.Close();
  return rejected;
}
