// The library object the host registers once: the host's registration context, the table of
// host services, the language link, and the factory of one operation object per host call.
// Each host service is wrapped in a method that answers sensibly when the host did not
// register the service.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "hostlib/TMLgExtTools.h"
#include "include/tvkdll.h"

class TKSActionBase;
class TMacSetOfIntegers;

class TKSLibrary {
 public:
  explicit TKSLibrary(HTVKCBARG1 arg1);
  TKSLibrary(const TKSLibrary&) = delete;
  TKSLibrary& operator=(const TKSLibrary&) = delete;
  virtual ~TKSLibrary();

  // Creates the operation object for one host call; the caller owns it.
  virtual TKSActionBase* UtworzAkcje(HTVKCBARG2 arg2) = 0;
  // Shows a driver window. The base shows none and answers false.
  virtual BOOL PokazOkno(TKSActionBase* action, int number, bool flag, int* value, char* buffer);
  // Raises when the driver cannot work with the host's session: only no session passes.
  virtual void WeryfikujTypSesji(HTVKDLLSKSESJA session, const std::string& name);
  // Keeps a session alive. The base does nothing.
  virtual void PodtrzymajSesje(HTVKDLLSKSESJA* session, std::string& name, int value, bool flag);

  // Class-level descriptions; each driver supplies the bodies.
  static std::string OpisOkna(int number);
  static int TypBiblioteki();
  static std::string Wlasciwosci(int code);
  static TKSLibrary* RejestrujBiblioteke(HTVKCBARG1 arg1);
  static int Parametr(int group, int index, std::string& name, std::string& description,
                      std::string& defaultValue, std::string& text1, std::string& text2, int& flag);
  static std::string TekstListyParametru(const std::string& name, int index);

  // Stores a host service under its code; code 34 is the host's language object.
  void RejestrujCallback(void* function, int code);

  // Names equal when trimmed and upper-cased; an empty name matches nothing.
  static bool ZgodnaNazwaParametru(const std::string& a, const std::string& b);
  // A parameter as a person finds it among the device's settings: its label, then its name
  // ("\"Data importu\", DataImportu"); the name alone when the driver's table has no label.
  static std::string OpisParametru(const std::string& name);
  // The driver-qualified name of an own parameter: "KS_ElzabSTX" + "_" + name.
  static std::string NazwaZTypem(const std::string& name);

  // Host-service wrappers. Each passes FArg1 and the action's FArg2 first.
  bool CzyPrzerwac(TKSActionBase* action);
  // True when the host registered its abort service (code 5), so that CzyPrzerwac answers
  // for the person at the back office and not for a missing service.
  bool HasAbortService() const { return FCBCzyPrzerwac != nullptr; }
  std::string WartoscParametru(TKSActionBase* action, const std::string& name);
  void WypelnijDaneUrzadzenia(TKSActionBase* action);
  void DodajKomunikat(TKSActionBase* action, int significance, const std::string& text);
  void ZmienOstatniKomunikat(TKSActionBase* action, int significance, const std::string& text);
  void WypelnijFormatyWazone(TKSActionBase* action, std::vector<std::string>& formats);
  void WypelnijStawkiVAT(TKSActionBase* action, TMacSetOfIntegers& rates);
  void WypelnijStawkiVATPrec(TKSActionBase* action, TMacSetOfIntegers& rates);
  bool ZapiszWynikEksportu(TKSActionBase* action);
  bool ZapiszImport(TKSActionBase* action);
  bool ZapiszParagon(TKSActionBase* action);
  std::string OdczytajTowar(TKSActionBase* action, const std::string& key);
  void OdswiezParametry(TKSActionBase* action);
  bool ZmienParametr(TKSActionBase* action, const std::string& name, const std::string& value);
  bool ZajmijZasobSterownika(TKSActionBase* action, const std::string& resource);
  void ZwolnijZasobSterownika(TKSActionBase* action, const std::string& resource);
  void KasujFlageAlarmu(TKSActionBase* action);
  int WstrzymajOperacje(TKSActionBase* action, const std::string& text, int value);
  void ZapiszStanLicznika(TKSActionBase* action, const int* values, int count);
  void ZapiszStanICzasLicznika(TKSActionBase* action, const int* values, int count,
                               const std::string& time);
  int DodajTowarZKasy(TKSActionBase* action, const char* text1, int int1, const char* text2,
                      int int2, const char* text3, const char* text4, int int3, double value1,
                      double value2, double value3, double value4, int int4, int int5,
                      const char* text5);

  TMLgExtTools* GetLgLink() const { return FLgLink.get(); }
  HTVKCBARG1 Arg1() const { return FArg1; }

 protected:
  HTVKCBARG1 FArg1;
  TVKDLLCBCzyPrzerwac FCBCzyPrzerwac = nullptr;
  TVKDLLCBWartoscParametru FCBWartoscParametru = nullptr;
  TVKDLLCBDaneUrzadzenia FCBDaneUrzadzenia = nullptr;
  TVKDLLCBDodajKomunikat FCBDodajKomunikat = nullptr;
  TVKDLLCBZmienOstatniKomunikat FCBZmienOstatniKomunikat = nullptr;
  TVKDLLCBFormatWazony FCBFormatWazony = nullptr;
  TVKDLLCBStawkaVAT FCBStawkaVAT = nullptr;
  TVKDLLCBStawkaVATPrec FCBStawkaVATPrec = nullptr;
  TVKDLLCBZapiszWynikEksportu FCBZapiszWynikEksportu = nullptr;
  TVKDLLCBZapiszImport FCBZapiszImport = nullptr;
  TVKDLLCBZapiszParagon FCBZapiszParagon = nullptr;
  TVKDLLCBOdczytajTowar FCBOdczytajTowar = nullptr;
  TVKDLLCBOdswiezParametry FCBOdswiezParametry = nullptr;
  TVKDLLCBZmienParametr FCBZmienParametr = nullptr;
  TVKDLLCBZajmijZasobSterownika FCBZajmijZasobSterownika = nullptr;
  TVKDLLCBZwolnijZasobSterownika FCBZwolnijZasobSterownika = nullptr;
  TVKDLLCBKasujFlageAlarmu FCBKasujFlageAlarmu = nullptr;
  TVKDLLCBWstrzymajOperacje FCBWstrzymajOperacje = nullptr;
  TVKDLLCBZapiszStanLicznika FCBZapiszStanLicznika = nullptr;
  TVKDLLCBZapiszStanICzasLicznika FCBZapiszStanICzasLicznika = nullptr;
  TVKDLLCBDodajTowarZKasy FCBDodajTowarZKasy = nullptr;
  std::unique_ptr<TMLgExtTools> FLgLink;
};

// The most recently registered library, and the language link of the driver's own texts,
// copied from that library's link at registration (which has none yet, so the driver's own
// texts come out as their Polish defaults).
extern std::atomic<TKSLibrary*> ksLibrary;
extern std::atomic<TMLgExtTools*> ksLgLink;
