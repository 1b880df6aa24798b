// A stand-in driver for the host program's tests: the fifteen exports of the C interface,
// each doing just enough to show that tvkhost serves the driver as a back office does. Its
// behaviour is steered by parameters the tests put in tvkhost's configuration.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#define TVKDLL_BUILDING
#include "include/tvkdll.h"
#include "platform/Env.h"

namespace {

struct Services {
  HTVKCBARG1 arg1 = nullptr;
  void* cb[40] = {};
  TVKDLLJezyk* lang = nullptr;
};

template <typename F>
F Cb(Services* s, int code) {
  return reinterpret_cast<F>(s->cb[code]);
}

struct Call {
  Services* s;
  HTVKCBARG2 arg2;

  std::string Param(const char* name) {
    char value[TVKDLL_TEXT_SIZE] = {0};
    auto f = Cb<TVKDLLCBWartoscParametru>(s, TVKDLL_CB_WARTOSC_PARAMETRU);
    if (f != nullptr) f(s->arg1, arg2, name, value);
    return value;
  }
  void Add(int significance, const std::string& text) {
    Cb<TVKDLLCBDodajKomunikat>(s, TVKDLL_CB_DODAJ_KOMUNIKAT)(s->arg1, arg2, significance,
                                                             text.c_str());
  }
  void Replace(int significance, const std::string& text) {
    Cb<TVKDLLCBZmienOstatniKomunikat>(s, TVKDLL_CB_ZMIEN_OSTATNI_KOMUNIKAT)(
        s->arg1, arg2, significance, text.c_str());
  }
  std::string ExchangeDir() {
    int id = -1, number = 0;
    char device[TVKDLL_TEXT_SIZE] = {0}, station[TVKDLL_TEXT_SIZE] = {0},
         dir[TVKDLL_DIR_SIZE] = {0};
    Cb<TVKDLLCBDaneUrzadzenia>(s, TVKDLL_CB_DANE_URZADZENIA)(s->arg1, arg2, &id, &number, device,
                                                             station, dir);
    return dir;
  }
  bool Abort() {
    auto f = Cb<TVKDLLCBCzyPrzerwac>(s, TVKDLL_CB_CZY_PRZERWAC);
    return f == nullptr || f(s->arg1, arg2) != 0;
  }
  std::string Text(const char* module, const char* key, const char* text) {
    char buffer[TVKDLL_TEXT_SIZE] = {0};
    if (s->lang == nullptr ||
        !s->lang->GetString(s->lang->context, module, key, text, buffer, TVKDLL_TEXT_SIZE)) {
      return text;
    }
    return buffer;
  }
};

void WriteFile(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(platform::NativeText(path).c_str(), "wb");
  if (f == nullptr) return;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

void AppendLine(const std::string& path, const std::string& line) {
  std::FILE* f = std::fopen(platform::NativeText(path).c_str(), "ab");
  if (f == nullptr) return;
  std::fputs((line + "\n").c_str(), f);
  std::fclose(f);
}

bool Exists(const std::string& path) {
  std::FILE* f = std::fopen(platform::NativeText(path).c_str(), "rb");
  if (f != nullptr) std::fclose(f);
  return f != nullptr;
}

void Errors(Call& c, const char* what, const std::string& message) {
  c.Add(2, std::string("Podczas wykonywania operacji '") + what + "' wystąpił błąd:");
  c.Add(2, message);
}

// Takes the shared resource, runs `work` and gives it back, as the driver guards a program.
template <typename W>
bool Guarded(Call& c, W work) {
  auto take = Cb<TVKDLLCBZajmijZasobSterownika>(c.s, TVKDLL_CB_ZAJMIJ_ZASOB);
  auto give = Cb<TVKDLLCBZwolnijZasobSterownika>(c.s, TVKDLL_CB_ZWOLNIJ_ZASOB);
  while (take(c.s->arg1, c.arg2, "HeavyLoadSection") == 0) {
    if (c.Abort()) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  work();
  give(c.s->arg1, c.arg2, "HeavyLoadSection");
  return true;
}

}  // namespace

extern "C" {

int TVKAPI TVKDLLTypBiblioteki(void) {
  return 1;
}

void TVKAPI TVKDLLWlasciwosci(char* buffer, int code) {
  std::memset(buffer, 0, TVKDLL_TEXT_SIZE);
  if (code == 1) std::strcpy(buffer, "Sterownik próbny");
  if (code == 2) std::strcpy(buffer, "KS_Fake");
}

void TVKAPI TVKDLLWlasciwosciUrzadzenia(HTVKDLLLIB library, HTVKCBARG2 arg2, char* buffer,
                                        int code) {
  Call c{static_cast<Services*>(library), arg2};
  std::memset(buffer, 0, TVKDLL_TEXT_SIZE);
  if (code == 1102) std::strcpy(buffer, c.Param("ElzabSTXPort").c_str());
}

HTVKDLLLIB TVKAPI TVKDLLRejestrujBiblioteke(HTVKCBARG1 arg1, void*, void*, void*) {
  Services* s = new Services;
  s->arg1 = arg1;
  return s;
}

void TVKAPI TVKDLLRejestrujCallback(HTVKDLLLIB library, void* function, int code) {
  Services* s = static_cast<Services*>(library);
  if (code == TVKDLL_CB_JEZYK) s->lang = static_cast<TVKDLLJezyk*>(function);
  if (code >= 0 && code < 40) s->cb[code] = function;
}

void TVKAPI TVKDLLZwolnijBiblioteke(HTVKDLLLIB library) {
  delete static_cast<Services*>(library);
}

int TVKAPI TVKDLLParametr(int group, int index, char* name, char* description, char* defaultValue,
                          char* text1, char* text2, int* flag) {
  for (char* b : {name, description, defaultValue, text1, text2}) std::memset(b, 0, 301);
  if (flag != nullptr) *flag = 0;
  if (group == 101 && index == 0) {
    std::strcpy(name, "ElzabSTXPort");
    std::strcpy(description, "Złącze");
    std::strcpy(defaultValue, "PLIK");
    return 3;
  }
  if (group == 101 && index == 1) {
    std::strcpy(name, "Poziom");
    std::strcpy(defaultValue, "0");
    return 7;
  }
  if ((group == 104 || group == 107) && index == 0) {
    std::strcpy(name, "Doklej");
    std::strcpy(defaultValue, group == 104 ? "0" : "1");
    return 4;
  }
  if (group == 104 && index == 1) {
    std::strcpy(name, "DataImportu");
    return 5;
  }
  // The switches of this double, which the tests set in the host's configuration.
  static const char* kOwn[] = {"FakeFail", "FakeHoldUntil", "FakeName", "FakeRunLog"};
  if (group == 107 && index >= 1 && index <= 4) {
    std::strcpy(name, kOwn[index - 1]);
    return 1;
  }
  return 0;
}

BOOL TVKAPI TVKDLLTekstListyParametru(const char* name, int index, char* buffer) {
  static const char* kPoziom[] = {"detaliczna", "hurtowa"};
  std::memset(buffer, 0, TVKDLL_TEXT_SIZE);
  if (std::strcmp(name, "Poziom") == 0 && index >= 0 && index < 2) {
    std::strcpy(buffer, kPoziom[index]);
    return 1;
  }
  return 0;
}

BOOL TVKAPI TVKDLLSerKasJakSzukacParagonu(HTVKDLLLIB, HTVKCBARG2, int*, int*, int*) {
  return 0;
}

BOOL TVKAPI TVKDLLSerKasOpisOkna(char* buffer, int) {
  std::memset(buffer, 0, TVKDLL_TEXT_SIZE);
  return 0;
}

#ifndef FAKE_WITHOUT_POKAZ_OKNO
BOOL TVKAPI TVKDLLSerKasPokazOkno(HTVKDLLLIB, HTVKCBARG2, int, BOOL, int*, char*) {
  return 0;
}
#endif

void TVKAPI TVKDLLSerKasNazwaZasobuDzielonego(HTVKDLLLIB library, HTVKCBARG2 arg2, char* buffer) {
  TVKDLLWlasciwosciUrzadzenia(library, arg2, buffer, 1102);
}

int TVKAPI TVKDLLSerKasOperacja(HTVKDLLLIB library, HTVKCBARG2 arg2, HTVKDLLSKSESJA*, char*,
                                int code, int parameter) {
  Call c{static_cast<Services*>(library), arg2};
  std::string dir = c.ExchangeDir();
  if (code == -1) {
    c.Add(0, c.Text("fake", "Odczyt", "Odczyt typu kasy ..."));
    c.Replace(0, c.Text("fake", "Odczyt", "Odczyt typu kasy ...") + "\x01OK");
    c.Add(0, "Port: " + c.Param("ElzabSTXPort") + ", poziom: " + c.Param("Poziom") +
                 ", doklej: " + c.Param("Doklej"));
    c.Add(0,
          "Postęp:\x01"
          "0 %");
    c.Replace(0,
              "Postęp:\x01"
              "50 %");
    c.Replace(0,
              "Postęp:\x01"
              "100 %");
    if (c.Param("FakeFail") == "1") Errors(c, "test połączenia", "Błąd [7]: Brak odpowiedzi");
    return 0;
  }
  if (code == -2) {
    std::string runLog = c.Param("FakeRunLog");
    std::string holdUntil = c.Param("FakeHoldUntil");
    bool ran = Guarded(c, [&] {
      if (!runLog.empty()) AppendLine(runLog, "begin " + c.Param("FakeName"));
      // Holds the resource, like a program that hangs, until the test lets it go.
      for (int i = 0; !holdUntil.empty() && !Exists(holdUntil) && i < 6000; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      if (!runLog.empty()) AppendLine(runLog, "end " + c.Param("FakeName"));
    });
    if (!ran) {
      c.Add(2, "Operacja 'eksport' została przerwana");
      return 0;
    }
    WriteFile(dir + "wynik.exp", "PLU;1;0;5900000000011;DOD\r\nPLU;2;0;5900000000028;DOD\r\n");
    if (!Cb<TVKDLLCBZapiszWynikEksportu>(c.s, TVKDLL_CB_ZAPISZ_WYNIK_EKSPORTU)(c.s->arg1, arg2)) {
      Errors(c, "eksport", "Błąd zapisu wyniku eksportu do bazy danych");
    }
    return 0;
  }
  if (code == -3) {
    c.Add(0, "Data: " + c.Param("DataImportu"));
    WriteFile(dir + "kasa.imp", "[TOWAROWE]\r\nPLU;1;;2000;1298\r\nPLU;3;;1000;349\r\n[FLAGI]\r\n");
    if (!Cb<TVKDLLCBZapiszImport>(c.s, TVKDLL_CB_ZAPISZ_IMPORT)(c.s->arg1, arg2)) {
      Errors(c, "import sprzedaży", "Błąd zapisu importu sprzedaży do bazy danych");
    }
    return 0;
  }
  if (code == -8) {
    auto store = Cb<TVKDLLCBZmienParametr>(c.s, TVKDLL_CB_ZMIEN_PARAMETR);
    std::string value = "23\r\n8\r\n" + std::to_string(parameter);
    if (!store(c.s->arg1, arg2, "KS_Fake_PosortowaneStawkiVat", value.c_str())) {
      Errors(c, "operacja [-8]", "Błąd zapisu własnego parametru");
      return 0;
    }
    Cb<TVKDLLCBOdswiezParametry>(c.s, TVKDLL_CB_ODSWIEZ_PARAMETRY)(c.s->arg1, arg2);
    std::string back = c.Param("KS_Fake_PosortowaneStawkiVat");
    c.Add(0, back == value ? "Zapisano i odczytano" : "Odczytano co innego: " + back);
    int rate = 0;
    auto vat = Cb<TVKDLLCBStawkaVATPrec>(c.s, TVKDLL_CB_STAWKA_VAT_PREC);
    std::string rates;
    for (int i = 0; vat(c.s->arg1, arg2, i, &rate) != 0; ++i) rates += std::to_string(rate) + ";";
    c.Add(0, "Stawki: " + rates);
    return 0;
  }
  Errors(c, code == -7 ? "nasłuch" : "operacja",
         "Urządzenie nie obsługuje zleconego typu operacji");
  return 0;
}

void TVKAPI TVKDLLSerKasPodtrzymajSesje(HTVKDLLLIB, HTVKDLLSKSESJA*, char*, int, BOOL) {}

void TVKAPI TVKDLLUstawJezykKomponentow(int) {}

}  // extern "C"
