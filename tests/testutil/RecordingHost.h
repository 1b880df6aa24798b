// A host for tests: serves every host service from plain data and records every call, so a
// test can check what the driver asked and what the host's message list shows. It registers
// its services either into a library object in this process or through the C interface of
// the loaded library, exactly as a host does.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "include/tvkdll.h"

namespace testutil {

struct HostMessage {
  int significance;
  std::string text;
  bool operator==(const HostMessage& o) const {
    return significance == o.significance && text == o.text;
  }
};

class RecordingHost {
 public:
  RecordingHost();

  // Every code the host serves.
  static std::set<int> AllServices();
  // Registers the services of `codes` through `registerFn` (the library's
  // TVKDLLRejestrujCallback or a lambda calling TKSLibrary::RejestrujCallback).
  void RegisterServices(const std::function<void(void*, int)>& registerFn,
                        const std::set<int>& codes = AllServices());

  // --- what the host answers ---
  int deviceId = 1;
  int deviceNumber = 1;
  std::string deviceName = "Kasa 1";
  std::string stationName = "Stanowisko 1";
  std::string exchangeDir;
  std::map<std::string, std::string> params;
  bool abortAnswer = false;
  int abortAfterCalls = -1;  // >= 0: answer "stop" from this many abort checks on
  // When set, answers "stop" whenever it returns true (for example once a program runs).
  std::function<bool()> abortWhen;
  bool grantResource = true;
  bool storeAnswer = true;  // services 16, 17, 18, 21
  std::vector<int> vatRates;
  std::vector<int> vatRatesPrec;
  std::vector<std::string> weighedFormats;
  std::map<std::string, std::string> translations;  // module + "/" + key -> text
  std::string translateAll;  // when set, the answer to every lookup of the language object
  // A hostile host: every text it writes fills the whole buffer with no terminator, every
  // number it gives is extreme, every yes-or-no answer is an odd non-zero value, and the
  // lists of VAT rates and weighed formats never end. The abort service still answers as
  // set above, so that operations run.
  bool garbage = false;
  // Called when the host stores an export result (16) or an import (17).
  std::function<void(int code)> onStore;

  // --- what the host saw ---
  std::vector<HostMessage> messages;  // the list as it stands after replacements
  std::vector<std::string> events;    // "12 <text>", "13 <text>", "22 <name>", "23 <name>", ...
  std::map<std::string, std::string> stored;  // service 21
  int abortChecks = 0;
  int resourceRequests = 0;
  std::vector<std::string> translationKeys;  // every key asked of the language object

  // The texts of the list, and of its error lines only.
  std::vector<std::string> Texts() const;
  std::vector<std::string> ErrorTexts() const;
  // The whole list as one text, a line each ("!" marks errors, "?" warnings).
  std::string Dump() const;

  TVKDLLJezyk language;

 private:
  static RecordingHost* Self(HTVKCBARG1 arg1) { return static_cast<RecordingHost*>(arg1); }
  friend struct Services;
};

}  // namespace testutil
