#include "elzab/elxrecovery.h"

#include "elzab/elxconfig.h"
#include "elzab/elxfunctions.h"
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
  recovering_ = false;
  settingsNoted_ = false;
  baseRead_ = hasBase_ = false;
}

std::string ImportRecovery::RegisterIdentity() const {
  std::string connection = config_.cfgPort;
  if (config_.cfgPort == "LAN") {
    connection += " " + TxTools::Trim(config_.cfgIPAddr) + ":" + TxTools::Trim(config_.cfgIPPort);
  }
  return std::to_string(session_.DeviceNumber()) + " " + connection;
}

void ImportRecovery::SettleUnfinished() {
  platform::Env* env = platform::CurrentEnv();
  // An import that stopped once the data of its read was gone leaves the record, an output or
  // the note of the read beside what the host has of the register: the read that follows is
  // judged against it. Alone, the summary is from an import that ended well (one that could
  // not remove it): the register may have been closed since, by a report a K10's counters
  // cannot tell, so it goes.
  std::string note;
  bool unfinished = workfiles::ReadRecord(note_.Path(), note, records::kReadNoteLimit) ||
                    env->FileExists(stored_.Path()) || env->DirectoryExists(stored_.Path());
  for (int function : ElzabFunctionsWith(roleSalesRead)) {
    if (env->FileExists(runner_.FNameFile(function, 2, false))) unfinished = true;
  }
  recovering_ = unfinished && handed_.Exists();
  // A record of stored days without the outputs it describes is from an import whose outputs
  // were taken away by hand; it must not make the next one skip fresh sales.
  stored_.Remove();
  if (!recovering_) handed_.Remove(true);
  // What the host has is read before the register is: one that cannot be read stops the
  // import with nothing read.
  Base();
}

const ReadSummary* ImportRecovery::Base() {
  if (!recovering_) return nullptr;
  if (!baseRead_) {
    hasBase_ = handed_.Read(RegisterIdentity(), base_);
    baseRead_ = true;
  }
  return hasBase_ ? &base_ : nullptr;
}

ReadNote ImportRecovery::CheckLeftovers() {
  recovering_ = true;
  ReadNote note;
  // Outputs without a note are an older driver's.
  if (!note_.Read(note) || note.identity == RegisterIdentity()) return note;
  throw Exception(
      ElzabText("KSElzabSImportOwnerExceptio", "Pliki nieudanego importu z kasy ") +
      records::Shown(note.identity) +
      ElzabText("KSElzabSImportOwnerExceptio_00001",
                " czekają w katalogu wymiany na import jej urządzeniem, a to urządzenie ma "
                "ten sam katalog; zaimportuj je tamtym urządzeniem i daj każdemu urządzeniu "
                "własny katalog wymiany, a jeśli to ta sama kasa, której zmieniono tylko port, "
                "na czas importu przywróć poprzedni port (nic nie zostało zaimportowane)"));
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
  const std::string identity = RegisterIdentity();
  if (const ReadSummary* base = Base()) {
    pass.hasBase = true;
    pass.base = *base;
  }
  // What lies beyond the host's share is handed over as the share was: from the other source,
  // or with receipts the share left out, the two would overlap or leave a gap.
  if (pass.hasBase && pass.base.settings) {
    if (*pass.base.settings != parameters && !settingsNoted_) {
      session_.MsgAdd(
          ElzabText("KSElzabSHandedSettingsMsgAdd",
                    "Ustawienia importu (źródło sprzedaży, paragony, faktury) zmieniono przed "
                    "końcem przerwanego importu: sprzedaż kasy jest importowana z ustawieniami, "
                    "z którymi baza przyjęła jej część; nowe obowiązują od następnego importu"),
          LPV_Warning, 100);
      settingsNoted_ = true;
    }
    pass.settings = *pass.base.settings;
  }
  // Outputs without the day of their read noted are taken as read today.
  ReadNote note;
  note_.Read(note);
  const double day = TdtTools::DatePart(note.day ? *note.day : TdtTools::Now());
  // The buffer's first lines are summed up in the same reading as the whole.
  ReceiptPrefix prefix;
  prefix.wanted = pass.base.receiptLines;
  pass.summary = handed_.Summarize(runner_, identity, day, pass.settings, &prefix);
  if (!pass.hasBase) return pass;
  pass.judgement = JudgeRead(pass.base, pass.summary, prefix.lines, prefix.hash);
  // Nothing the host has can come twice: nothing to say.
  if (!pass.base.Empty()) SayJudgement(pass);
  return pass;
}

void ImportRecovery::SayJudgement(const ImportPass& pass) {
  if (pass.judgement.guessed) {
    session_.MsgAdd(
        ElzabText("KSElzabSHandedUnknownMsgAdd",
                  "Nie wiadomo, czy kasa była zamknięta raportem "
                  "dobowym od odczytu z dnia ") +
            TdtTools::FormatDate(pass.base.day) +
            ElzabText("KSElzabSHandedUnknownMsgAdd_00001",
                      ", którego sprzedaż baza już przyjęła; ") +
            (pass.judgement.closed
                 ? ElzabText("KSElzabSHandedUnknownMsgAdd_00002",
                             "przyjęto, że była (odczyty z różnych dni), i odczyt jest importowany "
                             "w całości")
                 : ElzabText("KSElzabSHandedUnknownMsgAdd_00003",
                             "przyjęto, że nie była (odczyty z jednego dnia), i importowane jest "
                             "tylko to, co kasa zarejestrowała po tamtym odczycie")) +
            ElzabText("KSElzabSHandedUnknownMsgAdd_00004", ". Sprawdź sprzedaż tych dni w bazie."),
        LPV_Warning, 100);
  } else if (!pass.judgement.closed) {
    session_.MsgAdd(
        ElzabText("KSElzabSHandedMsgAdd",
                  "Kasa nie była zamknięta raportem dobowym od odczytu, którego sprzedaż baza już "
                  "przyjęła: importowane jest tylko to, co kasa zarejestrowała po nim"),
        LPV_None, 0);
  }
}

int ImportRecovery::BaseReceiptsFunction() {
  const ReadSummary* base = Base();
  return base != nullptr ? base->receiptsFunction : 0;
}

void ImportRecovery::NoteRead(int model) {
  ReadNote note;
  note.identity = RegisterIdentity();
  note.day = TdtTools::DatePart(TdtTools::Now());
  note.model = model;
  note_.Write(note);
}

void ImportRecovery::WriteHandedOver(const ImportPass& pass) {
  // The host now has this pass's read whole: what it read, and what it lacks but the host had
  // from before, when the register was not closed between.
  ReadSummary next = HandedAfter(pass.summary, pass.hasBase ? &pass.base : nullptr, pass.judgement);
  handed_.Write(next);
  base_ = std::move(next);
  hasBase_ = baseRead_ = true;
}

void ImportRecovery::OutputsGone(bool last, bool readsRegister) {
  stored_.Remove();
  stored_.Forget();
  // A pass over leftovers is followed by a new read, which writes its note anew.
  if (!last) return;
  // The host has the register's day whole: the next import starts afresh. The summary goes
  // before the note of the read, so that an import stopped between the two still tells the
  // next one that it did not end.
  if (readsRegister) handed_.Remove(false);
  // Nothing of the read is left; one that stays is written anew by the next read.
  note_.Remove();
}
