#include "host/IniFile.h"

#include <gtest/gtest.h>

#include "host/HostConfig.h"
#include "platform/Env.h"
#include "testutil/TempDir.h"

namespace tvkhost {
namespace {

const char kFile[] =
    "; shop configuration\r\n"
    "[Kasa1]\r\n"
    "Id = 1\r\n"
    "ElzabSTXPort = COM2   \r\n"
    "\r\n"
    "# second register\r\n"
    "[Kasa2]\r\n"
    "ElzabSTXPort=LAN\r\n";

TEST(IniFile, ReadsSectionsAndValuesWithoutRegardToCase) {
  IniFile ini;
  ini.Parse(kFile);
  EXPECT_EQ(ini.Sections(), (std::vector<std::string>{"Kasa1", "Kasa2"}));
  std::string v;
  ASSERT_TRUE(ini.Get("kasa1", "elzabstxport", v));
  EXPECT_EQ(v, "COM2");
  ASSERT_TRUE(ini.Get("Kasa2", "ElzabSTXPort", v));
  EXPECT_EQ(v, "LAN");
  EXPECT_FALSE(ini.Get("Kasa2", "Id", v));
}

TEST(IniFile, RewritesAnExistingLineInPlaceAndKeepsEverythingElse) {
  IniFile ini;
  ini.Parse(kFile);
  ini.Set("Kasa1", "ELZABSTXPORT", "COM5");
  std::string expected = kFile;
  expected.replace(expected.find("ElzabSTXPort = COM2   "), 22, "ElzabSTXPort = COM5");
  EXPECT_EQ(ini.ToBytes(), expected);
}

TEST(IniFile, AddsANewKeyAfterTheSectionsLastLine) {
  IniFile ini;
  ini.Parse(kFile);
  ini.Set("Kasa1", "PoziomCen", "1");
  std::string bytes = ini.ToBytes();
  EXPECT_NE(bytes.find("ElzabSTXPort = COM2   \r\nPoziomCen = 1\r\n\r\n# second"),
            std::string::npos);
}

TEST(IniFile, AddsAMissingSectionAtTheEnd) {
  IniFile ini;
  ini.Parse("[A]\nx = 1\n");
  ini.Set("B", "y", "2");
  EXPECT_EQ(ini.ToBytes(), "[A]\nx = 1\n\n[B]\ny = 2\n");
}

TEST(IniFile, QuotesValuesWithLineBreaksAndReadsThemBack) {
  const std::string stored = "23\r\n8\r\n-999";
  EXPECT_EQ(IniFile::EncodeValue(stored), "\"23\\r\\n8\\r\\n-999\"");
  EXPECT_EQ(IniFile::DecodeValue(IniFile::EncodeValue(stored)), stored);
  EXPECT_EQ(IniFile::DecodeValue(IniFile::EncodeValue(" a\"b\\c\x02 ")), " a\"b\\c\x02 ");
  // A Windows path stays as a person writes it.
  EXPECT_EQ(IniFile::EncodeValue("C:\\Torvik\\new\\"), "C:\\Torvik\\new\\");
  EXPECT_EQ(IniFile::DecodeValue("C:\\Torvik\\new\\"), "C:\\Torvik\\new\\");
}

class HostConfigTest : public ::testing::Test {
 protected:
  testutil::TempDir dir_{"hostcfg"};
  std::string path_ = dir_.File("tvkhost.ini");
};

TEST_F(HostConfigTest, ReadsTheDeviceDataAndKeepsHostKeysApartFromParameters) {
  testutil::WriteFile(path_,
                      "[Kasa1]\nId = 7\nNumber = 2\nDeviceName = Kasa\nExchangeDir = ex\n"
                      "VatRates = 23; 8;5;0;-1\nWeighedFormats = 21PPPPWWWWWK\nPoziomCen = 1\n");
  HostConfig config;
  std::string error;
  ASSERT_TRUE(config.Load(path_, error)) << error;
  ASSERT_TRUE(config.SelectDevice("", error)) << error;
  const DeviceConfig& d = config.Device();
  EXPECT_EQ(d.id, 7);
  EXPECT_EQ(d.number, 2);
  EXPECT_EQ(d.exchangeDir, dir_.Path() + "ex" + platform::kPathSeparator);
  EXPECT_EQ(d.vatRates, (std::vector<int>{23, 8, 5, 0, -1}));
  EXPECT_EQ(d.weighedFormats, (std::vector<std::string>{"21PPPPWWWWWK"}));
  std::string v;
  EXPECT_TRUE(config.Parameter("PoziomCen", v));
  EXPECT_FALSE(config.Parameter("VatRates", v));
}

TEST_F(HostConfigTest, GivesUtf8ValuesAsWindows1250AndStoresThemBackAsUtf8) {
  testutil::WriteFile(path_, "[Kasa1]\nDeviceName = Kasa \xC5\x82\xC4\x85\x63zna\n");
  HostConfig config;
  std::string error;
  ASSERT_TRUE(config.Load(path_, error) && config.SelectDevice("kasa1", error)) << error;
  EXPECT_EQ(config.Device().deviceName,
            "Kasa \xB3\xB9"
            "czna");
  ASSERT_TRUE(config.StoreParameter("KS_X_Nazwa", "\xA3\xF3\x64\xBF", error)) << error;
  EXPECT_EQ(testutil::ReadFile(path_),
            "[Kasa1]\nDeviceName = Kasa \xC5\x82\xC4\x85\x63zna\n"
            "KS_X_Nazwa = \xC5\x81\xC3\xB3\x64\xC5\xBC\n");
}

TEST_F(HostConfigTest, RefusesAnUnknownDeviceNamingTheKnownOnes) {
  testutil::WriteFile(path_, "[Kasa1]\n[Kasa2]\n");
  HostConfig config;
  std::string error;
  ASSERT_TRUE(config.Load(path_, error));
  EXPECT_FALSE(config.SelectDevice("Kasa3", error));
  EXPECT_NE(error.find("Kasa1, Kasa2"), std::string::npos) << error;
}

TEST_F(HostConfigTest, RefusesAMissingFileAndNonsenseInAHostKey) {
  HostConfig config;
  std::string error;
  EXPECT_FALSE(config.Load(dir_.File("none.ini"), error));
  testutil::WriteFile(path_, "[Kasa1]\nNumber = two\n");
  ASSERT_TRUE(config.Load(path_, error));
  EXPECT_FALSE(config.SelectDevice("", error));
  EXPECT_NE(error.find("Number"), std::string::npos) << error;
}

}  // namespace
}  // namespace tvkhost
