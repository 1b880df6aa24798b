// The fifteen exports: thin adapters from the host's plain arguments to the library object
// and to one short-lived action per call. Every export with a handler catches everything, so
// no exception crosses into the host; every text goes out through WriteHostText.
#define TVKDLL_BUILDING
#include "include/tvkdll.h"

#include <memory>
#include <string>

#include "hostlib/Exceptions.h"
#include "hostlib/TxTools.h"
#include "platform/Env.h"
#include "plugin/HostText.h"
#include "plugin/TKSActionBase.h"
#include "plugin/TKSLibrary.h"

namespace {

TKSLibrary* AsLibrary(HTVKDLLLIB handle) {
  return static_cast<TKSLibrary*>(handle);
}

// Runs `work` on a fresh action of `library`, reporting a failure through the action's
// last-chance handler under `description` (`descriptionNoObject` for a thrown value that is
// no error object). The action is destroyed before this returns.
template <typename Work>
void WithAction(TKSLibrary* library, HTVKCBARG2 arg2, const char* description,
                const char* descriptionNoObject, Work work) {
  std::unique_ptr<TKSActionBase> action(library->UtworzAkcje(arg2));
  try {
    work(*action);
  } catch (const std::exception& e) {
    action->OstatecznePrzechwycenieBledu(description, &e);
  } catch (...) {
    action->OstatecznePrzechwycenieBledu(descriptionNoObject, nullptr);
  }
}

std::string OpisOperacji(int code) {
  switch (code) {
    case TVKDLL_OP_TEST_POLACZENIA:
      return "test połączenia";
    case TVKDLL_OP_EKSPORT:
      return "eksport";
    case TVKDLL_OP_IMPORT_SPRZEDAZY:
      return "import sprzedaży";
    case TVKDLL_OP_IMPORT_PARAGONU:
      return "import paragonu";
    case TVKDLL_OP_EKSPORT_AUTO:
      return "eksport automatyczny";
    case TVKDLL_OP_IMPORT_AUTO:
      return "import automatyczny";
    case TVKDLL_OP_NASLUCH:
      return "nasłuch";
    case TVKDLL_OP_IMPORT_LICZNIKA:
      return "import licznika";
    default:
      return "operacja [" + std::to_string(code) + "]";
  }
}

std::string CText(const char* text) {
  return text != nullptr ? std::string(text) : std::string();
}

}  // namespace

