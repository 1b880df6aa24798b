// The texts of ELZAB's error codes: the programs report failures by number.
#include <cstddef>

#include "elzab/elxrunner.h"
#include "elzab/elxtext.h"
#include "hostlib/TxTools.h"

namespace {

struct ErrorText {
  int code;
  const char* text;
};

// In this order: the n-th row (from 0) is translated under key "KSElzabSGetErrMsstr" for
// n = 0 and "KSElzabSGetErrMsstr_" + n in five digits for the others.
constexpr ErrorText kErrors[] = {
    {1, "Brak nazwy pliku wejściowego"},
    {2, "Zastrzeżona nazwa pliku wejściowego"},
    {3, "Brak nazwy pliku wyjściowego"},
    {4, "Zastrzeżona nazwa pliku wyjściowego"},
    {5, "Jednakowe nazwy plików wejściowego i wyjściowego"},
    {6, "Nie można otworzyć pliku wejściowego"},
    {7, "Nie można otworzyć pliku konfiguracji"},
    {8, "Nie można otworzyć pliku wyjściowego"},
    {9, "Nie można otworzyć pliku raportu"},
    {10, "Niekompletne dane w pliku wejściowym"},
    {11, "Niepoprawny format pliku wejściowego"},
    {12, "Niepoprawne dane w pliku wejściowym"},
    {13, "Niekompletne dane w pliku konfiguracji"},
    {14, "Brak skojarzenia w pliku konfiguracji"},
    {15, "Niepoprawne dane w pliku konfiguracji"},
    {16, "Niepoprawny format pliku konfiguracji"},
    {17, "Nie można pisać do pliku wyjściowego"},
    {18, "Nie można pisać do pliku raportu"},
    {19, "Numer kasy poza zakresem"},
    {20, "Timeout nadawania"},
    {21, "Timeout odbierania"},
    {22, "Pod podanym skojarzeniem kasa o innym numerze"},
    {23, "Niepoprawna odpowiedź z kasy"},
    {24, "Kasa odpowiedziała NAK na sekwencję sterującą"},
    {25, "Rozkaz niedostępny w tej wersji programu kasy"},
    {26, "Nie włączona opcja \"serwis z PC\""},
    {27, "Nie można otworzyć pliku konfiguracji modemu"},
    {28, "Niepoprawny format pliku konfiguracji modemu"},
    {29, "Ciągle zestawione połączenie między modemami"},
    {30, "Brak połączenia między modemami"},
    {31, "Timeout obsługi sekwencji AT"},
    {32, "Timeout nadawania do modemu"},
    {33, "Timeout odbierania z modemu"},
    {34, "Błąd sumy CRC w ramce z modemu kasowego"},
    {35, "Błąd sumy CRC w ramce do modemu kasowego"},
    {36, "Błąd rozkazu dla modemu kasowego"},
    {37, "Błąd ochrony pamięci konfiguracji modemu kasowego"},
    {38, "Błąd w pamięci konfiguracji modemu kasowego"},
    {39, "Brak autoryzacji dla modemu kasowego"},
    {40, "Niezdefiniowany timeout nadawania w modemie kasowym"},
    {41, "Niezdefiniowany timeout odbierania w modemie kasowym"},
    {42, "Błąd parzystości między kasą i modemem kasowym"},
    {43, "Modem kasowy zgłosił błąd spoza dopuszczalnego zakresu"},
    {44, "Nie można odblokowa† transmisji w Windows"},
    {45, "Kontroler modemu nie obsługuje poprawnie drugiej odpowiedzi"},
    {46, "Niezgodna suma XOR podczas transmisji"},
    {47, "Awaria drukarki"},
    {48, "Brak papieru"},
    {49, "Nadpisanie bajtu odebranego przez komputer (overrun)"},
    {50, "Błąd pzrzystości bajtu odebranego przez komputer (parity error)"},
    {51, "Błąd ramki bajtu odebranego przez komputer (framing error)"},
    {52, "Nie można przełączyć kanału multipleksera"},
    {53, "Dane nie mieszczą się w pojedynczej ramce"},
    {54, "Błąd serwera kasowego Elzab - strona serwera"},
    {55, "Błąd serwera kasowego Elzab - strona klienta"},
    {56, "Zakonczono działanie na zadanie serwera kasowego Elzab"},
    {57, "Nie mozna wykonać funkcji specjalnej dla kasy Teta"},
    {58, "Uszkodzony obszar pamięci fiskalnej przeznaczony na rekordy fiskalne"},
    {59, "Nie można otworzyć pliku buforujacego typy kas"},
    {60, "Niepoprawny format pliku buforujacego typy kas"},
    {61, "Niemożliwy zapis do pliku buforujacego typy kas"},
    {62, "Nie można otworzyć portu szeregowego"},
    {63, "Timeout nadawania dla operacji TCP/IP"},
    {64, "Timeout odbierania dla operacji TCP/IP"},
    {65,
     "Inny blad dla operacji TCP/IP. Sprawdź ustawienia oraz parametr 'Ogranicz IP docelowy' na "
     "kasie"},
    {66, "Odpowiedź o zmiennej długości niezgodna z deklaracją"},
    {67, "Niepoprawna nazwa hosta lub niedostępny serwer DNS"},
    {68, "Błąd rozkazu interfejsu sieciowego"},
    {69, "Operacja niemożliwa w trybie szkoleniowym (wymagany tryb fiskalny)"},
    {70, "Niepoprawny zakres raportów"},
    {71, "Brak raportów w podanym zakresie"},
    {72, "Operacja niemożliwa dla niezakończonego miesiąca"},
    {73, "Operacja niemożliwa w trybie ZAPIS/ODCZYT (wymagany tryb TYLKO ODCZYT)"},
    {74, "Operacja niemożliwa, ponieważ inny wydruk jest w toku"},
    {75, "Operacja niemożliwa, poniewaz zwora serwisowa jest w pozycji serwisowej"},
    {76, "Podano niewłaściwą datę lub hasło"},
    {77, "Inny błąd dla raportów okresowych"},
    {101, "Niemożliwe do wykonania ponieważ pamięć CMOS została skasowana (wezwij serwis)"},
    {102, "Błąd w nazwie towaru"},
    {103, "Błąd w stawce podatkowej towaru"},
    {104, "Brak miejsca na opakowanie (max. 64 opakowań)"},
    {105, "Błędny numer towaru"},
    {107, "Brak miejsca w buforze na towary wiązane (max. 256 wiązań)"},
    {108, "Za duży kod kreskowy"},
    {109, "Za duża cena"},
    {110, "Numer grupy towarowej poza dozwolonym zakresem"},
    {111, "Numer jednostki poza dozwolonym zakresem"},
    {112, "Błędna ilość miejsc po przecinku"},
    {113, "Błąd w informacji o blokadzie towaru (nie 0 lub 1)"},
    {114, "Błąd w informacji o opakowaniu (nie 0 lub 1)"},
    {115, "Numer płatności poza dozwolonym zakresem"},
    {116, "Numer pozycji karty rabatowej poza zakresem"},
    {117, "Brak miejsca na kartę rabatową"},
    {118, "Dane karty na pozycji są inne niż podane"},
    {120, "Powtorzony kod kreskowy"},
    {122, "Trwa kasowanie wszystkich dodatkowych kodow kreskowych"},
    {200, "Pod podanym numerem towaru jest nowa nazwa lub stawka"},
    {201, "Niemożliwe do wykonania ponieważ nie wszystkie dane zostały przeczytane"},
    {202, "Pod podanym numerem towaru brak danych"},
    {203, "Numer kasjera poza dozwolonym zakresem"},
    {204, "Pod podanym numerem kasjera brak danych"},
    {205, "Kasjer do skasowania ma otwartą zmianę"},
    {206, "W ciągu który ma być znakami tekstu jest kod mniejszy od 20H"},
    {207, "Rabat zbyt duży"},
    {208, "Parametr N poza dozwolonym zakresem"},
    {209,
     "Towar do skasowania lub zastąpienia ma niezerową sprzedaż lub zwroty jeżeli jest "
     "opakowaniem"},
    {210, "Liczba wierszy do wysunięcia poza dozwolonym zakresem"},
    {211, "Brak miejsca na barkod"},
    {212, "Kasjer pracuje"},
    {213, "Otwarty paragon"},
    {215, "Numer pojemnika poza dozwolonym zakresem"},
    {217, "Waga pojemnika poza dozwolonym zakresem"},
    {220, "W nazwie towaru występują same spacje lub znaki nieważne"},
    {221, "Numer PLU zajęty przez inny towar"},
    {222, "Wprowadzana nazwa istnieje juz w bazie"},
    {223, "Niezerowy licznik paragonów"},
    {224, "Towar oznaczony jako nowo zdefiniowany"},
    {225, "Towar oznaczony jako skasowany"},
    {226, "Towar ma już raz zmienioną stawkę"},
    {227, "Zwora serwisowa w pozycji normalnej"},
    {228, "Klawisz nie moze byc definiowany i odczytywany"},
    {229, "Brak miejsca na kwoty dla platnosci z klawisza"},
    {230, "Wartosc wprowadzanej kwoty ograniczenia jest wieksza niz maksymalna dopuszczalna"},
    {231, "Doba jest otwarta"},
    {232, "Towar do zmiany lub skasowania jest uzyty w biezacym paragonie"},
    {234, "Błąd rozszerzony"},
    {235, "Błąd ramki protokołu ElzabSTX"},
    {236, "Błąd sekcji danych protokołu ElzabSTX"},
    {237, "Błąd operacji na pliku tymczasowym"},
    {238, "Operacja niedostepna w protokole ElzabSTX"},
    {239, "Wymagany protokół ElzabSTX"},
};

constexpr size_t kErrorCount = sizeof(kErrors) / sizeof(kErrors[0]);
static_assert(kErrorCount == 131, "every ELZAB error code has its row");

std::string KeyOfRow(size_t n) {
  if (n == 0) return "KSElzabSGetErrMsstr";
  return TxTools::Format("KSElzabSGetErrMsstr_%05u", static_cast<unsigned>(n));
}

}  // namespace

std::string ElzabRunner::GetErrMsg(int code) const {
  size_t row = kErrorCount;
  for (size_t i = 0; i < kErrorCount; ++i) {
    if (kErrors[i].code == code) {
      row = i;
      break;
    }
  }
  const std::string key = KeyOfRow(row);
  const std::string message = row < kErrorCount ? ElzabText(key.c_str(), kErrors[row].text)
                                                : ElzabText(key.c_str(), "< Nieznany komunikat >");
  return TxTools::Format("%s %d. %s", ElzabText("KSElzabSGetErrMsdecs", "### Błąd nr").c_str(),
                         code, message.c_str());
}
