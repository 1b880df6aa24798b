// The reading and table programs: what they write, and how they refuse bad configuration,
// headers and tables.
#include "SimFixture.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace simtest {
namespace {

using testutil::WriteFile;

class ProgramsTest : public SimTest {};

TEST_F(ProgramsTest, IdentificationIsTheFourthLineOfOtypurz) {
  Create();
  ASSERT_EQ(0, RunWith("OTypUrz.exe", "otypurz", ""));
  // Marker "$", then fields 0 (record type), 1 register number, 2 serial, 3 model,
  // 4 PLU capacity, 5 generation, 6 program version.
  EXPECT_EQ(kHeader + "$1\t1\tELZ00000001\tSigma\t20000\t4\t02.12\r\n", Read("otypurz.out"));
  EXPECT_EQ("OTypUrz.exe 2026-12-08 08:00:00", ReportLine(1));
  EXPECT_EQ("#0;OK", ReportLine(2));
  EXPECT_EQ("#\t0\tP0\t0", ReportLine(10));
}

TEST_F(ProgramsTest, IdentificationNamesEachModelAsTheRegisterDoes) {
  const char* models[] = {"K10", "K10 online", "Mini online", "Jota online"};
  for (const char* model : models) {
    Create(model, {"--plu", "4000", "--device", "3"});
    Konfig("$3\tCOM2:115200:STX0:1\t10\r\n");
    testutil::WriteFile(ex_.File("otypurz.in"), "#3\r\n#\r\n#\r\n");
    ASSERT_EQ(0, Run("OTypUrz.exe", {ex_.File("otypurz.in"), ex_.File("otypurz.out")}));
    std::string out = Read("otypurz.out");
    EXPECT_NE(std::string::npos, out.find("$1\t3\tELZ00000003\t" + std::string(model) + "\t4000\t"))
        << out;
  }
}

TEST_F(ProgramsTest, VatTableUsesDecimalCommas) {
  Create();
  ASSERT_EQ(0, RunWith("OPodatek.exe", "opodatek", ""));
  EXPECT_EQ(kHeader + "$23,00\t8,00\t5,00\t0,00\tZWOLNIONA\tREZERWA\tREZERWA\r\n",
            Read("opodatek.out"));
  ASSERT_EQ(0, Ecrsim({"vat", "--port", "COM2", "22,00;7,00;ZWOLNIONA;0,00;REZERWA;3,50;5,00"}));
  ASSERT_EQ(0, RunWith("OPodatek.exe", "opodatek", ""));
  EXPECT_EQ(kHeader + "$22,00\t7,00\tZWOLNIONA\t0,00\tREZERWA\t3,50\t5,00\r\n",
            Read("opodatek.out"));
}

TEST_F(ProgramsTest, MissingKonfigIsCode7) {
  Create();
  platform::Env::Default()->RemoveFile(ex_.File("KONFIG.TXT"));
  EXPECT_EQ(7, RunWith("OTypUrz.exe", "otypurz", ""));
  EXPECT_EQ("#7;Nie można otworzyć pliku konfiguracji", ReportLine(2));
  EXPECT_FALSE(testutil::Exists(ex_.File("otypurz.out")));
}

TEST_F(ProgramsTest, MalformedKonfigGivesTheRegistersCodes) {
  Create();
  struct Case {
    const char* konfig;
    int code;
  } cases[] = {
      {"", 13},
      {"$1\tCOM2:9600:STX0:1\r\n", 13},
      {"1\tCOM2:9600:STX0:1\t10\r\n", 16},
      {"$x\tCOM2:9600:STX0:1\t10\r\n", 16},
      {"$1\tCOM2:9600:STX0\t10\r\n", 16},
      {"$1\tCOM2:9601:STX0:1\t10\r\n", 15},
      {"$1\tLPT1:9600:STX0:1\t10\r\n", 15},
      {"$1\tCOM2:9600:STX6:1\t10\r\n", 15},
      {"$0\tCOM2:9600:STX0:1\t10\r\n", 19},
      {"$1\tCOM2:9600:STX0:1\tten\r\n", 16},
  };
  for (const Case& c : cases) {
    Konfig(c.konfig);
    EXPECT_EQ(c.code, RunWith("OTypUrz.exe", "otypurz", "")) << c.konfig;
    EXPECT_EQ("#" + std::to_string(c.code) + ";", ReportLine(2).substr(0, 4)) << c.konfig;
  }
}

TEST_F(ProgramsTest, LanKonfigReachesTheRegisterAtThatAddress) {
  ASSERT_EQ(0, Ecrsim({"create", "--lan", "10.0.0.5:1001", "--model", "Sigma"}));
  Konfig("$1\tCOM1:115200:STX6:1\t10\tElzab\tAnyString:3001:10.0.0.5:1001:pa:ss:15:3\r\n");
  EXPECT_EQ(0, RunWith("OTypUrz.exe", "otypurz", ""));
  EXPECT_EQ("Port: 10.0.0.5:1001", ReportLine(3));
  Konfig("$1\tCOM1:115200:STX6:1\t10\tElzab\tAnyString:3001:10.0.0.5:1002::15:3\r\n");
  EXPECT_EQ(21, RunWith("OTypUrz.exe", "otypurz", ""));
  Konfig("$1\tCOM1:115200:STX6:1\t10\tElzab\tAnyString:3001:10.0.0.5\r\n");
  EXPECT_EQ(13, RunWith("OTypUrz.exe", "otypurz", ""));
}

TEST_F(ProgramsTest, NoRegisterOnThePortIsATimeout) {
  EXPECT_EQ(21, RunWith("OTypUrz.exe", "otypurz", ""));
  EXPECT_EQ("#21;Timeout odbierania", ReportLine(2));
}

TEST_F(ProgramsTest, TwoDevicesOnOnePortReachOneRegister) {
  Create();
  ASSERT_EQ(0, RunWith("OTypUrz.exe", "otypurz", ""));
  Konfig("$1\tcom2:19200:STX0:1\t5\r\n");
  ASSERT_EQ(0, RunWith("OTypUrz.exe", "otypurz", ""));
}

TEST_F(ProgramsTest, RegisterNumberMustMatchInKonfigAndHeader) {
  Create();
  Konfig("$2\tCOM2:9600:STX0:1\t10\r\n");
  EXPECT_EQ(22, RunWith("OTypUrz.exe", "otypurz", ""));
  Konfig(kKonfigCom2);
  WriteFile(ex_.File("otypurz.in"), "#2\r\n#\r\n#\r\n");
  EXPECT_EQ(22, Run("OTypUrz.exe", {ex_.File("otypurz.in"), ex_.File("otypurz.out")}));
  WriteFile(ex_.File("otypurz.in"), "#300\r\n#\r\n#\r\n");
  EXPECT_EQ(19, Run("OTypUrz.exe", {ex_.File("otypurz.in"), ex_.File("otypurz.out")}));
  WriteFile(ex_.File("otypurz.in"), "#1\r\n#\r\n");
  EXPECT_EQ(10, Run("OTypUrz.exe", {ex_.File("otypurz.in"), ex_.File("otypurz.out")}));
  WriteFile(ex_.File("otypurz.in"), "1\r\n#\r\n#\r\n");
  EXPECT_EQ(11, Run("OTypUrz.exe", {ex_.File("otypurz.in"), ex_.File("otypurz.out")}));
}

TEST_F(ProgramsTest, MissingArgumentsAndFilesHaveTheirCodes) {
  Create();
  EXPECT_EQ(1, Run("OTypUrz.exe", {}));
  EXPECT_EQ(3, Run("OTypUrz.exe", {ex_.File("otypurz.in")}));
  EXPECT_EQ(5, Run("OTypUrz.exe", {ex_.File("otypurz.in"), ex_.File("otypurz.in")}));
  EXPECT_EQ(6, Run("OTypUrz.exe", {ex_.File("missing.in"), ex_.File("otypurz.out")}));
  EXPECT_EQ("#6;Nie można otworzyć pliku wejściowego", ReportLine(2));
}

TEST_F(ProgramsTest, PathsWithBlanksArriveWhole) {
  Create();
  std::string dir = ex_.File("with blank");
  ASSERT_TRUE(platform::Env::Default()->MakeDirectories(dir));
  std::string in = testutil::Join(dir, "otypurz.in");
  std::string out = testutil::Join(dir, "otypurz.out");
  WriteFile(in, kHeader);
  ASSERT_EQ(0, Run("OTypUrz.exe", {in, out}));
  EXPECT_EQ("Plik wyjściowy: " + out, ReportLine(6));
  EXPECT_NE(std::string::npos, testutil::ReadFile(out).find("Sigma"));
}

TEST_F(ProgramsTest, ProgramNamesAreMatchedWithoutCase) {
  Create();
  std::string copy = ex_.File("otypurz.EXE");
  WriteFile(copy, testutil::ReadFile(testutil::Join(SimDir(), "OTypUrz.exe")));
#ifndef _WIN32
  ASSERT_EQ(0, ::chmod(copy.c_str(), 0755));
#endif
  testutil::WriteFile(ex_.File("otypurz.in"), kHeader);
  platform::RunResult r = platform::Env::Default()->RunProgram(
      copy, {ex_.File("otypurz.in"), ex_.File("otypurz.out")}, ex_.Path());
  ASSERT_TRUE(r.started);
  EXPECT_EQ(0u, r.exitCode);
  EXPECT_EQ("OTypUrz.exe 2026-12-08 08:00:00", ReportLine(1));
}

TEST_F(ProgramsTest, ReceiptBufferAndCashierCommandsNeedTheirModels) {
  Create("K10");
  EXPECT_EQ(25, RunWith("OPSpRoz4.exe", "opsproz4", ""));
  EXPECT_EQ(25, RunWith("OPSpRoz5.exe", "opsproz5", ""));
  Create("Mini online");
  EXPECT_EQ(0, RunWith("OPSpRoz5.exe", "opsproz5", ""));
  EXPECT_EQ(25, RunWith("OIKasWla.exe", "oikaswla", ""));
  EXPECT_EQ(25, RunWith("OKasjer.exe", "okasjer", ""));
  EXPECT_EQ("#25;Rozkaz niedostępny w tej wersji programu kasy", ReportLine(2));
}

TEST_F(ProgramsTest, GroupsAreProgrammedAndCheckedFromCodePage852) {
  Create();
  std::string body =
      "$1\tNapoje \xa9"
      "ko"
      "\x98"
      "ne       \r\n";  // "Napoje ękośne"
  for (int g = 2; g <= 99; ++g) body += "$" + std::to_string(g) + "\t                   \r\n";
  ASSERT_EQ(0, RunWith("ZGrupa.exe", "zgrupa", body + "\r\n", false));
  EXPECT_EQ(U8(u8"Groups (named ones):\n  1 Napoje ękośne\n"), Show("groups"));
  EXPECT_EQ(110, RunWith("ZGrupa.exe", "zgrupa", "$5\tMleko\r\n$100\tX\r\n\r\n", false));
  EXPECT_EQ("Rekordów: 2", ReportLine(7));
  EXPECT_EQ(U8(u8"Groups (named ones):\n  1 Napoje ękośne\n  5 Mleko\n"), Show("groups"));
  EXPECT_EQ(11, RunWith("ZGrupa.exe", "zgrupa", "$7 Mleko\r\n\r\n", false));
  EXPECT_EQ(12, RunWith("ZGrupa.exe", "zgrupa", "$7\tNazwa grupy za dluga\r\n", false));
}

TEST_F(ProgramsTest, UnitsAreProgrammedInSlotsZeroToFifteen) {
  Create();
  ASSERT_EQ(0, RunWith("ZJednost.exe", "zjednost", "$1\tkg  \r\n$15\tl   \r\n\r\n", false));
  EXPECT_EQ("Units:\n  0 szt.\n  1 kg\n  15 l\n", Show("units"));
  EXPECT_EQ(111, RunWith("ZJednost.exe", "zjednost", "$16\tm   \r\n\r\n", false));
  EXPECT_EQ("#111;Numer jednostki poza dozwolonym zakresem", ReportLine(2));
  EXPECT_EQ(12, RunWith("ZJednost.exe", "zjednost", "$2\tlitry\r\n\r\n", false));
}

TEST_F(ProgramsTest, EuroLineDependsOnTheModel) {
  Create();
  ASSERT_EQ(0, RunWith("ZWaluta.exe", "zwaluta", "$2\t4,31\tEUR\r\n\r\n", false));
  EXPECT_NE(std::string::npos, Show("vat").find("Euro rate: 4,31")) << Show("vat");
  EXPECT_EQ(12, RunWith("ZWaluta.exe", "zwaluta", "$2\t4.31\tEUR\r\n\r\n", false));
  EXPECT_EQ(11, RunWith("ZWaluta.exe", "zwaluta", "$2\t4,31\tEUR\tEUR          \r\n", false));
  Create("K10 online");
  EXPECT_EQ(11, RunWith("ZWaluta.exe", "zwaluta", "$2\t4,31\tEUR\r\n\r\n", false));
  EXPECT_EQ(0, RunWith("ZWaluta.exe", "zwaluta", "$2\t4,32\tEUR\tEUR          \r\n\r\n", false));
}

TEST_F(ProgramsTest, PaymentFormsFollowTheModelsTable) {
  Create();
  std::string sigma =
      "$2\tKARTA        \t2\t0\t0\r\n$3\tBON          \t2\t0\t0\r\n"
      "$4\tCZEK         \t2\t0\t0\r\n$5\tINNA         \t2\t0\t0\r\n"
      "$6\t             \t1\t0\t0\r\n$7\t             \t1\t0\t0\r\n";
  ASSERT_EQ(0, RunWith("ZPlat.exe", "zplat", sigma + "\r\n", false));
  ASSERT_EQ(0, Ecrsim({"payment-date", "--port", "COM2", "5", "on"}));
  ASSERT_EQ(0, RunWith("OPlat.exe", "oplat", ""));
  // Column 6 says whether the form carries a date; names in code page 852.
  EXPECT_EQ(kHeader +
                "$1\tGOT\xe0WKA\t1\t0\t0\t0\t0\r\n$2\tKARTA\t2\t0\t0\t0\t0\r\n"
                "$3\tBON\t2\t0\t0\t0\t0\r\n$4\tCZEK\t2\t0\t0\t0\t0\r\n"
                "$5\tINNA\t2\t0\t0\t0\t1\r\n$6\t\t1\t0\t0\t0\t0\r\n$7\t\t1\t0\t0\t0\t0\r\n",
            Read("oplat.out"));
  EXPECT_EQ(11, RunWith("ZPlat.exe", "zplat", "$1\tGOT\xe0WKA\r\n\r\n", false));
  Create("K10");
  EXPECT_EQ(
      0, RunWith("ZPlat.exe", "zplat",
                 "$1\tGOT\xe0WKA\r\n$2\tKARTA\r\n$3\tBON\r\n$4\tCZEK\r\n$5\tINNA\r\n\r\n", false));
  EXPECT_EQ(11, RunWith("ZPlat.exe", "zplat", sigma, false));
  EXPECT_EQ(115, RunWith("ZPlat.exe", "zplat", "$6\tINNA\r\n", false));
}

TEST_F(ProgramsTest, CountersProgramNeedsItsThreeOutputPaths) {
  Create();
  EXPECT_EQ(10, RunWith("OSpOpMax.exe", "ospopmax", "", false));
  EXPECT_EQ(10, RunWith("OSpOpMax.exe", "ospopmax", "$" + ex_.File("a.out") + "\r\n", false));
  ASSERT_EQ(0, RunWith("OSpOpMax.exe", "ospopmax",
                       "$" + ex_.File("a.out") + "\t" + ex_.File("b.out") + "\t" +
                           ex_.File("c.out") + "\r\n",
                       false));
  EXPECT_EQ(kHeader + "#\t0\t0\r\n", Read("a.out"));
  EXPECT_EQ(kHeader + "#\t0\t0\r\n", Read("c.out"));
}

TEST_F(ProgramsTest, ClockIsTheRegistersAndSettable) {
  Create();
  ASSERT_EQ(0, Ecrsim({"clock", "--port", "COM2", "2026-12-24T17:45"}));
  ASSERT_EQ(0, RunWith("OZegar.exe", "ozegar", ""));
  EXPECT_EQ(kHeader + "$26.12.24\t17:45\r\n", Read("ozegar.out"));
  EXPECT_EQ(2, Ecrsim({"clock", "--port", "COM2", "2026-02-30T10:00"}));
}

TEST_F(ProgramsTest, StateFileIsReadableText) {
  Create();
  ASSERT_EQ(0, RunWith("ZBPTowar.exe", "zbptowar",
                       GoodsRecord(1, "Ser \xbe\xa2\x88ty", 1, 3200) + "\r\n"));
  std::string state = testutil::ReadFile(state_.File("serial-COM2.txt"));
  EXPECT_NE(std::string::npos, state.find("model\tSigma\r\n")) << state;
  EXPECT_NE(std::string::npos, state.find(U8(u8"plu\t1\tSer żółty\t1\t1\t0\t0\t\t3200\t")))
      << state;
}

TEST_F(ProgramsTest, StateLivesBesideTheProgramsUnlessSetElsewhere) {
  platform::SetEnvironmentValue("ELZABSIM_STATE", "");
  std::string file = testutil::Join(testutil::Join(SimDir(), "registers"), "serial-COM199.txt");
  ASSERT_EQ(0, Ecrsim({"create", "--port", "COM199", "--model", "K10"}));
  EXPECT_TRUE(testutil::Exists(file));
  Konfig("$1\tCOM199:9600:STX0:1\t10\r\n");
  EXPECT_EQ(0, RunWith("OTypUrz.exe", "otypurz", ""));
  EXPECT_EQ(0, Ecrsim({"remove", "--port", "COM199"}));
  EXPECT_FALSE(testutil::Exists(file));

  testutil::TempDir other("simother");
  ASSERT_EQ(0, Ecrsim({"--state", other.Path(), "create", "--lan", "10.0.0.7:99", "--model",
                       "Jota online"}));
  EXPECT_TRUE(testutil::Exists(other.File("lan-10.0.0.7_99.txt")));
  EXPECT_EQ(1, Ecrsim({"show", "--lan", "10.0.0.7:99"}));  // not in ELZABSIM_STATE's place
}

}  // namespace
}  // namespace simtest
