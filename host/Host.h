// The host side of the driver: the services a back office registers into the library, and
// the calling order it keeps (descriptive calls, registration, services, action-level calls,
// release).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/DriverLibrary.h"
#include "host/HostConfig.h"
#include "host/MessageRenderer.h"
#include "host/ParameterTable.h"
#include "include/tvkdll.h"
#include "platform/Env.h"

namespace tvkhost {

// The exit code of a tvkhost that ended itself at the moment TVKHOST_DIE_AT names.
inline constexpr int kDiedOnPurpose = 86;

struct HostOptions {
  std::string outDir;    // where stored exports and imports are copied
  std::string langFile;  // translations, optional
};

// What one operation left behind, for the caller to judge and summarise.
struct OperationOutcome {
  int result = 0;      // the driver's answer
  int errorLines = 0;  // lines of significance 2
  std::vector<MessageLine> lines;
  std::vector<std::string> stored;  // paths of the files the host took in during it
};

// Translations for the language link: module, key -> text (Windows-1250).
class Translations {
 public:
  // Reads lines "module<TAB>key<TAB>text" ("#" comments, empty lines skipped) from a
  // Windows-1250 or UTF-8 file. False with a reason when it cannot be read.
  bool Load(const std::string& path, std::string& error);
  void Parse(const std::string& bytes);
  bool Find(const std::string& module, const std::string& key, std::string& text) const;
  size_t Size() const { return texts_.size(); }

 private:
  std::map<std::string, std::string> texts_;  // module + '\t' + key
};

class Host {
 public:
  Host(HostConfig& config, MessageRenderer& renderer, HostOptions options);
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;
  ~Host();

  // Loads translations (when a file is named), registers the library and every service.
  // False with a reason when the library cannot be registered.
  bool Start(DriverLibrary& driver, std::string& error);
  // Releases the library; further calls need Start again.
  void Stop();

  // Runs one operation on the selected device (TVKDLLSerKasOperacja).
  OperationOutcome RunOperation(int code, int parameter);
  // An action-level device property (TVKDLLWlasciwosciUrzadzenia).
  std::string DeviceProperty(int code);
  // The shared-resource name of the selected device (TVKDLLSerKasNazwaZasobuDzielonego).
  std::string SharedResourceName();
  // How the host is to look for a receipt (TVKDLLSerKasJakSzukacParagonu).
  bool ReceiptSearch(int& reportNo, int& second, int& receiptNo);

  const ParameterTable& Parameters() const { return params_; }
  // Sets parameter `name` (any case) for the operations that follow, over the configuration,
  // given to the driver as it stands (for example "DataImportu" = "2026-12-08").
  void SetOverride(const std::string& name, const std::string& value);
  MessageRenderer& Renderer() { return renderer_; }

  // Asks the running operation to stop at the driver's next check (Ctrl+C).
  static void RequestAbort();
  static bool AbortRequested();
  static void ClearAbort();

  // ---- the services, as the callbacks call them ---------------------------------------
  bool CzyPrzerwac();
  void WartoscParametru(const char* name, char* value);
  void DaneUrzadzenia(int* id, int* number, char* deviceName, char* stationName, char* exchangeDir);
  void DodajKomunikat(int significance, const char* text);
  void ZmienOstatniKomunikat(int significance, const char* text);
  bool FormatWazony(int index, char* text);
  bool StawkaVAT(int index, int* rate);
  bool StawkaVATPrec(int index, int* rate);
  bool ZapiszWynikEksportu();
  bool ZapiszImport();
  bool ZapiszParagon();
  bool OdczytajTowar(char* text, const char* key);
  void OdswiezParametry();
  bool ZmienParametr(const char* name, const char* value);
  bool ZajmijZasob(const char* resource);
  void ZwolnijZasob(const char* resource);
  void KasujFlageAlarmu();
  int WstrzymajOperacje(const char* text, int value);
  bool ZapiszStanLicznika(const int* values, int count, const char* time);
  int DodajTowarZKasy(const char* text1, int int1, const char* text2, int int2, const char* text3,
                      const char* text4, int int3, double value1, double value2, double value3,
                      double value4, int int4, int int5, const char* text5);
  bool Translate(const char* module, const char* key, const char* defaultText, char* buffer,
                 int size);

  // The value the driver gets for parameter `name` during operation `code`.
  std::string ParameterValue(const std::string& name, int code) const;

 private:
  // Copies `fileName` from the exchange directory into the output folder under a
  // timestamped name; false (and a note why) when it cannot.
  bool StoreFromExchange(const std::string& fileName, const std::string& what);
  void RegisterServices();

  HostConfig& config_;
  MessageRenderer& renderer_;
  HostOptions options_;
  const DriverExports* api_ = nullptr;
  HTVKDLLLIB library_ = nullptr;
  ParameterTable params_;
  Translations translations_;
  TVKDLLJezyk language_{};
  int operationCode_ = 0;
  std::map<std::string, std::unique_ptr<platform::InterProcessLock>> locks_;
  std::map<std::string, bool> waitingNoted_;
  std::vector<std::string> stored_;
  std::map<std::string, std::string> overrides_;  // upper-case name -> value
};

// The local date and time of a host day count, as "2026-12-08" and "2026-12-08 10:00:00".
std::string DateText(double dayCount);
std::string DateTimeText(double dayCount);
// "20261208-100000-123", for file names.
std::string StampText(double dayCount);

}  // namespace tvkhost
