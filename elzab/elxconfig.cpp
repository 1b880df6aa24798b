#include "elzab/elxconfig.h"

#include "hostlib/TxTools.h"
#include "platform/Env.h"
#include "plugin/KSAction.h"

namespace {

bool EndsWithSeparator(const std::string& path) {
  return !path.empty() && (path.back() == '\\' || path.back() == '/');
}

}  // namespace

void ElzabConfig::Read(KSAction& a, const std::string& fileModePort) {
  cfgExePath = a.ParamAsString("ElzabSTXExePath");
  cfgExePathGiven = !TxTools::Trim(cfgExePath).empty();
  if (!EndsWithSeparator(cfgExePath)) cfgExePath += platform::kPathSeparator;
  cfgExePathTyped = cfgExePath;
  cfgExePath = a.ShortenPathName(cfgExePath);
  cfgPort = a.ParamAsString("ElzabSTXPort");
  cfgFileMode = cfgPort == fileModePort;
  cfgTimeout = a.ParamAsInt("ElzabSTXTimeout");
  cfgPoziomCen = a.ParamAsInt("PoziomCen");
  cfgProductFlag = a.ParamAsInt("ElzabSTXProductFlag");
  cfgReceipts = a.ParamAsInt("ElzabSTXReceipts");
  cfgSaleSource = a.ParamAsInt("ElzabSTXSaleSource");
  cfgProtectExecution = a.ParamAsInt("ElzabSTXProtectExe") == 1;
  cfgSaleBufferType = a.ParamAsInt("ElzabSTXSaleBufferType");
  cfgSaleBufferFV = a.ParamAsInt("ElzabSTXSaleBufferFV") == 1;
  cfgUserKonfig = a.ParamAsInt("ElzabSTXUserKonfig") != 0;
  cfgRS232Speed = TxTools::Trim(a.WartoscParametru("ElzabSTXRS232Speed"));
  cfgIPAddr = a.ParamAsString("ElzabSTXIPAddr");
  cfgIPPort = a.ParamAsString("ElzabSTXIPPort");
  cfgIPAuth = a.ParamAsString("ElzabSTXIPAuth");
  cfgIPTimeout = a.ParamAsInt("ElzabSTXIPTimeout");
  cfgIPRet = a.ParamAsInt("ElzabSTXIPRet");
  cfgTransmission = a.ParamAsInt("RodzajTransmisji");
  cfgPrgEuro = a.ParamAsInt("ElzabSTXPrgEuro") != 0;
  cfgPrgPayments = a.ParamAsInt("ElzabSTXPrgPayments") != 0;
  cfgDokPlu = a.ParamAsInt("ElzabSTXDokPlu") == 1;
}

void ElzabConfig::ReadImportDate(KSAction& a) {
  cfgImportDate = a.ParamAsDate("DataImportu");
}
