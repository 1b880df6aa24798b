// The import's memory between imports, kept in the exchange directory beside the outputs of a
// read: the days the host took in from them (StoredDays, "zapisane.txt"), what the host has of
// the register's day (HandedOver, "przekazane.txt") and whose read lies there (ReadNoteFile,
// "odczyt.txt"). An import that stopped anywhere (a full disk, a file another program holds, a
// host that died) is followed by one that settles each of its passes against these records, so
// that every sale reaches the host once; what is decided from them is JudgeRead's, and each
// record's format is its codec's (elxrecords.h).
#pragma once

#include <map>
#include <optional>
#include <string>

#include "elzab/elxhanded.h"
#include "elzab/elxrecords.h"
#include "elzab/elxstored.h"

class ElzabRunner;
class ElzabSession;
struct ElzabConfig;

// How one pass reads the outputs that lie in the exchange directory, settled once before its
// readers run and handed to them.
struct ImportPass {
  double importDate = 0;  // the sale date of what carries none
  PassSettings settings;  // the parameters', or those the host's share of the day was read with
  bool hasBase = false;   // the host has part of the register's day from an earlier read
  ReadSummary base;       // that part
  // What the pass's read is against the base: the receipt lines to pass over, whether the
  // counters go over less the base's.
  ReadJudgement judgement;
  ReadSummary summary;  // the pass's outputs summed up (a port-mode import only)
  // The packaging totals of the pass's files the host has, per sale date: taken in now, or by
  // the import that stopped after taking them in.
  std::map<double, ReadSummary::Packaging> booked;

  // A pass over outputs of which the host has nothing yet.
  static ImportPass Fresh(double importDate, const PassSettings& settings) {
    ImportPass pass;
    pass.importDate = importDate;
    pass.settings = settings;
    return pass;
  }
};

class ImportRecovery {
 public:
  // Keeps the records of `session`'s device in `runner`'s exchange directory, with `config`'s
  // settings; all outlive it.
  ImportRecovery(ElzabSession& session, ElzabRunner& runner, const ElzabConfig& config);
  ImportRecovery(const ImportRecovery&) = delete;
  ImportRecovery& operator=(const ImportRecovery&) = delete;

  // Starts an import: nothing is known yet of what an earlier one left.
  void Begin();
  // Before a port-mode import with no outputs left reads the register: a record of stored days
  // left without the outputs it describes goes. Error: one that cannot be removed.
  void SettleUnfinished();
  // Before a port-mode import takes a failed import's outputs: the note of their read, or an
  // error when another device read them (a second device with this directory).
  ReadNote CheckLeftovers();
  // Once the register is identified, before it is read: names the register `model` numbered
  // `number` as the one read from now on, and reads what the host has of it. Errors: a record
  // that cannot be read, or one of another register or device, with nothing read.
  void Identify(const std::string& model, const std::string& number);
  // Settles a pass over the outputs lying there now, read from the register of a port-mode
  // import (`readsRegister`) or taken as they lie: the record of stored days, then what the
  // host has of the register, with what was decided said in the list. Error: a read that
  // contradicts itself about what the host has.
  ImportPass SettlePass(double importDate, const PassSettings& parameters, bool readsRegister);
  // The receipt buffer's function of what the host has, so that a new read tells where that
  // ends; 0 when there is none to follow.
  int BaseReceiptsFunction();
  // Notes the read about to be made, of a register of `model` (e_Type), with the receipt
  // buffer's function `proof` read only as a proof (0: none); an error when it cannot be
  // written.
  void NoteRead(int model, int proof);
  // The days the host took in from the outputs lying there.
  StoredDays& Stored() { return stored_; }
  // Keeps what the host now has of the register once `pass`'s stores are done; an error when
  // it cannot be written.
  void WriteHandedOver(const ImportPass& pass);
  // The outputs are gone: the record of their days goes; after the import's last pass also
  // the note of the read. What the host has of the register stays: the next import is judged
  // against it.
  void OutputsGone(bool last);

 private:
  // What the host has of the register, read from its record once per import and kept as it
  // is written since; null when there is none. Error: another register's record.
  const ReadSummary* Base();
  // Stops the import when `recorded`, the register of what the host has, is not the one read.
  void CheckSameRegister(const std::string& recorded) const;
  // With both methods' receipt buffers read, or one read by the method of the host's share
  // as a proof only (`proof`), keeps the one `pass` hands over, if any, and sums it up as read
  // on `day`; an error when another cannot be removed.
  void KeepOneBuffer(ImportPass& pass, double day, int proof);
  // The settings of a pass the stored days do not settle: those the host's share of the
  // register's day was read with, until a daily report closed it.
  void HoldSettings(ImportPass& pass, const PassSettings& parameters);
  // Judges `pass`, over a failed read's outputs without the receipt buffer that the days alone
  // would hand over whole, by the register's buffer read now, when it proves the register open
  // since what the host has. Errors: the read's, or its output that cannot be read or removed.
  void ProveLeftovers(ImportPass& pass);
  // Says in the list what `pass`'s judgement decided; stops the import on a contradiction.
  void SayJudgement(const ImportPass& pass);

  ElzabSession& session_;
  ElzabRunner& runner_;
  const ElzabConfig& config_;
  StoredDays stored_;
  HandedOver handed_;
  ReadNoteFile note_;
  // The register the outputs are of: the failed read's during a pass over its outputs, the
  // identified one after.
  std::string identity_;
  // The model of the register whose failed read's outputs are being passed over (e_Type; -1
  // from an older driver); none once the register is identified.
  std::optional<int> leftoverModel_;
  bool settingsNoted_ = false;  // the warning about settings held was given
  bool baseRead_ = false;       // base_ holds what the record says, or hasBase_ that there is none
  bool hasBase_ = false;
  ReadSummary base_;
};
