// The object one host call runs in: device data from the host, the host's message list with
// a status column and progress, parameters in several forms, the driver's own persistent
// parameters, abort checks, results stored in the host, a named shared resource, and the
// last-chance handler that turns any error into the host's error lines.
#pragma once

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "exchange/MessageSink.h"
#include "hostlib/TMacSetOfIntegers.h"
#include "include/tvkdll.h"
#include "plugin/TKSStawkiKolejne.h"

class TKSLibrary;
class TMLgExtTools;

// The operation environment that TVKDLLSerKasOperacja hands to Operacja.
struct HTVKDLLSRODOWISKO {
  std::string NazwaSesji;
  HTVKDLLSKSESJA* phSesja = nullptr;
  int32_t Wynik = 0;
};

class TKSActionBase : public MessageSink {
 public:
  TKSActionBase(TKSLibrary* library, HTVKCBARG2 arg2);
  TKSActionBase(const TKSActionBase&) = delete;
  TKSActionBase& operator=(const TKSActionBase&) = delete;
  ~TKSActionBase() override;

  // The name of the resource that operations on this register share.
  virtual std::string NazwaZasobuDzielonego() = 0;
  // How the host should look for a receipt. The base does not know: false, nothing written.
  virtual bool JakSzukacParagonu(int* reportNo, int* second, int* receiptNo);
  // Runs one host operation. The base refuses every code.
  virtual void Operacja(HTVKDLLSRODOWISKO* environment, int code, int parameter);
  // A device property: "0" for 1101 and 1103, empty otherwise.
  virtual std::string WlasciwosciUrzadzenia(int code);

  HTVKCBARG2 Arg2() const { return FArg2; }
  TKSLibrary* Library() const { return FLibrary; }
  void UstawParametrOperacji(int parameter) { FOperParam = parameter; }
  TMLgExtTools* GetLgLink() const override;
  const std::vector<std::string>& GetFormatyWazone();
  TMacSetOfIntegers& GetStawkiDostepne();
  TMacSetOfIntegers& GetStawkiDostepnePrec();
  // The mappings of the host's VAT rates to the register's slots, in whole percent and in
  // hundredths of a percent: read from the driver's own parameters on first use, built from
  // the host's rates when nothing is stored, cut to IleMaxStawekKolejnych slots.
  TKSStawkiKolejne& GetStawkiKolejne();
  TKSStawkiKolejne& GetStawkiKolejnePrec();
  // Store a mapping in the host; raise as ZmienParametr does when the host refuses.
  void ZapiszStawkiKolejne();
  void ZapiszStawkiKolejnePrec();
  // Shows the rates window for the whole-percent (or precise) mapping: rows named after
  // `nazwaStawki`, editable when `edytowalne`, with a read-only extra "zw" row labelled
  // `specjalna` when that is not empty. OK in an editable window stores the choices; true
  // then. Where no window can be shown it says so in the host's list and changes nothing.
  bool WyswietlOknoStawekNaKasie(const std::string& nazwaStawki, bool edytowalne,
                                 const std::string& specjalna);
  bool WyswietlOknoStawekNaKasiePrec(const std::string& nazwaStawki, bool edytowalne,
                                     const std::string& specjalna);

  // Messages.
  void DodajKomunikat(int significance, const std::string& text);
  std::string ZmienOstatniKomunikat(int significance, const std::string& text);
  std::string PodajOstatniKomunikat(bool withoutStatus) const;
  void MsgAdd(const std::string& text, LPVState state, int max) override;
  // The same for a character text; a null pointer is the empty text and sends nothing.
  void MsgAdd(const char* text, LPVState state, int max);
  void MsgP(int progress) override;
  void MsgS(LPVState state) override;

  // Parameters.
  std::string WartoscParametru(const std::string& name);
  std::string ParamAsString(const std::string& name) { return WartoscParametru(name); }
  int ParamAsInt(const std::string& name);
  double ParamAsDate(const std::string& name);
  std::string ParamAsDir(const std::string& name);
  void ReadParamEx(const std::string& name, std::string& value);
  void WriteParamEx(const std::string& name, const std::string& value);
  std::string ReadLongParamEx(const std::string& name, int count);
  void WriteLongParamEx(const std::string& name, const std::string& value, int count);
  void ZmienParametr(const std::string& name, const std::string& value);
  void OdswiezParametry();

  // Abort.
  bool CzyPrzerwac();
  // True when the host can be asked whether to stop (it registered its abort service).
  bool HostCanAbort() const;
  void SprawdzCzyPrzerwac();

  // Results stored in the host; each raises when the host refuses or lacks the service.
  void ZapiszWynikEksportu();
  void ZapiszKasaImp();
  void ZapiszParagonImp();

  // The named shared resource: returns once held, or by the abort error.
  void ZajmijZasobSterownika(const std::string& resource);
  void ZwolnijZasobSterownika(const std::string& resource);
  // Holds the named shared resource for a scope (when `take`): waits for it as
  // ZajmijZasobSterownika does, and gives it back on the way out, whichever way that is.
  class ZasobSterownika {
   public:
    ZasobSterownika(TKSActionBase& action, const std::string& resource, bool take = true);
    ZasobSterownika(const ZasobSterownika&) = delete;
    ZasobSterownika& operator=(const ZasobSterownika&) = delete;
    ~ZasobSterownika();

   private:
    TKSActionBase* action_;  // null when nothing is held
    std::string resource_;
  };

  // Plain forwards to the host.
  std::string OdczytajTowar(const std::string& key);
  void KasujFlageAlarmu();
  int WstrzymajOperacje(const std::string& text, int value);
  void ZapiszStanLicznika(const int* values, int count);
  void ZapiszStanICzasLicznika(const int* values, int count, const std::string& time);
  // Goods from the register for the host to add: the fourteen arguments go to the host as
  // they are, texts untrimmed; the host's answer, -1 when it has no such service.
  int DodajTowarZKasy(const char* text1, int int1, const char* text2, int int2, const char* text3,
                      const char* text4, int int3, double value1, double value2, double value3,
                      double value4, int int4, int int5, const char* text5);

  // The last-chance handler: reports `error` (null: a thrown value that is no error object)
  // raised while the operation `description` ran, as error lines in the host's list.
  void OstatecznePrzechwycenieBledu(const std::string& description, const std::exception* error);

  // Device data from the host.
  int FIdUrzadzenia = -1;
  int FNrUrzadzenia = 0;
  std::string FNazwaUrzadzenia;
  std::string FNazwaStanowiska;
  std::string FKatalogWymiany;

 protected:
  // The number of VAT slots the register has.
  virtual int IleMaxStawekKolejnych() { return 10; }

  TKSLibrary* FLibrary;
  HTVKCBARG2 FArg2;
  std::unique_ptr<std::vector<std::string>> FFormatyWazone;
  std::unique_ptr<TMacSetOfIntegers> FStawkiDostepne;
  std::unique_ptr<TMacSetOfIntegers> FStawkiDostepnePrec;
  std::unique_ptr<TKSStawkiKolejne> FStawkiKolejne;
  std::unique_ptr<TKSStawkiKolejne> FStawkiKolejnePrec;
  std::string FLastMsg;
  LPVState FLastState = LPV_None;
  int FLastMax = 100;
  int FLastProgress = 0;
  int FOperParam = 0;
  std::string FOstatniKomunikat;

 private:
  bool PokazOknoStawek(bool precyzyjne, const std::string& nazwaStawki, bool edytowalne,
                       const std::string& specjalna);
};

// The host significance of a state: 2 error, 1 warning, 0 otherwise.
int ZnaczenieStanu(LPVState state);
