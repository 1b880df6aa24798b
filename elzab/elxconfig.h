// The driver's settings for one operation, read from the host's parameters once, at its start
// (the import date by the import itself, since only an import stops on a date it cannot read).
// Every parameter the driver reads during an operation is read here.
#pragma once

#include <cstdint>
#include <string>

class KSAction;

struct ElzabConfig {
  // Reads every setting of `action`'s device; `fileModePort` is the port text that means
  // file mode.
  void Read(KSAction& action, const std::string& fileModePort);
  // Reads "DataImportu" into cfgImportDate; the conversion's error when it is no date.
  void ReadImportDate(KSAction& action);

  std::string cfgExePath;        // ELZAB's programs' folder, ending in a separator, in short form
  std::string cfgExePathTyped;   // the same as the parameter gives it, ending in a separator
  bool cfgExePathGiven = false;  // the parameter names a folder (is not empty)
  std::string cfgPort;           // "ElzabSTXPort": a serial port, "LAN" or file mode
  bool cfgFileMode = false;      // no program runs: the outputs are taken as they lie
  int32_t cfgTimeout = 0;
  int32_t cfgPoziomCen = 0;
  int32_t cfgProductFlag = 0;
  int32_t cfgReceipts = 0;
  int32_t cfgSaleSource = 0;
  bool cfgProtectExecution = false;  // program runs hold the host's shared resource
  int32_t cfgSaleBufferType = 0;
  bool cfgSaleBufferFV = false;
  bool cfgUserKonfig = false;  // KONFIG.TXT is the technician's own, not written
  std::string cfgRS232Speed;   // the list index, or the speed itself
  std::string cfgIPAddr;
  std::string cfgIPPort;
  std::string cfgIPAuth;
  int32_t cfgIPTimeout = 0;
  int32_t cfgIPRet = 0;
  int32_t cfgTransmission = 0;  // "RodzajTransmisji": 3 deletes every goods first
  bool cfgPrgEuro = false;      // the euro rate is sent
  bool cfgPrgPayments = false;  // the payment forms are sent
  bool cfgDokPlu = false;
  double cfgImportDate = 0;  // "DataImportu"
};
