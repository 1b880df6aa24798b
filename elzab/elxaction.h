// The ELZAB STX driver's operation object: one per host operation. It reads the driver's
// parameters once into its configuration, writes KONFIG.TXT for ELZAB's communication programs,
// and dispatches the host's operations to its collaborators, each of which owns its state: the
// program runs to `Runner()`, the connection test to `Register()`, the goods export to
// `GoodsExport()` and the sales import to `SalesImport()`. They see the operation only through
// the narrow ElzabSession, never through this class.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "elzab/elxactionsession.h"
#include "elzab/elxconfig.h"
#include "elzab/elxexport.h"
#include "elzab/elximport.h"
#include "elzab/elxpackages.h"
#include "elzab/elxregister.h"
#include "elzab/elxrunner.h"
#include "plugin/KSAction.h"

class KSImpBuf;
class KSTowRec;
class TrelvaxExpBuf;

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
  // Refuses, naming the parameter, a programs' folder or a LAN address or port the programs
  // cannot be run with.
  void CheckConnection();
  void CreateConfig();
  // The program runner of this operation.
  ElzabRunner& Runner() { return runner_; }

  void DodFuncExecute(int parameter);

  // The connection test: the register identified, with the details shown.
  void TestConnection();
  // The register of this operation: its identification and VAT table.
  ElzabRegister& Register() { return register_; }

  // The goods export.
  void Eksport();
  // The goods export of this operation, and the register's packaging goods it keeps.
  ElzabExport& GoodsExport() { return export_; }
  ElzabPackages& Packages() { return packages_; }

  // The sales import.
  void Import();
  // The sales import of this operation.
  ElzabImport& SalesImport() { return import_; }

  // The settings of this operation, as its parameters give them.
  const ElzabConfig& Config() const { return config_; }

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

  ElzabConfig config_;
  // What the collaborators see of this operation.
  ActionSession session_{*this};
  ElzabRunner runner_{session_, config_};
  ElzabRegister register_{session_, runner_};
  ElzabPackages packages_{session_, runner_, config_};
  ElzabExport export_{session_, session_, runner_, config_, register_, packages_};
  ElzabImport import_{session_, runner_, config_, register_, packages_};
};
