// What every cash-register driver's operations share: the exchange file names in the host's
// exchange directory, the export and import buffers, waiting for files, progress
// throttling, rejected goods and warnings with their log file, and a message box that logs
// instead of asking (an operation may run with nobody at the screen).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "hostlib/TMFile.h"
#include "plugin/TKSActionBase.h"
#include "support/TLTools.h"

class KSExpBuf;
class KSImpBuf;

// A line log kept in a file.
class TErrorLog {
 public:
  // Opens the file for reading and writing and empties it.
  explicit TErrorLog(const std::string& path);
  TErrorLog(const TErrorLog&) = delete;
  TErrorLog& operator=(const TErrorLog&) = delete;
  // Closes the file; the file stays on disk.
  ~TErrorLog();

  void Add(const std::string& line);
  void GotoFirst();
  // Read the first (from the start) or the next line; true when the end was reached and no
  // line could be read.
  bool GetFirst(std::string& line);
  bool GetNext(std::string& line);
  int GetCount() const { return count; }

 private:
  std::unique_ptr<TMFile> file;
  int count = 0;
};

class KSAction : public TKSActionBase {
 public:
  KSAction(TKSLibrary* library, HTVKCBARG2 arg2);
  ~KSAction() override;

  // Exchange files: the exchange directory followed directly by the file name (the host's
  // directory ends with a separator).
  std::string FNameIMP() const { return FKatalogWymiany + "null.imp"; }
  std::string FNameEXP() const { return FKatalogWymiany + "null.exp"; }
  std::string FNameKEXP() const { return FKatalogWymiany + "kasa.exp"; }
  std::string FNameWEXP() const { return FKatalogWymiany + "wynik.exp"; }
  std::string FNameKIMP() const { return FKatalogWymiany + "kasa.imp"; }
  std::string FNameKTMP() const { return FKatalogWymiany + "kasa.tmp"; }
  std::string FNamePAR() const { return FKatalogWymiany + "paragon.imp"; }
  std::string FNamePARC() const { return FKatalogWymiany + "archpar.imp"; }
  std::string FNameKARC() const { return FKatalogWymiany + "arch1.imp"; }
  std::string FNameKEARC() const { return FKatalogWymiany + "arch1.exp"; }
  virtual std::string FNameLOG() { return FKatalogWymiany + "kasa.log"; }

  // The system's short form of an existing path (at most 260 characters); other paths
  // come back unchanged.
  std::string ShortenPathName(const std::string& path);
  // Waits, one second at a time, until `file` exists (or, with waitForRemoval, is gone):
  // 1 when it did, 0 when the host asked to stop, -1 after `timeoutSeconds` (0: no limit).
  int WaitForFileState(const std::string& file, bool waitForRemoval, int timeoutSeconds);
  // Counts one unit and shows it, less often as the count grows.
  void Progress(int& counter);
  // A warning into `log`, or to the host's list when there is no log.
  void AddWarning(const std::string& text, TErrorLog* log);
  // Reports a log: a count line, at most 20 lines, and "i tak dalej..." for the rest.
  void LogWarnings(TErrorLog* log, const std::string& before, const std::string& after,
                   LPVState state);
  // After an export: reports the rejected goods and the warnings once, and logs them.
  void LogujOdrzuconePrzyEksporcie();
  // Appends error_log under `header` to the log file and empties it.
  virtual void FlushErrorLog(const std::string& header);
  void SetErrorLog(const std::string& text) { error_log.push_back(text); }
  // Shows nothing: logs caption and text and answers the safe button of the button set.
  virtual int MessageBoxA(const std::string& text, const std::string& caption, unsigned type);

  // The goods counters of exp_buf by status (with `all`, the zero ones too).
  void ShowTowInfo(bool all);
  // The sales value of an import buffer (null: imp_buf) as one summary line.
  void ShowTotalValue(KSImpBuf* buffer = nullptr);

  // The register slot (from 0) of a host VAT rate in whole percent (or, Prec, in hundredths
  // of a percent) in the action's rate mapping: the first slot that holds it. A rate the
  // mapping does not hold raises "Niezdefiniowana stawka ...". The last answer is remembered
  // in this action (never shared with another action) and only while the mapping is
  // unchanged.
  int NumerStawki(int rate);
  int NumerStawkiPrec(int ratePrec);

  bool Frej_reported = false;
  bool Fcokolwiek_eksportowano = false;
  std::string buffer;
  KSExpBuf* exp_buf = nullptr;
  KSImpBuf* imp_buf = nullptr;
  TLTools tools;
  std::vector<std::string> warning_log;
  int FLastStawka = 9999;
  int FLastStawkaPrec = 9999;
  int FNumerStawki = 0;            // the slot found for FLastStawka
  unsigned FWersjaStawek = 0;      // ... in this version of the mapping
  int FNumerStawkiPrec = 0;        // the slot found for FLastStawkaPrec
  unsigned FWersjaStawekPrec = 0;  // ... in this version of the precise mapping
  bool FTrybOnLine = false;
  std::vector<std::string> error_log;
};
