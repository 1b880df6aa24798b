// The host services as the driver calls them, without a driver.
#include "host/Host.h"

#include <gtest/gtest.h>

#include "testutil/TempDir.h"

namespace tvkhost {
namespace {

class HostTest : public ::testing::Test {
 protected:
  void Load(const std::string& section) {
    testutil::WriteFile(dir_.File("tvkhost.ini"), "[K]\nExchangeDir = ex\n" + section);
    std::string error;
    ASSERT_TRUE(config_.Load(dir_.File("tvkhost.ini"), error) && config_.SelectDevice("", error))
        << error;
  }
  testutil::TempDir dir_{"hostsvc"};
  HostConfig config_;
  MessageRenderer renderer_{false, 80, [](const std::string&) {}, {}};
  Host host_{config_, renderer_, HostOptions{dir_.File("out"), ""}};
};

TEST_F(HostTest, TheAbortServiceAnswersYesOnlyAfterCtrlC) {
  Load("");
  Host::ClearAbort();
  EXPECT_FALSE(host_.CzyPrzerwac());
  Host::RequestAbort();  // what the Ctrl+C handler does
  EXPECT_TRUE(host_.CzyPrzerwac());
  Host::ClearAbort();
}

TEST_F(HostTest, VatRatesComeFromTheFileInBothForms) {
  Load("VatRates = 23;8\nVatRatesPrec = 2300;850\n");
  int rate = 0;
  ASSERT_TRUE(host_.StawkaVAT(1, &rate));
  EXPECT_EQ(rate, 8);
  EXPECT_FALSE(host_.StawkaVAT(2, &rate));
  ASSERT_TRUE(host_.StawkaVATPrec(1, &rate));
  EXPECT_EQ(rate, 850);
}

TEST_F(HostTest, DeviceDataFillsTheDriversBuffers) {
  Load("Id = 4\nNumber = 2\nDeviceName = Kasa\n");
  int id = 0, number = 0;
  char name[TVKDLL_TEXT_SIZE], station[TVKDLL_TEXT_SIZE], dir[TVKDLL_DIR_SIZE];
  host_.DaneUrzadzenia(&id, &number, name, station, dir);
  EXPECT_EQ(id, 4);
  EXPECT_EQ(number, 2);
  EXPECT_STREQ(name, "Kasa");
  EXPECT_STREQ(station, "");
  EXPECT_EQ(std::string(dir), dir_.File("ex") + platform::kPathSeparator);
}

TEST_F(HostTest, TheLanguageLinkFallsBackToTheDefaultText) {
  Load("");
  char buffer[TVKDLL_TEXT_SIZE];
  EXPECT_FALSE(host_.Translate("m", "k", "Polski tekst", buffer, TVKDLL_TEXT_SIZE));
  EXPECT_STREQ(buffer, "Polski tekst");
}

TEST_F(HostTest, WeighedFormatsEndWithFalse) {
  Load("WeighedFormats = 21PPPPWWWWWK; 29PPPPPCCCCCK\n");
  char text[TVKDLL_TEXT_SIZE];
  ASSERT_TRUE(host_.FormatWazony(1, text));
  EXPECT_STREQ(text, "29PPPPPCCCCCK");
  EXPECT_FALSE(host_.FormatWazony(2, text));
}

}  // namespace
}  // namespace tvkhost
