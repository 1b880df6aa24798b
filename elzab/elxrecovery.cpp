#include "elzab/elxrecovery.h"

#include "elzab/elxconfig.h"
#include "elzab/elxfunctions.h"
#include "elzab/elxregister.h"
#include "elzab/elxrunner.h"
#include "elzab/elxsession.h"
#include "elzab/elxtext.h"
#include "elzab/elxworkfiles.h"
#include "hostlib/Exceptions.h"
#include "hostlib/TdtTools.h"
#include "hostlib/TxTools.h"
#include "platform/Env.h"

ImportRecovery::ImportRecovery(ElzabSession& session, ElzabRunner& runner,
                               const ElzabConfig& config)
    : session_(session), runner_(runner), config_(config) {}

void ImportRecovery::Begin() {
  const std::string dir = runner_.WorkDir();
  stored_ = StoredDays(dir);
  handed_ = HandedOver(dir);
  note_ = ReadNoteFile(dir);
  identity_ = records::RegisterIdentity(session_.DeviceNumber(), "", "");
  leftoverModel_.reset();
  settingsNoted_ = false;
  baseRead_ = hasBase_ = false;
}

void ImportRecovery::SettleUnfinished() {
  // A record of stored days without the outputs it describes is from an import whose outputs
  // were taken away by hand; it must not make the next one skip fresh sales.
  stored_.Remove();
}

ReadNote ImportRecovery::CheckLeftovers() {
  ReadNote note;
  // Outputs without a note are an older driver's, read by this device.
  if (!note_.Read(note)) return note;
  if (!records::SameDevice(note.identity, identity_)) {
    throw Exception(
        ElzabText("KSElzabSImportOwnerExceptio", "Pliki nieudanego importu z kasy ") +
        records::IdentityShown(note.identity) +
        ElzabText("KSElzabSImportOwnerExceptio_00001",
                  " czekają w katalogu wymiany na import tamtym urządzeniem, a ten katalog ma też "
                  "to urządzenie (") +
        std::to_string(session_.DeviceNumber()) +
        ElzabText("KSElzabSImportOwnerExceptio_00002",
                  "): zaimportuj je tamtym urządzeniem i daj każdemu urządzeniu własny katalog "
                  "wymiany (nic nie zostało zaimportowane)"));
  }
  // The outputs are of the register that read them, whatever is connected now.
  identity_ = note.identity;
  leftoverModel_ = note.model;
  return note;
}

void ImportRecovery::Identify(const std::string& model, const std::string& number) {
  leftoverModel_.reset();
  identity_ = records::RegisterIdentity(session_.DeviceNumber(), model, number);
  // What the host has is read before the register is: one that cannot be read, or is of
  // another register, stops the import with nothing read.
  if (const ReadSummary* base = Base()) CheckSameRegister(base->identity);
}

const ReadSummary* ImportRecovery::Base() {
  if (!baseRead_) {
    hasBase_ = handed_.Read(base_);
    baseRead_ = true;
    if (hasBase_) CheckSameRegister(base_.identity);
  }
  return hasBase_ ? &base_ : nullptr;
}

void ImportRecovery::CheckSameRegister(const std::string& recorded) const {
  if (records::SameRegister(recorded, identity_)) return;
  // A second device with this directory, or this device's register changed. Ignored, the
  // read would go to the host whole; overwritten, the other register's next import would hand
  // its day over again: only a person can tell which.
  throw Exception(
      ElzabText("KSElzabSHandedOtherExceptio", "Plik ") + handed_.Path() +
      ElzabText("KSElzabSHandedOtherExceptio_00001", " opisuje, co baza ma ze sprzedaży kasy ") +
      records::IdentityShown(recorded) +
      ElzabText("KSElzabSHandedOtherExceptio_00002", ", a import jest z kasy ") +
      records::IdentityShown(identity_) +
      ElzabText("KSElzabSHandedOtherExceptio_00003",
                ": albo ten katalog wymiany ma też inne urządzenie, albo do tego urządzenia "
                "podłączono inną kasę (nic nie zostało zaimportowane). Jeśli to inne "
                "urządzenie, daj każdemu urządzeniu własny katalog wymiany. Jeśli urządzenie "
                "ma nową kasę, najpierw zaimportuj poprzednią, jeśli to możliwe, potem usuń ten "
                "plik i powtórz import: sprzedaż nowej kasy zostanie przyjęta w całości."));
}

