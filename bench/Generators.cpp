#include "bench/Generators.h"

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <random>
#include <vector>

namespace bench {

namespace {

constexpr const char* kProducts[] = {
    "Mleko łaciate",       "Chleb żytni",       "Ser żółty",          "Masło ekstra",
    "Jabłka Szampion",     "Kiełbasa śląska",   "Śmietana 18%",       "Łosoś wędzony",
    "Gruszki Konferencja", "Żurek staropolski", "Pomidory malinowe",  "Ogórki kiszone",
    "Kawa ziarnista",      "Herbata czarna",    "Cukier biały",       "Mąka pszenna",
    "Sól kamienna",        "Olej rzepakowy",    "Płatki owsiane",     "Kasza gryczana",
    "Sok jabłkowy",        "Woda źródlana",     "Piwo jasne",         "Czekolada gorzka",
    "Ciastka owsiane",     "Dżem truskawkowy",  "Miód wielokwiatowy", "Jajka wiejskie",
    "Twaróg półtłusty",    "Jogurt naturalny",  "Szynka gotowana",    "Pierogi ruskie",
};
constexpr const char* kSizes[] = {"100 g", "250 g", "500 g", "1 kg",
                                  "0,5 l", "1 l",   "1,5 l", "6 szt."};
constexpr const char* kMakers[] = {"Mlekpol", "Łowicz", "Sokołów",   "Wedel",
                                   "Żywiec",  "Krakus", "Pudliszki", "Hortex"};
constexpr int kRates[] = {23, 8, 5, 0};

std::string Money(long long hundredths) {
  return std::to_string(hundredths);
}

// An EAN-13 code: "590" (Poland), nine digits of `number`, and its check digit.
std::string Ean13(long long number) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "590%09lld", number % 1000000000LL);
  int sum = 0;
  for (int i = 0; i < 12; ++i) sum += (digits[i] - '0') * (i % 2 == 0 ? 1 : 3);
  digits[12] = static_cast<char>('0' + (10 - sum % 10) % 10);
  digits[13] = '\0';
  return digits;
}

std::string Two(int n) {
  return std::string(1, static_cast<char>('0' + n / 10 % 10)) + static_cast<char>('0' + n % 10);
}

}  // namespace

std::string ExportFile(int goods, uint64_t seed) {
  std::mt19937_64 random(seed);
  std::string out;
  out.reserve(static_cast<size_t>(goods) * 260 + 1024);
  out += "# Eksport towarów\r\n[STAWKI]\r\n";
  out += "VAT;23;2300\r\nVAT;8;800\r\nVAT;5;500\r\nVAT;0;0\r\nVAT;-1;-1\r\n";
  out += "[JEDNOSTKI]\r\nJM;0;0;szt.\r\nJM;1;3;kg\r\nJM;2;3;l\r\nJM;3;0;opak\r\n";
  out += "[ASORTYMENTY]\r\n";
  for (int group = 1; group <= 8; ++group) {
    out += "ASS;" + std::to_string(group) + ";" + kProducts[group * 3] + " i inne\r\n";
  }
  out += "[TOWARY]\r\n";
  constexpr int kProductCount = sizeof kProducts / sizeof kProducts[0];
  for (int plu = 1; plu <= goods; ++plu) {
    const auto r = random();
    const std::string product = kProducts[r % kProductCount];
    const std::string size = kSizes[(r >> 8) % 8];
    const std::string maker = kMakers[(r >> 12) % 8];
    const int rate = kRates[(r >> 16) % 4];
    const bool weighed = (r >> 20) % 10 == 0;
    const long long price = 99 + static_cast<long long>((r >> 24) % 9900);
    const int unit = weighed ? 1 : 0;
    const int group = 1 + static_cast<int>((r >> 40) % 8);
    const std::string name = product + " " + size + " " + std::to_string(plu % 1000);
    // Words 0 to 19: kind, PLU, ordinal, barcode, name, four prices, rate, unit, weighed,
    // precision, weight-or-count, package, open price, package code and PLU, group, status.
    out += "PLU;" + std::to_string(plu) + ";0;" + Ean13(plu) + ";" + name + ";" + Money(price) +
           ";" + Money(price * 9 / 10) + ";" + Money(price * 11 / 10) + ";" + Money(price) + ";" +
           std::to_string(rate) + ";" + std::to_string(unit) + ";" + (weighed ? "T" : "F") + ";" +
           (weighed ? "3" : "0") + ";F;F;F;0;;" + std::to_string(group) + ";DOD;";
    // Words 20 to 33: two descriptions, PKWiU, SWW, expiry term, price level, price scale,
    // two more descriptions, discount, rate in hundredths, full name, units, notes.
    out += "Producent: " + maker + ";Przechowywać w suchym miejscu;10.51.11.0;SWW " +
           std::to_string(1000 + group) + ";" + std::to_string((r >> 44) % 30) + ";0;1000;" +
           "Kraj pochodzenia: Polska;Partia " + std::to_string((r >> 48) % 500) + ";0;" +
           std::to_string(rate * 100) + ";" + product + " " + size + " – " + maker + ";1;" +
           "Towar z dostawy nr " + std::to_string(plu % 97) + "\r\n";
  }
  return out;
}

