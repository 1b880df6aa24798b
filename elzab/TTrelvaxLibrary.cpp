#include "elzab/TTrelvaxLibrary.h"

#include <vector>

#include "elzab/elxaction.h"
#include "elzab/elxtext.h"
#include "hostlib/TxTools.h"
#include "support/TLTools.h"

namespace {

constexpr const char* kDefaultHostDir = "c:\\TvkWin\\";

// One row of the parameter table. A key of nullptr means the text is not translated.
struct ParamRow {
  const char* name;
  int type;
  const char* defaultValue;
  const char* defaultKey;
  const char* description;
  const char* descriptionKey;
  int flag;
};

// Group 101: the register connection and sale settings.
const ParamRow kGroup101[] = {
    {"ElzabSTXPort", tpPort, "PLIK", "TKSLibraParametrAWartDom", "Złącze", "TKSLibraParametrAOpis",
     0},
    {"ElzabSTXRS232Speed", tpLista, "115200", nullptr, "RS-232 - szybkość transmisji", nullptr, 0},
    {"ElzabSTXIPAddr", tpTekst, "192.168.0.12", nullptr, "LAN - adres IP kasy", nullptr, 0},
    {"ElzabSTXIPPort", tpTekst, "1001", nullptr, "LAN - port IP kasy", nullptr, 0},
    {"ElzabSTXIPAuth", tpTekst, "VARNOKTE", nullptr, "LAN - hasło dostępu do kasy", nullptr, 0},
    {"ElzabSTXIPTimeout", tpLiczba, "15", nullptr, "LAN - timeout połączenia LAN", nullptr, 0},
    {"ElzabSTXIPRet", tpLiczba, "3", nullptr, "LAN - maksymalna liczba retransmisji", nullptr, 0},
    {"ElzabSTXTimeout", tpLiczba, "3", nullptr, "Timeout komunikacji z kasą (sek.)", nullptr, 0},
    {"ElzabSTXUserKonfig", tpLista, "0", nullptr, "Obsługa pliku konfig.txt",
     "TKSLibraParametrAOpis_00002", 0},
    {"PoziomCen", tpLista, "0", nullptr, "Poziom cen", nullptr, 0},
    {"ElzabSTXProductFlag", tpLista, "2", nullptr, "Ustawienia flag towarów", nullptr, 0},
    {"ElzabSTXSaleSource", tpLista, "0", nullptr, "Źródło danych o sprzedaży", nullptr, 0},
    {"ElzabSTXSaleBufferType", tpLista, "0", nullptr, "Bufor pozycji paragonowych - typ odczytu",
     nullptr, 0},
    {"ElzabSTXSaleBufferFV", tpLista, "0", nullptr,
     "Bufor pozycji paragonowych - odczyt faktur (typ odczytu / metoda 5)", nullptr, 0},
};

// Group 102: the driver's own settings. The programs' folder default is filled in per call.
const ParamRow kGroup102[] = {
    {"ElzabSTXExePath", tpKatalog, "", nullptr, "ELZAB ECR STX - Katalog programów komunikacyjnych",
     "TKSLibraParametrAOpis_00003", 0},
    {"ElzabSTXProtectExe", tpLista, "1", nullptr,
     "ELZAB ECR STX - Ochrona pracy sterownika przed równoległymi operacjami", nullptr, 0},
};

// Groups 103 and 106: read by the export and the automatic export.
const ParamRow kGroup103[] = {
    {"ElzabSTXPrgEuro", tpLista, "0", nullptr, "ELZAB ECR STX - Zaprogramuj kurs euro",
     "TKSLibraParametrAOpis_00004", 1},
    {"ElzabSTXPrgPayments", tpLista, "0", nullptr, "ELZAB ECR STX - Zaprogramuj formy płatności",
     "TKSLibraParametrAOpis_00005", 1},
};
const ParamRow kGroup106[] = {
    {"ElzabSTXPrgEuro", tpLista, "0", nullptr, "ELZAB ECR STX - Zaprogramuj kurs euro",
     "TKSLibraParametrAOpis_00006", 1},
    {"ElzabSTXPrgPayments", tpLista, "0", nullptr, "ELZAB ECR STX - Zaprogramuj formy płatności",
     "TKSLibraParametrAOpis_00007", 1},
};

// Groups 104 and 107: read by the sales import and the automatic import.
const ParamRow kGroup104[] = {
    {"DataImportu", tpData, "", nullptr, "Data importu", "TKSLibraParametrAOpis_00008", 0},
    {"ElzabSTXReceipts", tpLista, "0", nullptr, "ELZAB ECR STX - Import szczegółowy paragonów",
     nullptr, 1},
    {"ElzabSTXDokPlu", tpLista, "0", nullptr,
     "ELZAB ECR STX - Doklej dane do ostatniego dokumentu PARAGON z dnia importu",
     "TKSLibraParametrAOpis_00009", 1},
};
const ParamRow kGroup107[] = {
    {"DataImportu", tpData, "", nullptr, "Data importu", "TKSLibraParametrAOpis_00010", 0},
    {"ElzabSTXReceipts", tpLista, "0", nullptr, "ELZAB ECR STX - Import szczegółowy paragonów",
     nullptr, 1},
    {"ElzabSTXDokPlu", tpLista, "1", nullptr,
     "ELZAB ECR STX - Doklej dane do ostatniego dokumentu PARAGON z dnia importu",
     "TKSLibraParametrAOpis_00011", 1},
};

// Group 105: read by the receipt import.
const ParamRow kGroup105[] = {
    {"ElzabSTXReceiptNo", tpLiczba, "0", nullptr, "Nr paragonu", nullptr, 1},
    {"ElzabSTXReportNo", tpLiczba, "0", nullptr, "Nr raportu fiskalnego", nullptr, 1},
};

struct Group {
  int number;
  const ParamRow* rows;
  size_t count;
};

template <size_t N>
constexpr Group MakeGroup(int number, const ParamRow (&rows)[N]) {
  return Group{number, rows, N};
}

const Group kGroups[] = {
    MakeGroup(101, kGroup101), MakeGroup(102, kGroup102), MakeGroup(103, kGroup103),
    MakeGroup(104, kGroup104), MakeGroup(105, kGroup105), MakeGroup(106, kGroup106),
    MakeGroup(107, kGroup107),
};

// One list entry; a key of nullptr means the text is not translated.
struct ListEntry {
  const char* text;
  const char* key;
};

struct ParamList {
  std::vector<const char*> names;
  std::vector<ListEntry> entries;
};

const std::vector<ParamList>& Lists() {
  static const std::vector<ParamList> lists = {
      {{"ElzabSTXPort"},
       {{"PLIK", "TKSLibraTekstLisreturn"},
        {"COM1", nullptr},
        {"COM2", nullptr},
        {"COM3", nullptr},
        {"COM4", nullptr},
        {"COM5", nullptr},
        {"COM6", nullptr},
        {"COM7", nullptr},
        {"COM8", nullptr},
        {"COM9", nullptr},
        {"LAN", nullptr}}},
      {{"ElzabSTXRS232Speed"},
       {{"4800", nullptr},
        {"9600", nullptr},
        {"19200", nullptr},
        {"28800", nullptr},
        {"57600", nullptr},
        {"115200", nullptr}}},
      {{"ElzabSTXUserKonfig"},
       {{"utwórz nowy", "TKSLibraTekstLisreturn_00001"},
        {"wykorzystaj istniejący", "TKSLibraTekstLisreturn_00002"}}},
      {{"ElzabSTXDokPlu", "ElzabSTXPrgEuro", "ElzabSTXPrgPayments", "ElzabSTXReceipts",
        "ElzabSTXFiscalReport", "ElzabSTXCashierStats", "ElzabSTXProtectExe",
        "ElzabSTXSaleBufferFV"},
       {{"Nie", "TKSLibraTekstLisreturn_00003"}, {"Tak", "TKSLibraTekstLisreturn_00004"}}},
      {{"PoziomCen"},
       {{"detaliczna", "TKSLibraTekstLisreturn_00005"},
        {"hurtowa", "TKSLibraTekstLisreturn_00006"},
        {"nocna", "TKSLibraTekstLisreturn_00007"},
        {"dodatkowa", "TKSLibraTekstLisreturn_00008"}}},
      {{"ElzabSTXProductFlag"},
       {{"cena otw/zam - czy towar rabatowany", nullptr},
        {"cena otw/zam - czy można zmieniać cenę | dod. rabat - czy towar rabatowany", nullptr},
        {"cena otw/zam - czy można zmieniać cenę | towar rabatowany", nullptr}}},
      {{"ElzabSTXSaleSource"}, {{"Liczniki sprzedaży", nullptr}, {"Bufor paragonów", nullptr}}},
      {{"ElzabSTXSaleBufferType"},
       {{"Metoda 4", nullptr}, {"Metoda 5 (odczyt NIP klienta na paragonie / faktur)", nullptr}}},
  };
  return lists;
}

}  // namespace

