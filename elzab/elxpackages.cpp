#include "elzab/elxpackages.h"

#include "elzab/elxconfig.h"
#include "elzab/elxrunner.h"
#include "elzab/elxsession.h"
#include "hostlib/TMFile.h"
#include "hostlib/TxTools.h"
#include "platform/Env.h"
#include "support/TLJWords.h"

ElzabPackages::ElzabPackages(ElzabSession& session, ElzabRunner& runner, const ElzabConfig& config)
    : session_(session), runner_(runner), config_(config) {}

void ElzabPackages::Delete() {
  const int kind = config_.cfgTransmission;
  if ((kind == 3 || kind == 2) && platform::CurrentEnv()->FileExists(runner_.FNamePackages())) {
    platform::CurrentEnv()->RemoveFile(runner_.FNamePackages());
  }
}

void ElzabPackages::Load() {
  session_.MsgAdd("Wczytanie listy opakowań ...", LPV_None, 100);
  plus_.clear();
  if (platform::CurrentEnv()->FileExists(runner_.FNamePackages())) {
    TMFile file(runner_.FNamePackages());
    file.SetReadOnly(true);
    file.Open();
    std::string line;
    while (file.ReadLine(line)) {
      // A number with a blank around it is still that package's PLU; a lone CR inside a line
      // (an older driver appended to a list cut between CR and LF) parts two of them.
      TLJWords parts("\r");
      const int count = parts.Init(line);
      for (int i = 0; i < count; ++i) {
        const std::string word = TxTools::Trim(parts[i]);
        if (!word.empty()) plus_.insert(TxTools::IntToStr(TxTools::StrToIntDef(word, 0)));
      }
    }
    file.Close();
  }
  session_.MsgS(LPV_Ok);
}

void ElzabPackages::Write(const std::string& plu) {
  TMFile file(runner_.FNamePackages());
  file.Open();
  // A last line without its end (edited by hand, or cut by a full disk) would take the new
  // number onto its own: "10" and "13" would read as 1013. A line ends at LF; a lone CR, the
  // first half of a line end cut off, is given its LF.
  const int last = file.LastByte();
  if (last == '\r') {
    file.Write("\n");
  } else if (last != -1 && last != '\n') {
    file.Write("\r\n");
  }
  file.WriteLine(plu);
  file.Close();
}

bool ElzabPackages::Contains(const std::string& plu) const {
  return plus_.count(plu) != 0;
}
