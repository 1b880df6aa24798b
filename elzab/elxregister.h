// The register an operation talks to, as it describes itself: its model, the highest goods
// number it holds and its longest goods name (the identification, OTypUrz.exe), and its table
// of seven VAT rates (OPodatek.exe), into whose slots goods rates are turned. The connection
// test is the identification shown; the export and the import identify the register before
// they send or read anything.
#pragma once

#include <cstdint>
#include <string>

class ElzabRunner;
class ElzabSession;
class TLJWords;

// The register model, as the identification recognises it.
enum e_Type : int32_t {
  t_K10 = 0,
  t_K10_Online = 1,
  t_Mini_Online = 2,
  t_Jota_Online = 3,
  t_Sigma = 4,
  t_Default = 5,
};

class ElzabRegister {
 public:
  // Reports into `session`'s list and runs the programs through `runner`; both outlive it.
  ElzabRegister(ElzabSession& session, ElzabRunner& runner);
  ElzabRegister(const ElzabRegister&) = delete;
  ElzabRegister& operator=(const ElzabRegister&) = delete;

  // Identifies the register; with `print` the details go to the host's list. The run's error,
  // or the read error of otypurz.out naming it, with the program's files removed.
  void CheckType(bool print);
  // Reads the VAT table; the run's error, or the read error of opodatek.out.
  void GetVatFromECR();
  // The register slot (1 to 7) of a rate in hundredths of a percent (-1: exempt); 999 when no
  // slot holds it. The lower slot of two with one rate.
  int VatLetter(int rate) const;

  // What the identification found; before it, t_K10, 0 and 0.
  e_Type cfgType() const { return cfgType_; }
  int32_t cfgPLUMax() const { return cfgPLUMax_; }
  int32_t cfgNameMax() const { return cfgNameMax_; }
  // The rate of slot `index` (0 to 6) as the VAT table gave it; 0 before it is read.
  int32_t VatRate(int index) const { return vatRates_[index]; }
  // The register's own number and the name of its model, as the identification read them;
  // empty before it.
  const std::string& RegisterNumber() const { return number_; }
  const std::string& ModelName() const { return modelName_; }

 private:
  // Shows the identification's details in the list, `shown` being the model recognised.
  void Show(TLJWords& fields, const char* shown);

  ElzabSession& session_;
  ElzabRunner& runner_;
  e_Type cfgType_ = t_K10;
  int32_t cfgPLUMax_ = 0;
  int32_t cfgNameMax_ = 0;
  int32_t vatRates_[7] = {0, 0, 0, 0, 0, 0, 0};
  std::string number_;
  std::string modelName_;
};
