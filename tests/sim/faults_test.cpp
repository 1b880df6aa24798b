// Injected faults: each kind, one-shot and persistent, and how ecrsim takes them.
#include <chrono>

#include "SimFixture.h"

namespace simtest {
namespace {

class FaultsTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    Create();
  }
  int Fault(std::vector<std::string> args) {
    args.insert(args.begin(), {"fault", "--port", "COM2"});
    return Ecrsim(args);
  }
  int Identify() { return RunWith("OTypUrz.exe", "otypurz", ""); }
  int SendThree() {
    return RunWith("ZBPTowar.exe", "zbptowar",
                   GoodsRecord(1, "Woda", 1, 250) + GoodsRecord(2, "Sok", 2, 399) +
                       GoodsRecord(3, "Chleb", 3, 450) + "\r\n");
  }
};

TEST_F(FaultsTest, CodeFaultReplacesTheRunAndStays) {
  ASSERT_EQ(0, Fault({"--program", "otypurz.exe", "--code", "48", "--desc", "Brak papieru"}));
  EXPECT_EQ(48, Identify());
  EXPECT_EQ("#48;Brak papieru", ReportLine(2));
  EXPECT_FALSE(testutil::Exists(ex_.File("otypurz.out")));
  EXPECT_EQ(48, Identify());
  ASSERT_EQ(0, Ecrsim({"clear-faults", "--port", "COM2"}));
  EXPECT_EQ(0, Identify());
}

TEST_F(FaultsTest, OnceFaultFiresOnlyOnce) {
  ASSERT_EQ(0, Fault({"--program", "OPodatek.exe", "--code", "20", "--once"}));
  EXPECT_EQ(0, Identify());  // other programs are not touched
  EXPECT_EQ(20, RunWith("OPodatek.exe", "opodatek", ""));
  EXPECT_EQ("#20;", ReportLine(2));  // no description given: the driver's table has the text
  EXPECT_EQ(0, RunWith("OPodatek.exe", "opodatek", ""));
}

// A one-run hang is spent as its run starts: stopping that run (as a person stops a hung
// program) leaves no fault for the next one.
TEST_F(FaultsTest, AOnceHangIsSpentWhenTheRunItStoppedStarted) {
  ASSERT_EQ(0, Fault({"--program", "OTypUrz.exe", "--hang", "600", "--once"}));
  testutil::WriteFile(ex_.File("otypurz.in"), kHeader);
  // Stopped at the first question, a second after it began to hang.
  platform::RunResult r = platform::Env::Default()->RunProgram(
      testutil::Join(SimDir(), "OTypUrz.exe"), {ex_.File("otypurz.in"), ex_.File("otypurz.out")},
      ex_.Path(), [] { return true; });
  EXPECT_TRUE(r.stopped);
  ASSERT_EQ(Show("faults").find("OTypUrz"), std::string::npos) << Show("faults");
  EXPECT_EQ(0, Identify());
}

TEST_F(FaultsTest, HelpShowsTheUsageAndHelpSellTheScenarioFormat) {
  for (const char* word : {"help", "--help", "-h"}) {
    EXPECT_EQ(0, Ecrsim({"--output", ex_.File("help.txt"), word})) << word;
    EXPECT_NE(Read("help.txt").find("create --model MODEL"), std::string::npos) << word;
  }
  EXPECT_EQ(0, Ecrsim({"--output", ex_.File("help.txt"), "help", "sell"}));
  EXPECT_NE(Read("help.txt").find("pay cash|card|voucher|cheque|other|1..7 AMOUNT"),
            std::string::npos);
  EXPECT_EQ(2, Ecrsim({"help", "zero"}));
}

TEST_F(FaultsTest, CodeZeroStillExitsNonZero) {
  ASSERT_EQ(0, Fault({"--program", "OTypUrz.exe", "--code", "0"}));
  EXPECT_EQ(1, Identify());
  EXPECT_EQ("#0;", ReportLine(2));
}

TEST_F(FaultsTest, NoReportRemovesTheOldReport) {
  ASSERT_EQ(0, Identify());
  ASSERT_TRUE(testutil::Exists(ex_.File("RAPORT.TXT")));
  ASSERT_EQ(0, Fault({"--program", "OTypUrz.exe", "--no-report", "--exit", "3"}));
  platform::Env::Default()->RemoveFile(ex_.File("otypurz.out"));
  EXPECT_EQ(3, Identify());
  EXPECT_FALSE(testutil::Exists(ex_.File("RAPORT.TXT")));
  EXPECT_FALSE(testutil::Exists(ex_.File("otypurz.out")));
}

TEST_F(FaultsTest, HangDelaysTheRunThenWorks) {
  ASSERT_EQ(0, Fault({"--program", "OTypUrz.exe", "--hang", "0.05", "--once"}));
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(0, Identify());
  auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(50));
  EXPECT_NE(std::string::npos, Read("otypurz.out").find("Sigma"));
}

