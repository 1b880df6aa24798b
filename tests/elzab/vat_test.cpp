// The register's VAT table from OPodatek.exe's output.
#include <gtest/gtest.h>

#include "hostlib/Exceptions.h"
#include "testutil/DriverFixture.h"

using testutil::ProgramFixture;

class Vat : public ProgramFixture {
 protected:
  std::vector<int> Rates() const {
    std::vector<int> rates;
    for (int i = 0; i < 7; ++i) rates.push_back(action->Register().VatRate(i));
    return rates;
  }
};

TEST_F(Vat, RatesExemptAndReservedSlots) {
  ProgramWritesOutput("OPodatek\r\n$23,00\t8,00\t5,00\t0,00\tZWOLNIONA\tREZERWA\tREZERWA\r\n");
  action->Register().GetVatFromECR();
  EXPECT_EQ(Rates(), (std::vector<int>{2300, 800, 500, 0, -1, 999, 999}));
  EXPECT_EQ(action->Register().VatLetter(800), 2);
  EXPECT_EQ(action->Register().VatLetter(-1), 5);
  EXPECT_EQ(action->Register().VatLetter(700), 999);
  EXPECT_EQ(action->Register().VatLetter(999), 6);
  EXPECT_EQ(host.Texts(), (std::vector<std::string>{"Odczyt tablicy stawek VAT z kasy\x01OK"}));
  EXPECT_TRUE(testutil::Exists(dir.File("opodatek.out")));  // the export's clean-up removes it
}

TEST_F(Vat, TheLastRateLineDecidesAndAPointIsNoDecimalSeparator) {
  ProgramWritesOutput("$23,00\t8,00\r\n\r\nkomentarz\r\n$22,00\t23.00\t\t\r\n");
  action->Register().GetVatFromECR();
  EXPECT_EQ(Rates(), (std::vector<int>{2200, 23, 0, 0, 0, 0, 0}));
  EXPECT_EQ(action->Register().VatLetter(0), 3);
}

TEST_F(Vat, WithoutRateLinesEverySlotIsZero) {
  ProgramWritesOutput("OPodatek\r\nnic\r\n");
  action->Register().GetVatFromECR();
  EXPECT_EQ(Rates(), (std::vector<int>(7, 0)));
  EXPECT_EQ(action->Register().VatLetter(0), 1);
}

TEST_F(Vat, AMissingOutputIsAReadError) {
  env.onRun = [](const platform::FakeEnv::Run&) {
    platform::RunResult r;
    r.started = true;
    return r;
  };
  try {
    action->Register().GetVatFromECR();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Błąd odczytu pliku :" + dir.File("opodatek.out"));
  }
}

TEST_F(Vat, TwoSlotsWithOneRateResolveToTheLower) {
  ProgramWritesOutput("$23,00\t8,00\t23,00\t0,00\tZWOLNIONA\tREZERWA\tREZERWA\r\n");
  action->Register().GetVatFromECR();
  EXPECT_EQ(action->Register().VatLetter(2300), 1);
}

// A table cut short, or with a rate that is no number (a garbled digit), would give goods the
// wrong rate on the register or withdraw them: the export ends naming the file.
TEST_F(Vat, ACutShortOrGarbledTableIsAReadErrorNamingTheFile) {
  const std::string path = dir.File("opodatek.out");
  const std::pair<std::string, std::string> cases[] = {
      {"#1\r\n#\r\n#\r\n$23,00\t8,0", path + ": plik urwany, ostatni wiersz niepełny"},
      {"#B\r\n#\r\n#\r\n$CD,AA\tI,AA\tF,AA\tA,AA\tZWOLNIONA\tREZERWA\tREZERWA\r\n",
       path + ": nieczytelny wiersz 4"},
  };
  for (const auto& [text, message] : cases) {
    ProgramWritesOutput(text);
    try {
      action->Register().GetVatFromECR();
      ADD_FAILURE() << text;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Błąd odczytu pliku " + message);
    }
  }
}