ImportPass ImportRecovery::SettlePass(double importDate, const PassSettings& parameters,
                                      bool readsRegister) {
  ImportPass pass;
  const StoredDays::Settled stored = stored_.Settle(importDate, parameters);
  if (!stored.changed.empty()) {
    session_.MsgAdd(
        ElzabText("KSElzabSImportChangedMsgAdd",
                  "Pliki zmienione od poprzedniego, przerwanego importu: ") +
            stored.changed +
            ElzabText(
                "KSElzabSImportChangedMsgAdd_00001",
                ". Są importowane w całości; sprawdź, czy baza nie ma tych danych drugi raz."),
        LPV_Warning, 100);
  }
  pass.importDate = stored.importDate;
  pass.settings = stored.settings;
  if (!readsRegister) return pass;
  if (const ReadSummary* base = Base()) {
    pass.hasBase = true;
    pass.base = *base;
  }
  // Outputs without the day of their read noted are taken as read today.
  ReadNote note;
  note_.Read(note);
  const double day = TdtTools::DatePart(note.day ? *note.day : TdtTools::Now());
  // The buffer's first lines are summed up in the same reading as the whole.
  ReceiptPrefix prefix;
  prefix.wanted = pass.base.receiptLines;
  pass.summary = handed_.Summarize(runner_, identity_, day, pass.settings, &prefix,
                                   pass.base.receiptsFunction);
  if (!pass.hasBase) return pass;
  pass.judgement = JudgeRead(pass.base, pass.summary, prefix.lines, prefix.hash);
  ProveLeftovers(pass);
  SayJudgement(pass);
  KeepOneBuffer(pass, day, note.proofFunction);
  // Days the host took in from these very outputs were read with the settings of then.
  if (stored.days.empty()) {
    HoldSettings(pass, parameters);
    // The days the host takes in from these outputs are noted with what they were read with.
    stored_.ReadWith(pass.settings);
  }
  pass.summary.settings = pass.settings;
  return pass;
}

void ImportRecovery::ProveLeftovers(ImportPass& pass) {
  // A failed read that got the counters but not the receipt buffer, of a register that keeps
  // one: its counters alone leave the days to guess by, and on a later day its read would go
  // over whole, though a register left open overnight (the daily report waits for an import
  // that ends well) still holds what the host has. Its buffer, read now, tells: still beginning
  // with the host's lines, no report closed it since, nor before the failed read. Read only as
  // a proof: the read that follows gives the buffer anew.
  const ReadJudgement& j = pass.judgement;
  if (!leftoverModel_ || *leftoverModel_ < 0 || *leftoverModel_ == t_K10 || !j.guessed ||
      pass.summary.receiptsFunction != 0 || pass.base.receiptLines <= 0) {
    return;
  }
  const int function = pass.base.receiptsFunction;
  session_.MsgAdd(ElzabText("KSElzabSImportFrMsgAdd_00008", "Odczyt pozycji paragonowych ..."),
                  LPV_None, 100);
  runner_.Execute(function);
  session_.MsgS(LPV_Ok);
  const std::string out = runner_.FNameFile(function, 2, false);
  ReceiptPrefix prefix;
  prefix.wanted = pass.base.receiptLines;
  int64_t lines = 0;
  uint64_t hash = 0;
  if (!HashDataLines(out, -1, lines, hash, &prefix)) {
    throw Exception(ElzabText("KSElzabSOutputExceptio", "Błąd odczytu pliku ") + out);
  }
  for (const std::string& file : {out, runner_.FNameFile(function, 1, false)}) {
    if (platform::CurrentEnv()->FileExists(file)) workfiles::RemoveOrFail(file);
  }
  if (prefix.lines != pass.base.receiptLines || prefix.hash != pass.base.receiptHash) {
    // A daily report closed the register since the host's share. The report comes after an
    // import that ended well (a report after a failed one clears what it did not read), so
    // before the failed read: that read goes over whole.
    pass.judgement = ReadJudgement();
    return;
  }
  ReadSummary proven = pass.summary;
  proven.receiptsFunction = function;
  proven.receiptLines = lines;
  proven.receiptHash = hash;
  pass.judgement = JudgeRead(pass.base, proven, prefix.lines, prefix.hash);
  // The failed read's outputs hold no buffer: none of its lines to pass over.
  pass.judgement.receiptsSkip = 0;
}

