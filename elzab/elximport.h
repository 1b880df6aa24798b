// The sales import of one operation: ELZAB's reading programs are run (or their outputs taken
// as they lie, in file mode), their outputs become one import buffer per sale date, and each
// buffer is stored as the host's import file and handed to the host, with the record of what
// the host took kept beside the outputs until they are gone.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "elzab/elxhanded.h"
#include "elzab/elxrecords.h"
#include "elzab/elxstored.h"

class ElzabRunner;
class KSImpBuf;
class TrelvaxAction;
struct ElzabConfig;

class ElzabImport {
 public:
  // Imports for `action`'s device, running programs through `runner`, with `config`'s
  // settings; all three outlive the import.
  ElzabImport(TrelvaxAction& action, ElzabRunner& runner, const ElzabConfig& config);
  ElzabImport(const ElzabImport&) = delete;
  ElzabImport& operator=(const ElzabImport&) = delete;
  ~ElzabImport();

  // The whole import: a failed import's outputs first, then a new read (port mode), or the
  // outputs as they lie (file mode).
  void Import();

  // One pass's readers, each into the buffers of its lines' days. The day of lines that carry
  // none is the import date, which a pass settles first; BeginPass starts a pass of readers run
  // alone, with the parameters' settings and `importDate`.
  void BeginPass(double importDate);
  void ImportFromFileSale();
  // The Sigma's cashier's section, into the import date's buffer.
  void ImportFromFileCashierReports();
  // The Sigma's payment forms: which of them carry a date.
  void ImportFromFilePaymentTypes();
  void ImportFromFileReceipts();
  // Stores each buffer the host has not taken yet, in date order of their creation, the
  // receipts with the last; exception when the host refuses one.
  void ImportSaveImpBufs();
  void DeleteImpBufs();

  // The buffer of `date`'s day, created (dated `date`) when there is none yet.
  KSImpBuf& ForDay(double date);
  // A quantity of the counters (a decimal with ".") in thousandths.
  static double FormatujIlosc(const std::string& text);

  // What the receipt reader needs of the pass.
  TrelvaxAction& Action() { return action_; }
  ElzabRunner& Runner() { return runner_; }
  bool SalesFromReceipts() const { return pass_.settings.salesFromReceipts; }
  bool Invoices() const { return pass_.settings.invoices; }
  // Receipt buffer data lines the host already has, which the pass passes over.
  int64_t ReceiptsSkip() const { return pass_.judgement.receiptsSkip; }
  // Whether payment form `form` (0..6) carries a date, as the register's forms say.
  bool PaymentHasDate(int form) const;
  void SetPaymentHasDate(int form, bool dated);
  // Appends one document's text to the receipts handed over with the last buffer.
  void AddReceiptText(const std::string& text);

 private:
  // How one pass reads the outputs that lie in the exchange directory, settled once before its
  // readers run: the import date and settings they are read with (the parameters', or those of
  // the read the host has part of), the days the host already took in from them, and what of
  // the register's read the host has from before.
  struct Pass {
    double importDate = 0;
    PassSettings settings;
    StoredDays::Settled stored;  // the record of days taken in from these very outputs
    ReadSummary summary;         // the pass's outputs summed up (a port-mode import only)
    bool hasBase = false;        // the host has part of the register's day from an earlier read
    ReadSummary base;            // that part
    ReadJudgement judgement;     // what the pass's read is, against the base
  };

  void ImportFromECR();
  // Converts the programs' outputs into buffers; without `cashierReports` the cashier's
  // section is left out.
  void ImportFromFile(bool cashierReports = true);
  // Settles the pass over the outputs lying there now (the record of stored days, then what
  // the host has of the register), saying in the list what it decided.
  void SettlePass();
  // The settings the parameters give.
  PassSettings ParameterSettings() const;
  void ImpBufSetStandardFlags(KSImpBuf& buf);
  // Appends the receipts read from the register to the import file; true when any was.
  bool ImportSaveReceipts();
  // The register and its connection, as the records name it: the register number and its
  // connection, not the timeout or the password, which a technician may change between a
  // failed import and the next.
  std::string RegisterIdentity() const;
  // Stops before anything is read when the outputs lying here are another register's.
  void CheckLeftoversRegister();
  // The note of the read whose outputs lie here; an empty one when there is none.
  ReadNote LeftoversNote();
  // Keeps what the host now has of the register, once the pass's stores are done.
  void WriteHandedOver();
  // Archives and removes the outputs, then the record; after the import's last pass also the
  // summary of what the host has and the note of the read.
  void AfterImport(bool last);

  TrelvaxAction& action_;
  ElzabRunner& runner_;
  const ElzabConfig& config_;
  // The records kept beside the outputs.
  StoredDays stored_;
  HandedOver handed_;
  ReadNoteFile note_;
  Pass pass_;
  bool readsRegister_ = false;  // a port-mode import, which keeps what the host has of the register
  bool recovering_ = false;     // a port-mode import that found a failed one's outputs
  bool settingsNoted_ = false;  // the warning about settings changed in a recovery was given
  // One buffer per sale date, in the order they were created.
  std::vector<std::unique_ptr<KSImpBuf>> imp_bufs_;
  // The documents of the receipt buffer in the host's receipt text, each ended by CR LF, from
  // the receipt import until they are saved. A document is kept as text as soon as no later
  // record can change it, in pieces of about a megabyte, so that a day of a million lines
  // costs its text and not its objects, nor a copy of itself each time a single string grows.
  std::vector<std::string> receiptsText_;
  bool paymentHasDate_[7] = {false, false, false, false, false, false, false};
};
