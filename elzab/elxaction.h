// The ELZAB STX driver's operation object: one per host operation. It reads the driver's
// parameters, writes KONFIG.TXT for ELZAB's communication programs, names and writes their
// input files, runs them in the exchange directory and reads what they leave behind.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "elzab/elxconfig.h"
#include "elzab/elxhanded.h"
#include "elzab/elxparag.h"
#include "elzab/elxrunner.h"
#include "plugin/KSAction.h"

class KSImpBuf;
class KSTowRec;
class TrelvaxExpBuf;

// The register model, as the identification recognises it.
enum e_Type : int32_t {
  t_K10 = 0,
  t_K10_Online = 1,
  t_Mini_Online = 2,
  t_Jota_Online = 3,
  t_Sigma = 4,
  t_Default = 5,
};

class TrelvaxAction : public KSAction {
 public:
  TrelvaxAction(TKSLibrary* library, HTVKCBARG2 arg2);
  ~TrelvaxAction() override;

  std::string NazwaZasobuDzielonego() override;
  bool JakSzukacParagonu(int* reportNo, int* second, int* receiptNo) override;
  void Operacja(HTVKDLLSRODOWISKO* environment, int code, int parameter) override;
  std::string WlasciwosciUrzadzenia(int code) override;

  // Configuration and working files.
  void ReadParams();
  void CreateConfig();
  // The program runner of this operation.
  ElzabRunner& Runner() { return runner_; }

  void CheckZBPTOWARFileErrorPLU();
  void DodFuncExecute(int parameter);

  // Register identification and its VAT table.
  void TestConnection();
  void CheckType(bool print);
  void GetVatFromECR();
  int VatLetter(int rate) const;

  // The goods export: tables, then goods in three batches, then the export result.
  void Eksport();
  void SendItems();
  // Builds the register record of a goods, or withdraws it (status stNull) with a warning.
  void PrepareItemsRec(KSTowRec* rec);
  // Marks the goods that the program of `function` took; after a failed add/update run
  // only those before the goods that stopped it, less the refused ones.
  void MarkRecTrOk(int function, bool afterError);
  void LoadPackages();
  void WritePackage(const std::string& plu);
  void DeletePackages();
  void AfterExport();
  // The register's tables: goods groups, units of measure, the euro rate, payment forms.
  void SendAssorts();
  void SendUnitTable();
  void SendEuro();
  void SendPayments();

  // The sales import.
  void Import();
  void ImportFromECR();
  // Converts the programs' outputs into buffers; without `cashierReports` the cashier's
  // section is left out.
  void ImportFromFile(bool cashierReports = true);
  // Makes the buffer of `date`'s day current, creating it when there is none.
  void ImpBufsSubstitute(double date);
  void ImpBufSetStandardFlags();
  void ImportSaveImpBufs();
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
  void DeleteImpBufs();
  void ImportFromFileSale();
  // A quantity of the counters (a decimal with ".") in thousandths.
  static double FormatujIlosc(const std::string& text);
  void ImportFromFileCashierReports();
  void ImportFromFilePaymentTypes();
  void ImportFromFileReceipts();
  // Appends the receipts read from the register to the import file; true when any was.
  bool ImportSaveReceipts();

  // The settings of this operation, as its parameters give them.
  ElzabConfig config;
  // The register, as the identification found it.
  e_Type cfgType = t_K10;
  int32_t cfgPLUMax = 0;
  int32_t cfgNameMax = 0;
  // The settings that shape what the current import pass hands over: the parameters' (from
  // `config`), or for a pass over recorded outputs the ones they were first read with.
  int32_t cfgReceipts = 0;
  int32_t cfgSaleSource = 0;
  bool cfgSaleBufferFV = false;
  double importDate = 0;                 // the import date the current outputs are read with
  std::vector<double> storedDays;        // days of the current outputs the host already took in
  std::vector<OutputStamp> passOutputs;  // the outputs the current pass reads
  bool readsRegister = false;  // a port-mode import, which keeps what the host has of the register
  bool recovering = false;     // a port-mode import that found a failed one's outputs
  bool settingsNoted = false;  // the warning about settings changed in a recovery was given
  ReadSummary passSummary;     // the current pass's outputs
  ReadSummary handedBase;      // what the host had of the register before the pass
  bool hasHandedBase = false;
  bool registerZeroed = true;  // a daily report closed the register since handedBase was read
  int64_t receiptsSkip = 0;    // receipt buffer data lines the host already has
  bool countersDelta = false;  // the counters go to the host less handedBase's
  // One buffer per sale date; DeleteImpBufs frees them and leaves empty slots.
  std::vector<std::unique_ptr<KSImpBuf>> imp_bufs;
  // The documents of the receipt buffer in the host's receipt text, each ended by CR LF, from
  // the receipt import until they are saved. A document is kept as text as soon as no later
  // record can change it, in pieces of about a megabyte, so that a day of a million lines
  // costs its text and not its objects, nor a copy of itself each time a single string grows.
  std::vector<std::string> receiptsText;
  // Appends one document's text to `receiptsText`.
  void AddReceiptText(const std::string& text);
  std::unique_ptr<std::set<std::string>> packages;
  std::unique_ptr<std::set<std::string>> pluRejected;
  int32_t vatRates[7] = {0, 0, 0, 0, 0, 0, 0};
  int32_t paymentHasDate[7] = {0, 0, 0, 0, 0, 0, 0};
  std::unique_ptr<TErrorLog> logError;

 private:
  // Holds the exchange directory's lock file for an operation's whole length; waits for it
  // while another operation holds it, and ends with an error naming the directory when the
  // person stops the wait. `take` false: holds nothing.
  class DirectoryLock {
   public:
    DirectoryLock(TrelvaxAction& action, bool take);
    DirectoryLock(const DirectoryLock&) = delete;
    DirectoryLock& operator=(const DirectoryLock&) = delete;
    ~DirectoryLock();

   private:
    void* lock_ = nullptr;
  };
  // A text of the driver's own, translated through the driver's language link.
  std::string Tr(const char* key, const char* text) const;
  // Writes one program input file and runs the program, between a progress line and its
  // close; an abort request is honoured after it.
  void SendTable(int function, const char* key, const char* progress, const std::string& text);
  TrelvaxExpBuf* ExpBuf() const;

  ElzabRunner runner_{*this, config};
};
