#include "host/DriverLibrary.h"

#include <cstring>

#include "host/Text.h"

namespace tvkhost {

namespace {

template <typename F>
bool Find(const platform::DynamicLibrary& lib, const char* name, F& slot, std::string& missing) {
  slot = reinterpret_cast<F>(lib.Symbol(name));
  if (slot == nullptr && missing.empty()) missing = name;
  return slot != nullptr;
}

}  // namespace

bool IsWindowsProgram() {
  std::string self = Upper(platform::FileNameOf(platform::ExecutablePath()));
  return self.size() > 4 && self.compare(self.size() - 4, 4, ".EXE") == 0;
}

std::string DefaultLibraryPath() {
  std::string dir = platform::DirectoryOf(platform::ExecutablePath());
  return dir + platform::kPathSeparator + (IsWindowsProgram() ? "trelvax.dll" : "libtrelvax.so");
}

bool DriverLibrary::Load(const std::string& path, std::string& error) {
  path_ = path;
  if (!library_.Open(path)) {
    error = "cannot load the driver " + path + ": " + library_.Error();
    return false;
  }
  std::string missing;
  Find(library_, "TVKDLLTypBiblioteki", api_.TypBiblioteki, missing);
  Find(library_, "TVKDLLWlasciwosci", api_.Wlasciwosci, missing);
  Find(library_, "TVKDLLWlasciwosciUrzadzenia", api_.WlasciwosciUrzadzenia, missing);
  Find(library_, "TVKDLLRejestrujBiblioteke", api_.RejestrujBiblioteke, missing);
  Find(library_, "TVKDLLRejestrujCallback", api_.RejestrujCallback, missing);
  Find(library_, "TVKDLLZwolnijBiblioteke", api_.ZwolnijBiblioteke, missing);
  Find(library_, "TVKDLLParametr", api_.Parametr, missing);
  Find(library_, "TVKDLLTekstListyParametru", api_.TekstListyParametru, missing);
  Find(library_, "TVKDLLSerKasJakSzukacParagonu", api_.SerKasJakSzukacParagonu, missing);
  Find(library_, "TVKDLLSerKasOpisOkna", api_.SerKasOpisOkna, missing);
  Find(library_, "TVKDLLSerKasPokazOkno", api_.SerKasPokazOkno, missing);
  Find(library_, "TVKDLLSerKasNazwaZasobuDzielonego", api_.SerKasNazwaZasobuDzielonego, missing);
  Find(library_, "TVKDLLSerKasOperacja", api_.SerKasOperacja, missing);
  Find(library_, "TVKDLLSerKasPodtrzymajSesje", api_.SerKasPodtrzymajSesje, missing);
  Find(library_, "TVKDLLUstawJezykKomponentow", api_.UstawJezykKomponentow, missing);
  if (!missing.empty()) {
    error = "the driver " + path + " lacks the export " + missing;
    api_ = DriverExports{};
    library_.Close();
    return false;
  }
  return true;
}

std::string DriverLibrary::Property(int code) const {
  char buffer[TVKDLL_TEXT_SIZE + 1] = {0};
  api_.Wlasciwosci(buffer, code);
  return FromBuffer(buffer);
}

void CopyToBuffer(const std::string& text, char* buffer, size_t size) {
  if (buffer == nullptr || size == 0) return;
  size_t n = text.size() < size - 1 ? text.size() : size - 1;
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}

std::string FromBuffer(const char* buffer, size_t size) {
  size_t n = 0;
  while (n < size && buffer[n] != '\0') ++n;
  return std::string(buffer, n);
}

}  // namespace tvkhost
