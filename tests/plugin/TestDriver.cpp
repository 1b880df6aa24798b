#include "TestDriver.h"

int TKSLibrary::TypBiblioteki() {
  return 1;
}

std::string TKSLibrary::OpisOkna(int) {
  return {};
}

std::string TKSLibrary::Wlasciwosci(int code) {
  return code == 2 ? "KS_ElzabSTX" : std::string();
}

TKSLibrary* TKSLibrary::RejestrujBiblioteke(HTVKCBARG1 arg1) {
  TestLibrary* library = new TestLibrary(arg1);
  ksLibrary = library;
  ksLgLink = library->GetLgLink();
  return library;
}

int TKSLibrary::Parametr(int, int, std::string& name, std::string& description,
                         std::string& defaultValue, std::string& text1, std::string& text2,
                         int& flag) {
  name.clear();
  description.clear();
  defaultValue.clear();
  text1.clear();
  text2.clear();
  flag = 0;
  return 0;
}

std::string TKSLibrary::TekstListyParametru(const std::string&, int) {
  return {};
}
