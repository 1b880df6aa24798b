// The import's memory between imports, kept in the exchange directory beside the outputs of a
// read: the days the host took in from them (StoredDays, "zapisane.txt"), what the host has of
// the register's day (HandedOver, "przekazane.txt") and whose read lies there (ReadNoteFile,
// "odczyt.txt"). An import that stopped anywhere (a full disk, a file another program holds, a
// host that died) is followed by one that settles each of its passes against these records, so
// that every sale reaches the host once; what is decided from them is JudgeRead's, and each
// record's format is its codec's (elxrecords.h).
#pragma once

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
  // Keeps the records of `session`'s device in `runner`'s exchange directory, naming the
  // register by `config`'s connection; all outlive it.
  ImportRecovery(ElzabSession& session, ElzabRunner& runner, const ElzabConfig& config);
  ImportRecovery(const ImportRecovery&) = delete;
  ImportRecovery& operator=(const ImportRecovery&) = delete;

  // Starts an import: nothing is known yet of what an earlier one left.
  void Begin();
  // Before a port-mode import with no outputs left reads the register: what an import that
  // stopped after its outputs were gone left is settled (the read to come is judged against
  // what the host has), a stale record removed. Errors: a record that cannot be read or
  // removed, before anything is read.
  void SettleUnfinished();
  // Before a port-mode import takes a failed import's outputs: the note of their read, or an
  // error when they are another register's (a second device left with the directory).
  ReadNote CheckLeftovers();
  // Settles a pass over the outputs lying there now, read from the register of a port-mode
  // import (`readsRegister`) or taken as they lie: the record of stored days, then what the
  // host has of the register, with what was decided said in the list.
  ImportPass SettlePass(double importDate, const PassSettings& parameters, bool readsRegister);
  // The receipt buffer's function of what the host has, so that a recovery reads the buffer
  // the same way; 0 when there is none to follow.
  int BaseReceiptsFunction();
  // Notes the read about to be made, of a register of `model` (e_Type); an error when it
  // cannot be written.
  void NoteRead(int model);
  // The days the host took in from the outputs lying there.
  StoredDays& Stored() { return stored_; }
  // Keeps what the host now has of the register once `pass`'s stores are done; an error when
  // it cannot be written.
  void WriteHandedOver(const ImportPass& pass);
  // The outputs are gone: the record of their days goes; after the import's last pass also
  // what the host has (a port-mode import) and the note of the read.
  void OutputsGone(bool last, bool readsRegister);

 private:
  // The register and its connection, as the records name it: the register number and its
  // connection, not the timeout or the password, which a technician may change between a
  // failed import and the next.
  std::string RegisterIdentity() const;
  // What the host has of the register, during a recovery: read from its record once per import
  // and kept as it is written since; null when there is none or no recovery.
  const ReadSummary* Base();
  // Says in the list what `pass`'s judgement decided.
  void SayJudgement(const ImportPass& pass);

  ElzabSession& session_;
  ElzabRunner& runner_;
  const ElzabConfig& config_;
  StoredDays stored_;
  HandedOver handed_;
  ReadNoteFile note_;
  bool recovering_ = false;     // what the host has of the register's day is being recovered
  bool settingsNoted_ = false;  // the warning about settings changed in a recovery was given
  bool baseRead_ = false;       // base_ holds what the record says, or hasBase_ that there is none
  bool hasBase_ = false;
  ReadSummary base_;
};
