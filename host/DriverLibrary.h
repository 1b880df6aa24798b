// The driver as the host knows it: a library loaded at run time and its fifteen exports,
// exactly as a back office finds them, by name.
#pragma once

#include <string>

#include "include/tvkdll.h"
#include "platform/Env.h"

namespace tvkhost {

struct DriverExports {
  decltype(&TVKDLLTypBiblioteki) TypBiblioteki = nullptr;
  decltype(&TVKDLLWlasciwosci) Wlasciwosci = nullptr;
  decltype(&TVKDLLWlasciwosciUrzadzenia) WlasciwosciUrzadzenia = nullptr;
  decltype(&TVKDLLRejestrujBiblioteke) RejestrujBiblioteke = nullptr;
  decltype(&TVKDLLRejestrujCallback) RejestrujCallback = nullptr;
  decltype(&TVKDLLZwolnijBiblioteke) ZwolnijBiblioteke = nullptr;
  decltype(&TVKDLLParametr) Parametr = nullptr;
  decltype(&TVKDLLTekstListyParametru) TekstListyParametru = nullptr;
  decltype(&TVKDLLSerKasJakSzukacParagonu) SerKasJakSzukacParagonu = nullptr;
  decltype(&TVKDLLSerKasOpisOkna) SerKasOpisOkna = nullptr;
  decltype(&TVKDLLSerKasPokazOkno) SerKasPokazOkno = nullptr;
  decltype(&TVKDLLSerKasNazwaZasobuDzielonego) SerKasNazwaZasobuDzielonego = nullptr;
  decltype(&TVKDLLSerKasOperacja) SerKasOperacja = nullptr;
  decltype(&TVKDLLSerKasPodtrzymajSesje) SerKasPodtrzymajSesje = nullptr;
  decltype(&TVKDLLUstawJezykKomponentow) UstawJezykKomponentow = nullptr;
};

class DriverLibrary {
 public:
  // Loads the library and finds every export. False with a one-line reason when the file
  // cannot be loaded or lacks an export.
  bool Load(const std::string& path, std::string& error);
  const DriverExports& Api() const { return api_; }
  const std::string& Path() const { return path_; }

  // The driver's text for a descriptive call that fills a 301-byte buffer.
  std::string Property(int code) const;

 private:
  platform::DynamicLibrary library_;
  DriverExports api_;
  std::string path_;
};

// The default library file beside this program: trelvax.dll for a Windows program,
// libtrelvax.so otherwise.
std::string DefaultLibraryPath();
// True when this program is a Windows program (its file name ends in ".exe").
bool IsWindowsProgram();

// Copies a text into a host buffer of `size` bytes: at most size - 1 characters and a NUL.
void CopyToBuffer(const std::string& text, char* buffer, size_t size);
// The text of a buffer the driver filled (301 bytes at most, NUL-terminated within).
std::string FromBuffer(const char* buffer, size_t size = TVKDLL_TEXT_SIZE);

}  // namespace tvkhost
