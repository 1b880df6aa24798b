// The ELZAB STX driver's operation object: one per host operation. It reads the driver's
// parameters once into `config`, writes KONFIG.TXT for ELZAB's communication programs, and
// dispatches the host's operations: the identification and the goods export here, the program
// runs to `Runner()` and the sales import to `SalesImport()`, each of which owns its state.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "elzab/elxconfig.h"
#include "elzab/elxexport.h"
#include "elzab/elximport.h"
#include "elzab/elxpackages.h"
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

  void DodFuncExecute(int parameter);

  // Register identification and its VAT table.
  void TestConnection();
  void CheckType(bool print);
  void GetVatFromECR();
  int VatLetter(int rate) const;

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
  ElzabConfig config;
  // The register, as the identification found it.
  e_Type cfgType = t_K10;
  int32_t cfgPLUMax = 0;
  int32_t cfgNameMax = 0;
  int32_t vatRates[7] = {0, 0, 0, 0, 0, 0, 0};

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

  ElzabRunner runner_{*this, config};
  ElzabPackages packages_{*this, runner_, config};
  ElzabExport export_{*this, runner_, config, packages_};
  ElzabImport import_{*this, runner_, config};
};
