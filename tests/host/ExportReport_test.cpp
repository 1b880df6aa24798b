// The export summary and the register check, from the files and lines a back office has.
#include "host/ExportReport.h"

#include <gtest/gtest.h>

#include "host/Text.h"

namespace tvkhost {
namespace {

// A goods line of the export file with the words the summary reads; the rest as Torvik
// writes them.
std::string Goods(int plu, int koldod, const std::string& barcode, const std::string& name,
                  const std::string& status) {
  return "PLU;" + std::to_string(plu) + ";" + std::to_string(koldod) + ";" + barcode + ";" + name +
         ";649;590;700;620;5;0;F;0;F;F;F;0;;1;" + status + "\r\n";
}

MessageLine Line(int significance, const std::string& text) {
  return MessageLine{significance, text};
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  for (const std::string& l : lines) {
    if (l == line) return true;
  }
  return false;
}

std::string Dump(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\n";
  return out;
}

TEST(ExportFileTest, CountsTheGoodsOfEachBatchFromTheGoodsOwnLinesOnly) {
  ExportFile f = ReadExportFile(
      "# Torvik\r\n[TOWARY]\r\nVAT;23\r\n" + Goods(1, 0, "590001", "Chleb żytni", "DOD") +
      Goods(1, 1, "590999", "Chleb żytni", "DOD") + Goods(2, 0, "590002", "Masło", "AKT") +
      Goods(3, 0, "590003", "Mleko", "CEN") + Goods(4, 0, "590004", "Kawa", "USU") + "  " +
      Goods(5, 0, "590005", "Herbata", "CEN") +
      // Lines the driver cannot read: a status in lower case, a PLU that is no number.
      Goods(6, 0, "590006", "Sól", "dod") +
      Goods(7, 0, "590007", "Cukier", "DOD").replace(4, 1, "x"));
  EXPECT_EQ(f.goods.size(), 6u);
  EXPECT_EQ(f.additions, 2);
  EXPECT_EQ(f.priceChanges, 2);
  EXPECT_EQ(f.deletions, 1);
  EXPECT_EQ(f.additional, 1);
  EXPECT_EQ(f.unreadable, 2);
  ASSERT_NE(f.Find(1), nullptr);
  EXPECT_EQ(f.Find(1)->barcode, "590001");  // the goods' own line, not the additional one
  EXPECT_EQ(f.Find(1)->name, "Chleb żytni");
  EXPECT_EQ(f.Find(9), nullptr);
}

TEST(ExportFileTest, TheResultFileGivesPluBarcodeAndStatus) {
  std::vector<ResultLine> r =
      ReadResultFile("PLU;1;0;590001;DOD\r\nPLU;2;0;21123?????;DOD\r\nrubbish\r\nPLU;4;0;;USU\r\n");
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[1].plu, 2);
  EXPECT_EQ(r[1].barcode, "21123?????");
  EXPECT_EQ(r[2].status, "USU");
  EXPECT_EQ(r[2].barcode, "");
}

TEST(GoodsProblemsTest, TellWithdrawnRefusedAndStoppingGoodsApart) {
  std::vector<GoodsProblem> p = ReadGoodsProblems({
      "WYSTĄPIŁY JAKIEŚ BŁĘDY, A JEST ICH 4",
      "PLU: 3; KOD: 590003 Brak stawki 7 % na kasie",
      "PLU: 6 (### Błąd nr 120. Powtorzony kod kreskowy)",
      "PLU: 8; KOD: 590008 Towar spowodował zatrzymanie transmisji",
      "PLU: 4001; KOD: 590042 Towar ma za duży kod PLU (maksymalnie 4000)",
      "PLU: nic",
  });
  ASSERT_EQ(p.size(), 4u);
  EXPECT_EQ(p[0].kind, GoodsProblem::kWithdrawn);
  EXPECT_EQ(p[0].plu, 3);
  EXPECT_EQ(p[1].kind, GoodsProblem::kRefused);
  EXPECT_EQ(p[1].plu, 6);
  EXPECT_EQ(p[2].kind, GoodsProblem::kStopped);
  // A withdrawal whose reason ends in a bracket is no refusal: the number is not followed by one.
  EXPECT_EQ(p[3].kind, GoodsProblem::kWithdrawn);
  EXPECT_EQ(p[3].line, "PLU: 4001; KOD: 590042 Towar ma za duży kod PLU (maksymalnie 4000)");
}

TEST(GoodsProblemsTest, OnlyAListWithGoodsLinesShowsTheLog) {
  EXPECT_FALSE(ShowsGoodsLog({Line(0, "Wczytywanie listy towarów\x01OK"), Line(2, "Błąd [7]")}));
  EXPECT_TRUE(ShowsGoodsLog({Line(2, "PLU: 3; KOD: 590003 Brak stawki 7 % na kasie")}));
}

class ExportSummaryTest : public ::testing::Test {
 protected:
  ExportSummaryTest() {
    facts_.exportPath = "ex/kasa.exp";
    facts_.file = ReadExportFile(
        Goods(1, 0, "590001", "Chleb", "DOD") + Goods(1, 1, "590991", "Chleb", "DOD") +
        Goods(2, 0, "590002", "Masło", "DOD") + Goods(3, 0, "590003", "Mleko", "AKT") +
        Goods(4, 0, "590004", "Kawa", "CEN") + Goods(5, 0, "590005", "Sól", "USU") +
        Goods(6, 0, "590006", "Cukier", "USU"));
  }
  ExportFacts facts_;
};

TEST_F(ExportSummaryTest, ASuccessfulExportCountsEachBatchAndTheResult) {
  facts_.outcome.lines = {Line(0, "Kasowanie wszystkich towarów na kasie...\x01OK")};
  facts_.problems = ReadGoodsProblems({"PLU: 3; KOD: 590003 Brak stawki 7 % na kasie"});
  facts_.resultPath = "out/wynik-1.exp";
  facts_.result = ReadResultFile(
      "PLU;1;0;590001;DOD\r\nPLU;1;1;590991;DOD\r\nPLU;2;0;590002;DOD\r\n"
      "PLU;4;0;590004;CEN\r\nPLU;5;0;590005;USU\r\nPLU;6;0;590006;USU\r\n");
  std::vector<std::string> s = ExportSummary(facts_);
  // A goods' additional line is no goods of its own, in the file or in the result.
  EXPECT_TRUE(Has(s,
                  "  export file        ex/kasa.exp: 6 goods lines, 1 additional line "
                  "(never sent)"))
      << Dump(s);
  EXPECT_TRUE(Has(s, "  before the goods   all goods on the register deleted (RodzajTransmisji 3)"))
      << Dump(s);
  EXPECT_TRUE(Has(s, "  price changes      1 in the file, 1 sent - done")) << Dump(s);
  EXPECT_TRUE(Has(s, "  deletions          2 in the file, 2 sent - done")) << Dump(s);
  EXPECT_TRUE(Has(s, "  additions/updates  3 in the file, 1 withdrawn, 2 sent - done")) << Dump(s);
  EXPECT_TRUE(Has(s, "  withdrawn by the driver, not sent (1):")) << Dump(s);
  EXPECT_TRUE(Has(s, "    PLU: 3; KOD: 590003 Brak stawki 7 % na kasie")) << Dump(s);
  EXPECT_TRUE(Has(s,
                  "  result             out/wynik-1.exp: 5 goods accepted (2 added or "
                  "updated, 1 price change, 2 deleted)"))
      << Dump(s);
}

TEST_F(ExportSummaryTest, AFailedAdditionBatchNamesRefusedAndStoppingGoodsAndTheError) {
  facts_.outcome.lines = {
      Line(0, "- transmisja zmiany cen ...\x01OK"),
      Line(0, "- transmisja usuwania ...\x01OK"),
      Line(2, "- transmisja aktualizacji / dodawania ..."),
      Line(2, "WYSTĄPIŁY JAKIEŚ BŁĘDY, A JEST ICH 2"),
      Line(2, "PLU: 2 (### Błąd nr 120. Powtorzony kod kreskowy)"),
      Line(2, "PLU: 3; KOD: 590003 Towar spowodował zatrzymanie transmisji"),
      Line(2, "Podczas wykonywania operacji 'eksport' wystąpił błąd:"),
      Line(2, "Błąd [20]: Timeout nadawania"),
  };
  facts_.problems = ReadGoodsProblems({"PLU: 2 (### Błąd nr 120. Powtorzony kod kreskowy)",
                                       "PLU: 3; KOD: 590003 Towar spowodował zatrzymanie "
                                       "transmisji"});
  std::vector<std::string> s = ExportSummary(facts_);
  EXPECT_TRUE(Has(s, "  price changes      1 in the file, 1 sent - done")) << Dump(s);
  EXPECT_TRUE(Has(s,
                  "  additions/updates  3 in the file, 3 sent, 1 refused, stopped at PLU 3 "
                  "- FAILED"))
      << Dump(s);
  EXPECT_TRUE(Has(s, "  refused by the register (1):")) << Dump(s);
  EXPECT_TRUE(Has(s, "    PLU: 2 (### Błąd nr 120. Powtorzony kod kreskowy)")) << Dump(s);
  EXPECT_TRUE(Has(s, "  the transmission broke off at (1):")) << Dump(s);
  EXPECT_TRUE(Has(s,
                  "  result             none: the export ended with an error: Błąd [20]: Timeout "
                  "nadawania"))
      << Dump(s);
}

TEST_F(ExportSummaryTest, BatchesAfterAnEarlierFailureAreNotCalledSent) {
  facts_.outcome.lines = {Line(0, "Transmisja asortymentów"),
                          Line(2, "Podczas wykonywania operacji 'eksport' wystąpił błąd:"),
                          Line(2, "Błąd [7]: Brak odpowiedzi")};
  std::vector<std::string> s = ExportSummary(facts_);
  EXPECT_TRUE(Has(s,
                  "  deletions          2 in the file, 2 to send - not sent, the export "
                  "ended before it"))
      << Dump(s);
  EXPECT_TRUE(Has(s,
                  "  result             none: the export ended with an error: Błąd [7]: "
                  "Brak odpowiedzi"))
      << Dump(s);
}

TEST_F(ExportSummaryTest, WithTranslatedDriverTextsAFailedExportGivesCountsOnly) {
  facts_.translated = true;
  facts_.outcome.lines = {Line(2, "While running 'export' an error occurred:"),
                          Line(2, "Error [7]: No answer")};
  std::vector<std::string> s = ExportSummary(facts_);
  EXPECT_TRUE(Has(s,
                  "  deletions          2 in the file, 2 to send - no result, see the lines "
                  "above"))
      << Dump(s);
  EXPECT_TRUE(Has(s,
                  "  result             none: the export ended with an error: Error [7]: No "
                  "answer"))
      << Dump(s);
}

TEST_F(ExportSummaryTest, AFileWithoutGoodsSaysTheRegisterWasNotContacted) {
  facts_.file = ReadExportFile("VAT;23\r\nJM;1;0;szt.\r\n");
  std::vector<std::string> s = ExportSummary(facts_);
  EXPECT_TRUE(Has(s, "  additions/updates  none in the file")) << Dump(s);
  EXPECT_TRUE(Has(s,
                  "  result             none: the file holds no goods, so the register was "
                  "not contacted"))
      << Dump(s);
}

// What `ecrsim show goods` prints (UTF-8).
constexpr char kListing[] =
    "Goods (4):\n"
    "  PLU 1 \"Chleb \xC5\xBCytni\" VAT 3 group 1 precision 0 unit 0 barcode 590001 price 6,49 "
    "flags 001\n"
    "  PLU 2 \"Ser \"Gouda\"\" VAT 3 group 2 precision 3 unit 1 barcode 21123 price 29,90 "
    "flags 001\n"
    "  PLU 3 \"Butelka\" VAT 4 group 5 precision 0 unit 0 barcode - price 0,50 package flags 001\n"
    "  PLU 7 \"Piwo\" VAT 1 group 3 precision 0 unit 0 barcode 590007 price 3,79 with package 3 "
    "flags 010\n"
    "Sales counters:\n"
    "  PLU 1 sold 1.000 for 6,49\n";

TEST(RegisterGoodsTest, TheSimulatorsListingIsReadWithEveryField) {
  std::vector<RegisterGoods> g;
  ASSERT_TRUE(ReadRegisterGoods(kListing, g));
  ASSERT_EQ(g.size(), 4u);
  EXPECT_EQ(g[0].name, "Chleb żytni");  // Windows-1250 here
  EXPECT_EQ(g[0].price, 649);
  EXPECT_EQ(g[0].vat, 3);
  EXPECT_EQ(g[1].name, "Ser \"Gouda\"");
  EXPECT_EQ(g[1].precision, 3);
  EXPECT_EQ(g[1].unit, 1);
  EXPECT_EQ(g[2].barcode, "");
  EXPECT_TRUE(g[2].package);
  EXPECT_EQ(g[2].group, 5);
  EXPECT_EQ(g[3].packagePlu, 3);
  EXPECT_FALSE(g[3].package);
  EXPECT_EQ(g[3].flags, "010");
  // And back as the register shows prices.
  EXPECT_EQ(PriceText(g[2].price), "0,50");
  EXPECT_EQ(PriceText(g[1].price), "29,90");
}

TEST(RegisterGoodsTest, AListingThatCannotBeReadIsRefused) {
  std::vector<RegisterGoods> g;
  EXPECT_FALSE(ReadRegisterGoods("Units:\n  0 szt.\n", g));
  EXPECT_FALSE(ReadRegisterGoods("Goods (1):\n  PLU 1 \"Chleb\" VAT 3 group 1\n", g));
  EXPECT_TRUE(ReadRegisterGoods("Goods (0):\n", g));
  EXPECT_TRUE(g.empty());
}

TEST(RegisterGoodsTest, ARegisterHoldingExactlyTheResultShowsNoDifference) {
  std::vector<RegisterGoods> g;
  ASSERT_TRUE(ReadRegisterGoods(kListing, g));
  // The register keeps the beginning of a long name; a weighed goods loses its "?".
  ExportFile file = ReadExportFile(
      Goods(1, 0, "590001", "Chleb żytni razowy na zakwasie", "DOD") +
      Goods(2, 0, "21123?????", "Ser \"Gouda\"", "DOD") + Goods(3, 0, "", "Butelka", "AKT") +
      Goods(7, 0, "590007", "Piwo pszeniczne", "CEN") + Goods(9, 0, "590009", "Stary", "USU"));
  std::vector<ResultLine> result = ReadResultFile(
      "PLU;1;0;590001;DOD\r\nPLU;2;0;21123?????;DOD\r\nPLU;3;0;;AKT\r\nPLU;7;0;590007;CEN\r\n"
      "PLU;9;0;590009;USU\r\n");
  EXPECT_TRUE(CompareRegisterWithResult(g, result, file).empty())
      << Dump(CompareRegisterWithResult(g, result, file));
}

TEST(RegisterGoodsTest, EveryDifferenceIsNamed) {
  std::vector<RegisterGoods> g;
  ASSERT_TRUE(ReadRegisterGoods(kListing, g));
  ExportFile file = ReadExportFile(Goods(1, 0, "590001", "Chleb pszenny", "DOD") +
                                   Goods(3, 0, "590003", "Butelka", "DOD"));
  std::vector<ResultLine> result = ReadResultFile(
      "PLU;1;0;590001;DOD\r\nPLU;2;0;211239999;DOD\r\nPLU;3;0;590003;DOD\r\nPLU;7;0;590007;USU\r\n"
      "PLU;8;0;590008;DOD\r\n");
  std::vector<std::string> d = CompareRegisterWithResult(g, result, file);
  EXPECT_EQ(d, (std::vector<std::string>{
                   "PLU 1: name \"Chleb żytni\" on the register, \"Chleb pszenny\" in the export "
                   "file",
                   "PLU 2: barcode \"21123\" on the register, \"211239999\" in the result",
                   "PLU 3: barcode \"\" on the register, \"590003\" in the result",
                   "PLU 7: deleted in the result (USU), but the register holds it",
                   "PLU 8: in the result (DOD), but not on the register",
               }));
  EXPECT_EQ(CompareRegisterWithResult(g, {}, file).back(),
            "PLU 7 \"Piwo\" (3,79): on the register, but not in the result");
}

}  // namespace
}  // namespace tvkhost
