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

#include "elzab/elxrecovery.h"

class ElzabRunner;
class KSImpBuf;
class ElzabPackages;
class ElzabRegister;
class ElzabSession;
struct ElzabConfig;

class ElzabImport {
 public:
  // Imports for `session`'s device from the register `ecr`, running programs through `runner`,
  // with `config`'s settings, telling packaging from goods by `packages`; all of them outlive
  // the import.
  ElzabImport(ElzabSession& session, ElzabRunner& runner, const ElzabConfig& config,
              ElzabRegister& ecr, ElzabPackages& packages);
  ElzabImport(const ElzabImport&) = delete;
  ElzabImport& operator=(const ElzabImport&) = delete;
  ~ElzabImport();

  // The whole import, with `importDate` as the sale date of what carries none: a failed
  // import's outputs first, then a new read (port mode), or the outputs as they lie (file mode).
  void Import(double importDate);

  // Reads the outputs lying in the exchange directory into buffers by `pass`, as a pass of
  // its own: the buffers and receipts of an earlier pass are dropped, nothing is recorded of
  // what the host has. The import settles and reads its passes itself.
  void ReadOutputs(const ImportPass& pass);
  // The settings the parameters give.
  PassSettings ParameterSettings() const;
  // Stores each buffer the host has not taken yet, in date order of their creation, the
  // receipts with the last; exception when the host refuses one.
  void ImportSaveImpBufs();
  void DeleteImpBufs();

  // The buffer of `date`'s day, created (dated `date`) when there is none yet.
  KSImpBuf& ForDay(double date);
  // The buffer of `date`'s day; null when there is none.
  KSImpBuf* FindDay(double date);
  // A quantity of the counters (a decimal with ".") in thousandths.
  static double FormatujIlosc(const std::string& text);

  // What the receipt reader needs of the pass.
  ElzabSession& Session() { return session_; }
  const ElzabPackages& Packages() const { return packages_; }
  ElzabRunner& Runner() { return runner_; }
  bool SalesFromReceipts() const { return pass_.settings.salesFromReceipts; }
  bool Invoices() const { return pass_.settings.invoices; }
  // Receipt buffer data lines the host already has, which the pass passes over.
  int64_t ReceiptsSkip() const { return pass_.judgement.receiptsSkip; }
  // Whether the packaging of what the host has goes over again with what lies beyond it (a
  // record that does not say which dates the host's packaging is of).
  bool CarriesSkippedPackaging() const;
  // Whether payment form `form` (0..6) carries a date, as the register's forms say.
  bool PaymentHasDate(int form) const;
  void SetPaymentHasDate(int form, bool dated);
  // Appends one document's text to the receipts handed over with the last buffer.
  void AddReceiptText(const std::string& text);

 private:
  // Starts the import's work in the exchange directory, with `importDate` from the parameters.
  void Begin(double importDate);
  void ImportFromECR();
  // Identifies and reads the register, and hands over what lies beyond the host's share.
  void ReadAndHandOver();
  // Says in `text`, an error's, that the leftovers went over where it says nothing did; false
  // when it does not say so.
  static bool LeftoversSaid(std::string& text);
  // Settles a pass over the outputs lying there now and converts them into buffers; without
  // `cashierReports` the cashier's section is left out.
  void ImportFromFile(bool cashierReports = true);
  // The readers of the pass (pass_), each into the buffers of its lines' days; each returns
  // at once when its output is missing.
  void RunReaders(bool cashierReports);
  // Adds to each file of a sale date the host has packaging totals of those totals.
  void CarryPackaging();
  void ImportFromFileSale();
  // The Sigma's cashier's section, into the import date's buffer.
  void ImportFromFileCashierReports();
  // The Sigma's payment forms: which of them carry a date.
  void ImportFromFilePaymentTypes();
  void ImportFromFileReceipts();
  void ImpBufSetStandardFlags(KSImpBuf& buf);
  // Appends the receipts read from the register to the import file; true when any was.
  bool ImportSaveReceipts();
  // A failed import's outputs lie in the exchange directory.
  bool LeftoversLie() const;
  // Takes a failed import's outputs in, as a pass of their own, before the register is read.
  void ImportLeftovers();
  // Archives and removes the outputs, then the records that describe them.
  void AfterImport(bool last);

  ElzabSession& session_;
  ElzabRunner& runner_;
  const ElzabConfig& config_;
  ElzabRegister& register_;
  ElzabPackages& packages_;
  double importDate_ = 0;  // the import date the parameters give
  // The import's memory, kept beside the outputs.
  ImportRecovery recovery_;
  ImportPass pass_;             // the pass being read
  bool readsRegister_ = false;  // a port-mode import, which keeps what the host has of the register
  bool cashierOwed_ = false;    // a pass over a failed read's outputs left the cashier's section out
  bool leftoversHanded_ = false;  // the host took in a day of a failed read's outputs
  // The buffers with nothing but the packaging totals the host has of their dates.
  std::set<const KSImpBuf*> carriedOnly_;
  // One buffer per sale date, in the order they were created.
  std::vector<std::unique_ptr<KSImpBuf>> imp_bufs_;
  // The documents of the receipt buffer in the host's receipt text, each ended by CR LF, from
  // the receipt import until they are saved. A document is kept as text as soon as no later
  // record can change it, in pieces of about a megabyte, so that a day of a million lines
  // costs its text and not its objects, nor a copy of itself each time a single string grows.
  std::vector<std::string> receiptsText_;
  bool paymentHasDate_[7] = {false, false, false, false, false, false, false};
};
