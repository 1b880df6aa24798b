// A whole day through the programs alone, as the driver runs them: identify, read the VAT
// table, send groups, units and goods, ring up sales, then read counters and both forms of
// the receipt buffer and check that they tell the same story as the scenario.
#include <map>
#include <vector>

#include "SimFixture.h"

namespace simtest {
namespace {

std::vector<std::vector<std::string>> DataLines(const std::string& bytes) {
  std::vector<std::vector<std::string>> rows;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find("\r\n", start);
    std::string line = bytes.substr(start, end - start);
    start = end + 2;
    if (line.empty() || line[0] != '$') continue;
    std::vector<std::string> fields;
    size_t from = 1;
    for (;;) {
      size_t tab = line.find('\t', from);
      fields.push_back(line.substr(from, tab - from));
      if (tab == std::string::npos) break;
      from = tab + 1;
    }
    rows.push_back(fields);
  }
  return rows;
}

// "12,50" or "1250" into hundredths, as the two methods write amounts.
long long Hundredths(const std::string& text, bool zloty) {
  if (!zloty) return std::stoll(text);
  size_t comma = text.find(',');
  return std::stoll(text.substr(0, comma)) * 100 + std::stoll(text.substr(comma + 1));
}

struct Totals {
  long long sold = 0;      // kept receipt and invoice lines, returns negative
  long long returned = 0;  // returned packages
  std::map<int, long long> byForm;
  std::map<std::string, long long> byDate;
  long long deposits = 0, withdrawals = 0;
};

Totals Sum(const std::string& bytes, bool method5) {
  Totals t;
  for (const auto& f : DataLines(bytes)) {
    int type = std::stoi(f[0]);
    if (type == 1 || type == 18) {
      long long v = Hundredths(f[7], method5);
      if (f[4] == "1") {
        t.returned += v;
        v = -v;
      }
      t.sold += v;
      t.byDate[f[8]] += v;
    } else if (type == 4 || type == 23) {
      long long v = Hundredths(f[7], method5);
      t.byForm[std::stoi(f[3])] += f[5] == "1" ? -v : v;
    } else if (type == 5) {
      (f[5] == "0" ? t.withdrawals : t.deposits) += Hundredths(f[6], method5);
    }
  }
  return t;
}

class DayTest : public SimTest {};

TEST_F(DayTest, ProgramsAgreeWithTheScenario) {
  Create("Sigma", {"--plu", "4000"});
  ASSERT_EQ(0, RunWith("OTypUrz.exe", "otypurz", ""));
  ASSERT_EQ(kHeader + "$1\t1\tELZ00000001\tSigma\t4000\t4\t02.12\r\n", Read("otypurz.out"));
  ASSERT_EQ(0, RunWith("OPodatek.exe", "opodatek", ""));
  ASSERT_NE(std::string::npos, Read("opodatek.out").find("$23,00\t8,00\t"));

  std::string groups = "$1\tNapoje             \r\n$2\tPieczywo           \r\n";
  for (int g = 3; g <= 99; ++g) groups += "$" + std::to_string(g) + "\t                   \r\n";
  ASSERT_EQ(0, RunWith("ZGrupa.exe", "zgrupa", groups + "\r\n", false));
  ASSERT_EQ(0, RunWith("ZJednost.exe", "zjednost", "$0\tszt.\r\n$1\tkg  \r\n\r\n", false));
  ASSERT_EQ(0,
            RunWith("ZBPTowar.exe", "zbptowar",
                    GoodsRecord(10, "Woda", 1, 199) + GoodsRecord(11, "Piwo", 1, 349, "", 0, 12) +
                        GoodsRecord(12, "Butelka", 4, 50, "", 1) +
                        GoodsRecord(20, "Chleb", 3, 450, "", 0, 0, 0, 0, 2) +
                        GoodsRecord(21, "Szynka", 2, 4990, "", 0, 0, 3, 1, 2) + "\r\n"));

  ASSERT_EQ(0, Sell("date 2026-12-08\ntime 08:05\ncashier 2 Jan\n"
                    "receipt\n sell 10 3\n sell 11 2\n pay cash 20\nend\n"
                    "time 12:40\nreceipt\n sell 21 0,350 disc=5%\n return 12 4\n void 20 1\n"
                    " pay card 10\n pay cash 4,60\nend\n"
                    "deposit 200\n"
                    "date 2026-12-09\ntime 07:55\n"
                    "receipt\n sell 20 2\n pay voucher 9,00\nend\n"
                    "withdraw 120,5\n"));
  // Expected: 08.12 receipt 1 = 5,97 + 6,98 + tied 2 x 0,50 = 13,95 (change 6,05);
  // receipt 2 = 17,47 less 0,87 discount = 16,60, less 4 returned bottles 2,00 = 14,60
  // (the voided bread does not count);
  // 09.12 receipt 3 = 9,00.
  const long long sold = 1395 + 1660 - 200 + 900;

  std::string list = "$" + ex_.File("ospopmax_sprz.out") + "\t" + ex_.File("ospopmax_sort.out") +
                     "\t" + ex_.File("ospopmax_opak.out") + "\r\n";
  ASSERT_EQ(0, RunWith("OSpOpMax.exe", "ospopmax", list, false));
  long long counted = 0;
  for (const auto& f : DataLines(Read("ospopmax_sort.out"))) counted += std::stoll(f[2]);
  long long returned = 0;
  for (const auto& f : DataLines(Read("ospopmax_opak.out"))) {
    EXPECT_EQ("12", f[0]);
    EXPECT_EQ("4.000", f[1]);
    returned += std::stoll(f[2]);
  }
  EXPECT_EQ(sold, counted - returned);
  EXPECT_EQ(200, returned);
  EXPECT_NE(std::string::npos, Read("ospopmax_sort.out").find("$21\t0.350\t1660\r\n"));
  EXPECT_NE(std::string::npos, Read("ospopmax_sort.out").find("$12\t2.000\t100\r\n"));

  ASSERT_EQ(0, RunWith("OPSpRoz4.exe", "opsproz4", ""));
  ASSERT_EQ(0, RunWith("OPSpRoz5.exe", "opsproz5", ""));
  for (bool method5 : {false, true}) {
    SCOPED_TRACE(method5 ? "method 5" : "method 4");
    Totals t = Sum(Read(method5 ? "opsproz5.out" : "opsproz4.out"), method5);
    EXPECT_EQ(sold, t.sold);
    EXPECT_EQ(200, t.returned);
    EXPECT_EQ(2000 - 605 + 460, t.byForm[1]);
    EXPECT_EQ(1000, t.byForm[2]);
    EXPECT_EQ(900, t.byForm[3]);
    EXPECT_EQ(sold, t.byForm[1] + t.byForm[2] + t.byForm[3]);
    EXPECT_EQ(20000, t.deposits);
    EXPECT_EQ(12050, t.withdrawals);
    EXPECT_EQ(900, t.byDate[method5 ? "261209" : "26.12.09"]);
    EXPECT_EQ(sold - 900, t.byDate[method5 ? "261208" : "26.12.08"]);
  }

  ASSERT_EQ(0, RunWith("OIKasWla.exe", "oikaswla", ""));
  auto stats = DataLines(Read("oikaswla.out"));
  ASSERT_EQ(1u, stats.size());
  EXPECT_EQ("2", stats[0][0]);
  // Cash in the drawer as the driver computes it: columns 1 + 2 + 3 - 4.
  EXPECT_EQ(1855 + 20000 - 12050, std::stoll(stats[0][1]) + std::stoll(stats[0][2]) +
                                      std::stoll(stats[0][3]) - std::stoll(stats[0][4]));
  EXPECT_EQ("3", stats[0][18]);
  EXPECT_EQ("1", stats[0][19]);
  EXPECT_EQ("450", stats[0][26]);
}

}  // namespace
}  // namespace simtest