TKSActionBase* TTrelvaxLibrary::UtworzAkcje(HTVKCBARG2 arg2) {
  return new TrelvaxAction(this, arg2);
}

int TKSLibrary::TypBiblioteki() {
  return 1;
}

std::string TKSLibrary::OpisOkna(int) {
  return {};
}

std::string TKSLibrary::Wlasciwosci(int code) {
  switch (code) {
    case 1:
      return ElzabText("TKSLibraWlasciworeturn", "Elzab ECR (protokół STX)");
    case 2:
      return "KS_ElzabSTX";
    case 3:
      return ElzabText("TKSLibraWlasciworeturn_00001",
                       "Testowano na: K10, K10 online, MiniLT online, Sigma\n") +
             ElzabText("TKSLibraWlasciworeturn_00002", "Sterowniki wersja z dn. 4.06.2019");
    case 102:
    case 103:
    case 104:
    case 105:
      return "1";
    default:
      return {};
  }
}

TKSLibrary* TKSLibrary::RejestrujBiblioteke(HTVKCBARG1 arg1) {
  TTrelvaxLibrary* library = new TTrelvaxLibrary(arg1);
  ksLibrary = library;
  ksLgLink = library->GetLgLink();
  return library;
}

int TKSLibrary::Parametr(int group, int index, std::string& name, std::string& description,
                         std::string& defaultValue, std::string& text1, std::string& text2,
                         int& flag) {
  text1.clear();
  text2.clear();
  flag = 0;
  name.clear();
  description.clear();
  defaultValue.clear();
  std::string hostDir = TLTools::WczytajSciezkeDoBinariow();
  if (hostDir.empty()) hostDir = kDefaultHostDir;
  for (const Group& g : kGroups) {
    if (g.number != group) continue;
    if (index < 0 || static_cast<size_t>(index) >= g.count) return tpBrak;
    const ParamRow& row = g.rows[index];
    name = row.name;
    description = ElzabText(row.descriptionKey, row.description);
    defaultValue = ElzabText(row.defaultKey, row.defaultValue);
    if (group == 102 && index == 0) defaultValue = hostDir + "Elzab";
    flag = row.flag;
    return row.type;
  }
  return tpBrak;
}

std::string ParameterShown(const std::string& name) {
  for (const Group& g : kGroups) {
    for (size_t i = 0; i < g.count; ++i) {
      const ParamRow& row = g.rows[i];
      if (name == row.name) {
        return "\"" + ElzabText(row.descriptionKey, row.description) + "\" (" + name + ")";
      }
    }
  }
  return name;
}

std::string TKSLibrary::TekstListyParametru(const std::string& name, int index) {
  for (const ParamList& list : Lists()) {
    for (const char* listName : list.names) {
      if (!ZgodnaNazwaParametru(listName, name)) continue;
      if (index < 0 || static_cast<size_t>(index) >= list.entries.size()) return {};
      const ListEntry& e = list.entries[static_cast<size_t>(index)];
      return ElzabText(e.key, e.text);
    }
  }
  return {};
}