TEST_F(FaultsTest, TruncateCutsTheOutputInHalf) {
  ASSERT_EQ(0, Identify());
  std::string whole = Read("otypurz.out");
  ASSERT_EQ(0, Fault({"--program", "OTypUrz.exe", "--truncate"}));
  EXPECT_EQ(0, Identify());
  EXPECT_EQ(whole.substr(0, whole.size() / 2), Read("otypurz.out"));
}

TEST_F(FaultsTest, GarbleTurnsDigitsIntoLetters) {
  ASSERT_EQ(0, Fault({"--program", "OPodatek.exe", "--garble"}));
  EXPECT_EQ(0, RunWith("OPodatek.exe", "opodatek", ""));
  EXPECT_EQ("#B\r\n#\r\n#\r\n$CD,AA\tI,AA\tF,AA\tA,AA\tZWOLNIONA\tREZERWA\tREZERWA\r\n",
            Read("opodatek.out"));
}

TEST_F(FaultsTest, GarbleWithoutOutputHitsTheReport) {
  ASSERT_EQ(0, Fault({"--program", "ZJednost.exe", "--garble"}));
  EXPECT_EQ(0, RunWith("ZJednost.exe", "zjednost", "$1\tkg  \r\n\r\n", false));
  EXPECT_EQ("#A;OK", ReportLine(2));
}

TEST_F(FaultsTest, RejectRefusesTheNamedGoods) {
  ASSERT_EQ(0, Fault({"--program", "ZBPTowar.exe", "--reject", "2:104,3:120"}));
  EXPECT_EQ(104, SendThree());
  EXPECT_EQ(kHeader + "$2\t104\r\n$3\t120\r\n", Read("zbptowar.out"));
  EXPECT_EQ("#\t1\tP0\t104", ReportLine(10));
  std::string goods = Show("goods");
  EXPECT_NE(std::string::npos, goods.find("PLU 1 ")) << goods;
  EXPECT_EQ(std::string::npos, goods.find("PLU 2 ")) << goods;
}

TEST_F(FaultsTest, StopAtBreaksTheTransmissionAtThatPlu) {
  ASSERT_EQ(0, Fault({"--program", "ZBPTowar.exe", "--stop-at", "2", "--once"}));
  EXPECT_EQ(20, SendThree());
  EXPECT_EQ("#20;Timeout nadawania", ReportLine(2));
  EXPECT_EQ("#\t1\tP2\t20", ReportLine(10));
  EXPECT_EQ(kHeader, Read("zbptowar.out"));
  std::string goods = Show("goods");
  EXPECT_NE(std::string::npos, goods.find("PLU 1 ")) << goods;
  EXPECT_EQ(std::string::npos, goods.find("PLU 2 ")) << goods;
  EXPECT_EQ(std::string::npos, goods.find("PLU 3 ")) << goods;
  EXPECT_EQ(0, SendThree());
}

TEST_F(FaultsTest, StopAtTakesItsOwnCode) {
  ASSERT_EQ(0, Fault({"--program", "ZBPTowar.exe", "--stop-at", "3:23"}));
  EXPECT_EQ(23, SendThree());
  EXPECT_EQ("#\t2\tP3\t23", ReportLine(10));
}

TEST_F(FaultsTest, FaultsAreKeptPerRegister) {
  ASSERT_EQ(0, Ecrsim({"create", "--port", "COM3", "--model", "K10"}));
  ASSERT_EQ(0, Ecrsim({"fault", "--port", "COM3", "--program", "OTypUrz.exe", "--code", "48"}));
  EXPECT_EQ(0, Identify());
  Konfig("$1\tCOM3:9600:STX0:1\t10\r\n");
  EXPECT_EQ(48, Identify());
}

TEST_F(FaultsTest, WrongUseIsRefusedWithExitTwo) {
  EXPECT_EQ(2, Fault({"--program", "ZBPTowar.exe"}));
  EXPECT_EQ(2, Fault({"--program", "Nothing.exe", "--code", "3"}));
  EXPECT_EQ(2, Fault({"--program", "ZBPTowar.exe", "--code", "3", "--truncate"}));
  EXPECT_EQ(2, Fault({"--program", "ZBPTowar.exe", "--no-report"}));
  EXPECT_EQ(2, Fault({"--program", "ZBPTowar.exe", "--reject", "2"}));
  EXPECT_EQ(2, Fault({"--program", "ZBPTowar.exe", "--hang", "soon"}));
  EXPECT_EQ(2, Ecrsim({"fault", "--program", "ZBPTowar.exe", "--code", "3"}));
  EXPECT_EQ(1, Ecrsim({"fault", "--port", "COM9", "--program", "ZBPTowar.exe", "--code", "3"}));
  EXPECT_EQ(2, Ecrsim({"frobnicate", "--port", "COM2"}));
  EXPECT_EQ("Faults:\n", Show("faults"));
}

}  // namespace
}  // namespace simtest