std::string ReceiptBuffer4(int soldLines, int distinctGoods, int dates, uint64_t seed) {
  std::mt19937_64 random(seed);
  // The goods in a shuffled order, taken in turn: each round of lines sells every goods once.
  std::vector<int> order(static_cast<size_t>(distinctGoods));
  std::iota(order.begin(), order.end(), 1);
  std::shuffle(order.begin(), order.end(), random);
  std::vector<long long> prices(static_cast<size_t>(distinctGoods) + 1);
  std::vector<int> slots(static_cast<size_t>(distinctGoods) + 1);
  for (int plu = 1; plu <= distinctGoods; ++plu) {
    prices[static_cast<size_t>(plu)] = 99 + static_cast<long long>(random() % 9900);
    slots[static_cast<size_t>(plu)] = 1 + static_cast<int>(random() % 4);
  }

  std::string out;
  out.reserve(static_cast<size_t>(soldLines) * 64 + 1024);
  out += "#1\r\n#\r\n#\r\n";
  const int perDate = (soldLines + dates - 1) / dates;
  long long trans = 0;
  int receipt = 0;
  int line = 0;
  for (int date = 0; date < dates; ++date) {
    const std::string day = "26.12." + Two(6 + date);
    const int last = std::min(soldLines, (date + 1) * perDate);
    int minuteOfDay = 8 * 60;
    while (line < last) {
      ++trans;
      ++receipt;
      const int count = std::min(last - line, 1 + static_cast<int>(random() % 19));
      const std::string time = Two(std::min(minuteOfDay / 60, 23)) + ":" + Two(minuteOfDay % 60);
      if (receipt % 40 == 0 && minuteOfDay < 22 * 60) ++minuteOfDay;
      const int cashier = 1 + static_cast<int>(trans % 3);
      long long total = 0;
      for (int i = 1; i <= count; ++i, ++line) {
        const int plu = order[static_cast<size_t>(line % distinctGoods)];
        const int quantity = 1 + static_cast<int>(random() % 3);
        const long long before = prices[static_cast<size_t>(plu)] * quantity;
        const long long discount = random() % 10 == 0 ? before / 10 : 0;
        total += before - discount;
        out += "$1\t" + std::to_string(trans) + "\t" + std::to_string(receipt) + "\t" +
               std::to_string(i) + "\t0\t" + std::to_string(plu) + "\t" + std::to_string(quantity) +
               ".000\t" + std::to_string(before - discount) + "\t" + day + "\t" + time + "\t" +
               std::to_string(slots[static_cast<size_t>(plu)]) + "\t" + std::to_string(cashier) +
               "\t" + std::to_string(discount) + "\t" + std::to_string(before) + "\r\n";
      }
      const int form = random() % 3 == 0 ? 2 : 1;
      out += "$4\t" + std::to_string(trans) + "\t" + std::to_string(receipt) + "\t" +
             std::to_string(form) + "\t0\t0\t0\t" + std::to_string(total) + "\r\n";
    }
  }
  return out;
}

}  // namespace bench