void ImportRecovery::KeepOneBuffer(ImportPass& pass, double day, int proof) {
  // Both methods' buffers lie there when the method changed since the host's share was read:
  // the one that proved where that share ends goes over while the day is not closed, the
  // parameters' one once it is. A proof alone (the new method's read failed) goes over only
  // while the day is not closed: then the register gives the day anew by the new method.
  platform::Env* env = platform::CurrentEnv();
  const std::vector<int> buffers = ElzabFunctionsWith(roleReceiptBuffer);
  bool both = true;
  for (int function : buffers) {
    if (!env->FileExists(runner_.FNameFile(function, 2, false))) both = false;
  }
  const int wanted = ElzabReceiptsFunction(config_.cfgSaleBufferType);
  const int held = pass.base.receiptLines > 0 ? pass.base.receiptsFunction : 0;
  const int keep = pass.judgement.closed || held == 0 ? wanted : held;
  bool removed = false;
  for (int function : buffers) {
    const std::string out = runner_.FNameFile(function, 2, false);
    if (function == keep || !(both || function == proof) || !env->FileExists(out)) continue;
    workfiles::RemoveOrFail(out);
    removed = true;
  }
  if (removed) pass.summary = handed_.Summarize(runner_, identity_, day, pass.settings);
}

void ImportRecovery::HoldSettings(ImportPass& pass, const PassSettings& parameters) {
  // What lies beyond the host's share of a register day is handed over as the share was: from
  // the other source, or with receipts the share left out, the two would overlap or leave a
  // gap. A day the report closed starts anew with the parameters.
  // Of a read the host was given nothing of, nothing can overlap.
  if (pass.judgement.closed || !pass.base.settings || pass.base.Empty()) return;
  pass.settings = *pass.base.settings;
  const bool methodHeld =
      pass.base.receiptLines > 0 &&
      pass.base.receiptsFunction != ElzabReceiptsFunction(config_.cfgSaleBufferType);
  // Nothing is handed over when there is nothing new, with whatever settings.
  if ((pass.settings == parameters && !methodHeld) || settingsNoted_ || pass.judgement.nothingNew) {
    return;
  }
  session_.MsgAdd(
      ElzabText("KSElzabSHandedSettingsMsgAdd",
                "Ustawienia importu (źródło sprzedaży, paragony, faktury, metoda odczytu bufora) "
                "zmieniono, gdy baza miała już część sprzedaży kasy z dnia, którego nie zamknął "
                "jeszcze raport dobowy: reszta tego dnia jest importowana z ustawieniami, z "
                "którymi baza przyjęła jego część; nowe obowiązują od pierwszego importu po "
                "raporcie dobowym"),
      LPV_Warning, 100);
  settingsNoted_ = true;
}

