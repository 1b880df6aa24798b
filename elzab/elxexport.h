// The goods export of one operation: the register's tables (groups, units, the euro rate,
// payment forms), then the goods in three batches (price changes, deletions, additions and
// updates), then the export result that tells the host which goods the register took.
#pragma once

#include <memory>
#include <set>
#include <string>

class ElzabPackages;
class ElzabRunner;
class KSTowRec;
class TErrorLog;
class ElzabRegister;
class ElzabExportReports;
class ElzabSession;
class TrelvaxExpBuf;
struct ElzabConfig;

class ElzabExport {
 public:
  // Exports for `session`'s device to the register `ecr`, warning and summing up through
  // `reports`, running programs through `runner`, keeping `packages`; all of them outlive the
  // export.
  ElzabExport(ElzabSession& session, ElzabExportReports& reports, ElzabRunner& runner,
              const ElzabConfig& config, ElzabRegister& ecr, ElzabPackages& packages);
  ElzabExport(const ElzabExport&) = delete;
  ElzabExport& operator=(const ElzabExport&) = delete;
  ~ElzabExport();

  // The whole export of the host's export file.
  void Eksport();

  // The pieces, on the export buffer UseBuffer gives (Eksport its own), warnings going to the
  // log that OpenLog starts ("errors.txt") and CloseLog ends.
  void UseBuffer(TrelvaxExpBuf* buffer);
  void OpenLog();
  void CloseLog();
  void SendItems();
  // Builds the register record of a goods, or withdraws it (status stNull) with a warning.
  void PrepareItemsRec(KSTowRec* rec);
  // Marks the goods that the program of `function` took; after a failed add/update run
  // only those before the goods that stopped it, less the refused ones.
  void MarkRecTrOk(int function, bool afterError);
  // The PLUs the goods run's output names as refused, each warned of in the log.
  std::set<std::string> CheckZBPTOWARFileErrorPLU();
  void AfterExport();
  // The register's tables: goods groups, units of measure, the euro rate, payment forms.
  void SendAssorts();
  void SendUnitTable();
  void SendEuro();
  void SendPayments();

 private:
  // The goods records of the three batches, in row order.
  struct Batches {
    std::string prices;
    std::string deletions;
    std::string additions;
  };
  // Prepares every goods's register record and collects the batches.
  Batches PrepareBatches();
  // Sends one batch, when it holds any goods, through the program of `function`, and marks the
  // goods the register took.
  void SendBatch(int function, std::string text, const char* key, const char* progress);
  // Writes one program input file and runs the program, between a progress line and its
  // close; an abort request is honoured after it.
  void SendTable(int function, const char* key, const char* progress, const std::string& text);
  TrelvaxExpBuf* ExpBuf() const;

  ElzabSession& session_;
  ElzabExportReports& reports_;
  ElzabRunner& runner_;
  const ElzabConfig& config_;
  ElzabRegister& register_;
  ElzabPackages& packages_;
  TrelvaxExpBuf* buffer_ = nullptr;  // the goods being exported
  std::unique_ptr<TErrorLog> logError_;
};