extern "C" {

TVKDLL_EXPORT int TVKAPI TVKDLLTypBiblioteki(void) {
  try {
    return TKSLibrary::TypBiblioteki();
  } catch (...) {
    return 1;
  }
}

TVKDLL_EXPORT void TVKAPI TVKDLLWlasciwosci(char* buffer, int code) {
  try {
    WriteHostText(buffer, TKSLibrary::Wlasciwosci(code), true);
  } catch (...) {
    WriteHostText(buffer, "", false);
  }
}

TVKDLL_EXPORT void TVKAPI TVKDLLWlasciwosciUrzadzenia(HTVKDLLLIB library, HTVKCBARG2 arg2,
                                                      char* buffer, int code) {
  std::string result;
  try {
    if (library != nullptr) {
      WithAction(AsLibrary(library), arg2, "właściwości urządzenia", "właściwości urządzenia",
                 [&](TKSActionBase& action) { result = action.WlasciwosciUrzadzenia(code); });
    }
  } catch (...) {
    result.clear();
  }
  WriteHostText(buffer, result, true);
}

TVKDLL_EXPORT HTVKDLLLIB TVKAPI TVKDLLRejestrujBiblioteke(HTVKCBARG1 arg1, void*, void*,
                                                          void* mainWindow) {
  try {
    TKSLibrary* library = TKSLibrary::RejestrujBiblioteke(arg1);
    TxTools::ApplicationWindow = mainWindow;
    return library;
  } catch (...) {
    return nullptr;
  }
}

TVKDLL_EXPORT void TVKAPI TVKDLLRejestrujCallback(HTVKDLLLIB library, void* function, int code) {
  try {
    if (library != nullptr) AsLibrary(library)->RejestrujCallback(function, code);
  } catch (...) {
  }
}

TVKDLL_EXPORT void TVKAPI TVKDLLZwolnijBiblioteke(HTVKDLLLIB library) {
  delete AsLibrary(library);
}

TVKDLL_EXPORT int TVKAPI TVKDLLParametr(int group, int index, char* name, char* description,
                                        char* defaultValue, char* text1, char* text2, int* flag) {
  for (char* buffer : {name, description, defaultValue, text1, text2}) {
    WriteHostText(buffer, "", false);
  }
  if (flag != nullptr) *flag = 0;
  try {
    std::string n, d, v, t1, t2;
    int f = 0;
    const int type = TKSLibrary::Parametr(group, index, n, d, v, t1, t2, f);
    WriteHostText(name, n, false);
    WriteHostText(description, d, false);
    WriteHostText(defaultValue, v, false);
    WriteHostText(text1, t1, false);
    WriteHostText(text2, t2, false);
    if (flag != nullptr) *flag = f;
    return type;
  } catch (...) {
    return 0;
  }
}

TVKDLL_EXPORT BOOL TVKAPI TVKDLLTekstListyParametru(const char* name, int index, char* buffer) {
  try {
    const std::string text = TxTools::Trim(TKSLibrary::TekstListyParametru(CText(name), index));
    WriteHostText(buffer, text, false);
    return text.empty() ? 0 : 1;
  } catch (...) {
    WriteHostText(buffer, "", false);
    return 0;
  }
}

TVKDLL_EXPORT BOOL TVKAPI TVKDLLSerKasJakSzukacParagonu(HTVKDLLLIB library, HTVKCBARG2 arg2,
                                                        int* reportNo, int* second,
                                                        int* receiptNo) {
  bool result = false;
  try {
    if (library != nullptr) {
      WithAction(AsLibrary(library), arg2, "jak szukać paragonu", "jak szukać paragonua",
                 [&](TKSActionBase& action) {
                   result = action.JakSzukacParagonu(reportNo, second, receiptNo);
                 });
    }
  } catch (...) {
    result = false;
  }
  return result ? 1 : 0;
}

TVKDLL_EXPORT BOOL TVKAPI TVKDLLSerKasOpisOkna(char* buffer, int window) {
  try {
    const std::string text = TxTools::Trim(TKSLibrary::OpisOkna(window));
    WriteHostText(buffer, text, false);
    return text.empty() ? 0 : 1;
  } catch (...) {
    WriteHostText(buffer, "", false);
    return 0;
  }
}

TVKDLL_EXPORT BOOL TVKAPI TVKDLLSerKasPokazOkno(HTVKDLLLIB library, HTVKCBARG2 arg2, int window,
                                                BOOL flag, int* value, char* buffer) {
  BOOL result = 0;
  try {
    if (library != nullptr) {
      TKSLibrary* lib = AsLibrary(library);
      WithAction(lib, arg2, "wyświetlanie okna", "wyświetlanie okna", [&](TKSActionBase& action) {
        result = lib->PokazOkno(&action, window, flag != 0, value, buffer);
      });
    }
  } catch (...) {
    result = 0;
  }
  return result;
}

TVKDLL_EXPORT void TVKAPI TVKDLLSerKasNazwaZasobuDzielonego(HTVKDLLLIB library, HTVKCBARG2 arg2,
                                                            char* buffer) {
  WriteHostText(buffer, "", false);
  std::string result;
  try {
    if (library != nullptr) {
      WithAction(AsLibrary(library), arg2, "identyfikacja zasobu dzielonego",
                 "identyfikacja zasobu dzielonego",
                 [&](TKSActionBase& action) { result = action.NazwaZasobuDzielonego(); });
    }
  } catch (...) {
    result.clear();
  }
  WriteHostText(buffer, result, false);
}

TVKDLL_EXPORT int TVKAPI TVKDLLSerKasOperacja(HTVKDLLLIB library, HTVKCBARG2 arg2,
                                              HTVKDLLSKSESJA* session, char* sessionName, int code,
                                              int parameter) {
  // Without a library there is no host to report to.
  if (library == nullptr) return 0;
  try {
    TKSLibrary* lib = AsLibrary(library);
    HTVKDLLSRODOWISKO environment;
    std::string description = "weryfikacja typu sesji";
    std::unique_ptr<TKSActionBase> action(lib->UtworzAkcje(arg2));
    const std::string name = ReadHostText(sessionName);
    try {
      lib->WeryfikujTypSesji(session != nullptr ? *session : nullptr, name);
    } catch (...) {
      action->DodajKomunikat(0, "Oczekiwanie na zamknięcie sesji '" + name + "'");
      platform::CurrentEnv()->SleepMs(1000);
      return 1;
    }
    action->UstawParametrOperacji(parameter);
    description = OpisOperacji(code);
    environment.NazwaSesji = name;
    environment.phSesja = session;
    environment.Wynik = 0;
    try {
      action->Operacja(&environment, code, parameter);
    } catch (const std::exception& e) {
      action->OstatecznePrzechwycenieBledu(description, &e);
      environment.Wynik = 0;
    } catch (...) {
      action->OstatecznePrzechwycenieBledu(description, nullptr);
      environment.Wynik = 0;
    }
    action.reset();
    WriteHostText(sessionName, environment.NazwaSesji, false);
    return environment.Wynik;
  } catch (...) {
    try {
      TxTools::MsgBox("Wyjątek w TVKDLLSerKasOperacja", "Uwaga!!!", 0);
    } catch (...) {
    }
    return 0;
  }
}

TVKDLL_EXPORT void TVKAPI TVKDLLSerKasPodtrzymajSesje(HTVKDLLLIB library, HTVKDLLSKSESJA* session,
                                                      char* sessionName, int value, BOOL flag) {
  try {
    if (library == nullptr) return;
    TKSLibrary* lib = AsLibrary(library);
    std::string name = ReadHostText(sessionName);
    lib->WeryfikujTypSesji(session != nullptr ? *session : nullptr, name);
    lib->PodtrzymajSesje(session, name, value, flag != 0);
    WriteHostText(sessionName, name, false);
  } catch (...) {
  }
}

TVKDLL_EXPORT void TVKAPI TVKDLLUstawJezykKomponentow(int language) {
  EMException::Language = language;
}

}  // extern "C"