void ImportRecovery::SayJudgement(const ImportPass& pass) {
  const ReadJudgement& j = pass.judgement;
  if (j.contradicted) {
    throw Exception(
        ElzabText("KSElzabSHandedContradictsExceptio",
                  "Bufor paragonów i liczniki sprzedaży kasy przeczą sobie: bufor zaczyna się od "
                  "pozycji odczytu z dnia ") +
        TdtTools::FormatDate(pass.base.day) +
        ElzabText("KSElzabSHandedContradictsExceptio_00001",
                  ", którego sprzedaż baza już przyjęła (jak bez raportu dobowego), a licznik "
                  "sprzedaży zmalał (jak po raporcie)") +
        ElzabText("KSElzabSHandedContradictsExceptio_00002",
                  ". Nic nie zostało zaimportowane. Sprawdź w bazie sprzedaż kasy od tamtego "
                  "odczytu. Jeśli od niego kasę zamknięto raportem dobowym, usuń plik ") +
        handed_.Path() +
        ElzabText("KSElzabSHandedContradictsExceptio_00003",
                  " i powtórz import: odczyt kasy zostanie przyjęty w całości. Jeśli nie, nie "
                  "usuwaj go") +
        // A failed import's counters may be cut short (a full disk, a broken connection), and
        // a cut file looks like counters that fell; the register still holds what it read.
        (leftoverModel_
             ? ElzabText("KSElzabSHandedContradictsExceptio_00004",
                         ": to import z zaległych danych, a ich pliki ospopmax_*.out "
                         "mogą być niepełne. Przenieś je poza katalog wymiany i "
                         "powtórz import (kasa nadal ma tę sprzedaż); jeśli to nie "
                         "pomoże, zgłoś to serwisowi.")
             : ElzabText("KSElzabSHandedContradictsExceptio_00005", " i zgłoś to serwisowi.")));
  }
  // Nothing new is said by the import, which decides what it stores then; nothing the host
  // has can come twice: nothing to say.
  if (j.nothingNew || pass.base.Empty()) return;
  if (j.guessed) {
    session_.MsgAdd(
        ElzabText("KSElzabSHandedUnknownMsgAdd",
                  "Nie wiadomo, czy kasa była zamknięta raportem "
                  "dobowym od odczytu z dnia ") +
            TdtTools::FormatDate(pass.base.day) +
            ElzabText("KSElzabSHandedUnknownMsgAdd_00001",
                      ", którego sprzedaż baza już przyjęła; ") +
            (j.closed
                 ? ElzabText("KSElzabSHandedUnknownMsgAdd_00002",
                             "przyjęto, że była (odczyty z różnych dni), i odczyt jest importowany "
                             "w całości")
                 : ElzabText("KSElzabSHandedUnknownMsgAdd_00003",
                             "przyjęto, że nie była (odczyty z jednego dnia), i importowane jest "
                             "tylko to, co kasa zarejestrowała po tamtym odczycie")) +
            ElzabText("KSElzabSHandedUnknownMsgAdd_00004", ". Sprawdź sprzedaż tych dni w bazie."),
        LPV_Warning, 100);
  } else if (!j.closed) {
    session_.MsgAdd(
        ElzabText("KSElzabSHandedMsgAdd",
                  "Kasa nie była zamknięta raportem dobowym od odczytu, którego sprzedaż baza już "
                  "przyjęła: importowane jest tylko to, co kasa zarejestrowała po nim"),
        LPV_None, 0);
  }
}

int ImportRecovery::BaseReceiptsFunction() {
  // A buffer the host has no line of tells nothing: any method will do.
  const ReadSummary* base = Base();
  return base != nullptr && base->receiptLines > 0 ? base->receiptsFunction : 0;
}

void ImportRecovery::NoteRead(int model, int proof) {
  ReadNote note;
  note.identity = identity_;
  note.day = TdtTools::DatePart(TdtTools::Now());
  note.model = model;
  note.proofFunction = proof;
  note_.Write(note);
}

void ImportRecovery::WriteHandedOver(const ImportPass& pass) {
  // Nothing new: the record already says all the host has.
  if (pass.judgement.nothingNew && pass.hasBase) return;
  // The host now has this pass's read whole: what it read, and what it lacks but the host had
  // from before, when the register was not closed between.
  ReadSummary next = HandedAfter(pass.summary, pass.hasBase ? &pass.base : nullptr, pass.judgement);
  next.packaging = BookedPackaging(pass.hasBase ? pass.base.packaging : std::nullopt, pass.booked);
  handed_.Write(next);
  base_ = std::move(next);
  hasBase_ = baseRead_ = true;
}

void ImportRecovery::OutputsGone(bool last) {
  stored_.Remove();
  stored_.Forget();
  // A pass over leftovers is followed by a new read, which writes its note anew; nothing of
  // the read is left after the last, and a note that stays is written anew by the next read.
  if (last) note_.Remove();
}
