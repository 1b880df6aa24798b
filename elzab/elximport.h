// The sales import of one operation: ELZAB's reading programs are run (or their outputs taken
// as they lie, in file mode), their outputs become one import buffer per sale date, and each
// buffer is stored as the host's import file and handed to the host, with the record of what
// the host took kept beside the outputs until they are gone.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "elzab/elxhanded.h"

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
  bool SalesFromReceipts() const { return cfgSaleSource_ != 0; }
  bool Invoices() const { return cfgSaleBufferFV_; }
  // Receipt buffer data lines the host already has, which the pass passes over.
  int64_t ReceiptsSkip() const { return receiptsSkip_; }
  // Whether payment form `form` (0..6) carries a date, as the register's forms say.
  bool PaymentHasDate(int form) const;
  void SetPaymentHasDate(int form, bool dated);
  // Appends one document's text to the receipts handed over with the last buffer.
  void AddReceiptText(const std::string& text);

  // The settings of the current pass (the parameters', or a recorded pass's own).
  int32_t Receipts() const { return cfgReceipts_; }
  int32_t SaleSource() const { return cfgSaleSource_; }

 private:
  // One output as the record names it: what tells that it is still the file that was read.
  struct OutputStamp {
    std::string name;
    int64_t size = 0;
    int64_t modified = 0;
    uint64_t checksum = 0;
  };
  struct StoredDays {
    double importDate = 0;  // the import date the outputs were first read with
    bool hasDate = false;
    std::vector<double> days;     // the days the host took in
    std::vector<double> storing;  // a day being handed over when the import stopped
    bool namesOutputs = false;    // false for a record of an older driver
    std::vector<OutputStamp> outputs;
    bool hasSettings = false;  // the settings the outputs were read with
    int32_t saleSource = 0;
    int32_t receipts = 0;
    bool invoices = false;
    bool damaged = false;  // a line that the driver does not write, or none
  };
  static bool Same(const OutputStamp& a, const OutputStamp& b);

  void ImportFromECR();
  // Converts the programs' outputs into buffers; without `cashierReports` the cashier's
  // section is left out.
  void ImportFromFile(bool cashierReports = true);
  void ImpBufSetStandardFlags(KSImpBuf& buf);
  // Appends the receipts read from the register to the import file; true when any was.
  bool ImportSaveReceipts();

  // The record, kept beside the outputs, of the days the host has taken in from them: an
  // import that stopped after some stores and is repeated over the same outputs must not
  // hand the host those days again. It names the outputs it describes and holds only for
  // them; it goes away with the outputs.
  std::string FNameStoredDays();
  // The register whose outputs lie in the exchange directory, written before the programs
  // read it: a second device left with the directory must not import them as its own.
  std::string FNameReadRegister();
  std::string RegisterIdentity();
  void CheckLeftoversRegister();
  // Reads the record; false when there is none.
  bool ReadStoredDays(StoredDays& record);
  // The outputs of functions 1 to 6 that lie in the exchange directory now.
  std::vector<OutputStamp> StampOutputs();
  // Settles the import date and the days already taken in for a pass over the outputs that
  // lie there now: the record's when it describes them, else "DataImportu" and none (a record
  // that no longer describes them is dropped with a warning naming the changed files).
  void SettleStoredDays();
  // Writes the record anew, whole: the import date, the settings and outputs of this pass,
  // the days taken in and, when given, the day being handed over now. Exception on failure.
  void WriteStoredDays(const double* storing);
  // Notes in the record that `day` is being handed over (an error when it cannot, before
  // the host is asked anything); takes the note back after a refused store.
  void MarkStoringDay(double day);
  void UnmarkStoringDay();
  // Adds `day` to the record as taken in (writing it anew, whole, before anything else
  // happens); an error when it cannot.
  void AddStoredDay(double day);
  // Writes `text` whole into `fresh`, puts it on the disk, then puts it in place of `path`: a
  // file cut short by a full disk, a crash or a power cut is never read. Exception on failure.
  void ReplaceWhole(const std::string& path, const std::string& fresh, const std::string& text);
  // Removes the record; an error when it stays.
  void RemoveStoredDays();
  // Tries `attempt` for about a second (10 tries, 100 ms apart) until it succeeds, as a file
  // another program holds for a moment allows; false when it never did.
  static bool Briefly(const std::function<bool()>& attempt);
  // Deletes a working file, trying again for a moment while another program holds it open;
  // false when it is still there.
  bool RemoveWorkingFile(const std::string& path);

  // What the host already has of the register's day: the summary of the last read it took in,
  // kept beside the outputs from the stores until the outputs are gone, and while a failed
  // import is recovered until an import of the register ends well. A later read of a register that
  // no daily report closed holds all of it again, and only what lies beyond it is handed over.
  std::string FNameHandedOver();
  // Reads the summary kept; false when there is none or it is another register's. An error
  // when it cannot be read or is damaged.
  bool ReadHandedOver(ReadSummary& summary);
  // The day the outputs lying here were read, as the read noted it; today for older ones.
  double ReadDay();
  // The model (e_Type) of the register whose outputs lie here, as the read noted it; -1 when
  // it did not.
  int LeftoversModel();
  // The receipt buffer's function of what the host has, so that a recovery reads the buffer
  // the same way; 0 when there is none to follow.
  int HandedOverReceiptsFunction();
  // Sums up the current pass's outputs and, in a recovery, settles against what the host has
  // which of them the pass hands over (receiptsSkip, countersDelta), saying so in the list.
  void SettleHandedOver();
  // Keeps the summary of what the host has, once the pass's stores are done; an error when it
  // cannot be written.
  void WriteHandedOver();
  // Removes the summary; with `mustGo` an error when it stays, since a later recovery would
  // take it for its own.
  void RemoveHandedOver(bool mustGo);
  // Archives and removes the outputs, then the record; after the import's last pass also the
  // summary of what the host has and the note of the read.
  void AfterImport(bool last);

  TrelvaxAction& action_;
  ElzabRunner& runner_;
  const ElzabConfig& config_;
  // The settings that shape what the current pass hands over: the parameters', or for a pass
  // over recorded outputs the ones they were first read with.
  int32_t cfgReceipts_ = 0;
  int32_t cfgSaleSource_ = 0;
  bool cfgSaleBufferFV_ = false;
  double importDate_ = 0;                 // the import date the current outputs are read with
  std::vector<double> storedDays_;        // days of the current outputs the host already took in
  std::vector<OutputStamp> passOutputs_;  // the outputs the current pass reads
  bool readsRegister_ = false;  // a port-mode import, which keeps what the host has of the register
  bool recovering_ = false;     // a port-mode import that found a failed one's outputs
  bool settingsNoted_ = false;  // the warning about settings changed in a recovery was given
  ReadSummary passSummary_;     // the current pass's outputs
  ReadSummary handedBase_;      // what the host had of the register before the pass
  bool hasHandedBase_ = false;
  bool registerZeroed_ = true;  // a daily report closed the register since handedBase_ was read
  int64_t receiptsSkip_ = 0;    // receipt buffer data lines the host already has
  bool countersDelta_ = false;  // the counters go to the host less handedBase_'s
  // One buffer per sale date, in the order they were created.
  std::vector<std::unique_ptr<KSImpBuf>> imp_bufs_;
  // The documents of the receipt buffer in the host's receipt text, each ended by CR LF, from
  // the receipt import until they are saved. A document is kept as text as soon as no later
  // record can change it, in pieces of about a megabyte, so that a day of a million lines
  // costs its text and not its objects, nor a copy of itself each time a single string grows.
  std::vector<std::string> receiptsText_;
  bool paymentHasDate_[7] = {false, false, false, false, false, false, false};
};
