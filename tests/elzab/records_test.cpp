// The driver's records in the exchange directory read back exactly as written, and a text the
// driver never writes is refused, never guessed at: a record decides what the host is given
// again. Then the decision taken from what the host has of the register, as a table.
#include <gtest/gtest.h>

#include "elzab/elxhanded.h"
#include "elzab/elxrecords.h"
#include "elzab/elxstored.h"
#include "hostlib/Exceptions.h"
#include "testutil/TempDir.h"

namespace {

constexpr double kDec8 = 46364;  // 2026-12-08
constexpr double kDec9 = 46365;

TEST(Records, ReadBackExactlyAsWritten) {
  StoredDaysRecord r;
  r.importDate = kDec8;
  r.settings = PassSettings{true, false, true};
  r.namesOutputs = true;
  r.outputs = {{"opsproz5.out", 123, -5, 0x0123456789abcdefull}, {"ospopmax_sort.out", 0, 7, 0}};
  r.days = {kDec9, kDec8};
  r.storing = kDec8 + 1 + 1;
  const std::string text = records::FormatStoredDays(r);
  EXPECT_EQ(text,
            "DataImportu=2026-12-08\r\nustawienia=1;0;1\r\n"
            "plik=opsproz5.out;123;-5;0123456789abcdef\r\nplik=ospopmax_sort.out;0;7;"
            "0000000000000000\r\nzapisano=2026-12-09\r\nzapisano=2026-12-08\r\n"
            "zapisywane=2026-12-10\r\n");
  StoredDaysRecord back;
  ASSERT_TRUE(records::ParseStoredDays(text, back));
  EXPECT_FALSE(back.storingValue);
  // What was being stored, for the person who looks for it in the host.
  r.storingValue = 1234.5;
  r.storingLater = true;
  EXPECT_EQ(records::StoringLine(r), "zapisywane=2026-12-10;1234.5;1");
  StoredDaysRecord withValue;
  ASSERT_TRUE(records::ParseStoredDays(records::FormatStoredDays(r), withValue));
  EXPECT_EQ(withValue.storingValue, 1234.5);
  EXPECT_TRUE(withValue.storingLater);
  for (const char* bad : {"zapisywane=2026-12-10;1234.5\r\n", "zapisywane=2026-12-10;x;1\r\n",
                          "zapisywane=2026-12-10;5;2\r\n", "zapisano=2026-12-10;5;1\r\n"}) {
    EXPECT_FALSE(
        records::ParseStoredDays("DataImportu=2026-12-08\r\n" + std::string(bad), withValue))
        << bad;
  }
  EXPECT_EQ(back.importDate, r.importDate);
  EXPECT_EQ(back.settings, r.settings);
  EXPECT_EQ(back.outputs, r.outputs);
  EXPECT_EQ(back.days, r.days);
  EXPECT_EQ(back.storing, r.storing);

  ReadNote n{"3 Sigma;3", kDec9, 4, 5};
  EXPECT_EQ(records::FormatReadNote(n),
            "kasa=3 Sigma;3\r\ndzien=2026-12-09\r\nmodel=4\r\ndowod=5\r\n");
  ReadNote nb;
  ASSERT_TRUE(records::ParseReadNote(records::FormatReadNote(n), nb));
  EXPECT_EQ(nb.identity, n.identity);
  EXPECT_EQ(nb.day, n.day);
  EXPECT_EQ(nb.model, 4);
  EXPECT_EQ(nb.proofFunction, 5);

  // Decimals in their shortest fixed form, never an exponent, and back to the same number.
  ReadSummary s;
  s.identity = "1 COM1";
  s.day = kDec8;
  s.sales = {{"12", {1e21, 5e-7}}, {"13", {-0.07, 300.00000000000006}}};
  s.hasSales = s.hasReturns = true;
  const std::string summary = records::FormatSummary(s);
  EXPECT_NE(summary.find("sprzedaz=12;1000000000000000000000;0.0000005\r\n"), std::string::npos)
      << summary;
  ReadSummary sb;
  ASSERT_TRUE(records::ParseSummary(summary, sb));
  EXPECT_EQ(sb.sales, s.sales);
  EXPECT_FALSE(sb.packaging);  // an older driver's record: which dates is not known

  // The host's packaging per sale date; a record that says it has none says so.
  s.packaging = {{kDec9, {150, 0}}, {kDec8, {0.5, 50}}};
  const std::string packed = records::FormatSummary(s);
  EXPECT_NE(packed.find("opakowania=2026-12-08;0.5;50\r\nopakowania=2026-12-09;150;0\r\n"),
            std::string::npos)
      << packed;
  ASSERT_TRUE(records::ParseSummary(packed, sb));
  EXPECT_EQ(sb.packaging, s.packaging);
  s.packaging.emplace();
  EXPECT_NE(records::FormatSummary(s).find("bez_opakowan\r\n"), std::string::npos);
  ASSERT_TRUE(records::ParseSummary(records::FormatSummary(s), sb));
  EXPECT_EQ(sb.packaging, s.packaging);
}

TEST(Records, WhatTheDriverNeverWritesIsRefused) {
  const std::string head = "DataImportu=2026-12-08\r\n";
  const struct {
    std::string text;
    bool read;
  } kStored[] = {
      {head + "zapisano=2026-12-08\r\n", true},  // an older driver's: no settings, no outputs
      {head + "ustawienia=0;1;0\r\n\r\nzapisano=2026-12-08",
       true},  // an editor's empty line, last end
      {"\xEF\xBB\xBF" + head + "zapisano=2026-12-08\r\n", true},  // saved as UTF-8 with its mark
      {head + "\xEF\xBB\xBFzapisano=2026-12-08\r\n", false},
      {"DataImportu=2026-12-08\nzapisano=2026-12-08\n", true},  // an editor's LF line ends
      {"\xFF\xFE" + head, false},                               // saved as UTF-16
      {head + "ustawienia=7;0;0\r\n", false},
      {head + "ustawienia=9999999999;-5;7\r\n", false},
      {head + "ustawienia=0;0\r\n", false},
      {head + "ustawienia=0;0;0\r\nustawienia=0;0;0\r\n", false},
      {head + head, false},
      {head + "zapisano=2026-12-8\r\n", false},
      {head + "zapisano=2026-13-01\r\n", false},
      {head + "zapisano= 2026-12-08\r\n", false},
      {head + "zapisano=2026-12-08\r\nzapisano=2026-12-08\r\n", false},
      {head + "zapisywane=2026-12-08\r\nzapisano=2026-12-08\r\n", false},
      {head + "zapisywane=2026-12-08\r\nzapisywane=2026-12-09\r\n", false},
      // A day the outputs cannot give: sales from the counters go to the import date only.
      {head + "ustawienia=0;1;1\r\nzapisano=2026-12-09\r\n", false},
      {head + "ustawienia=1;1;1\r\nplik=ospopmax_sort.out;1;1;0000000000000000\r\n"
              "zapisano=2026-12-09\r\n",
       false},
      {head + "ustawienia=1;1;1\r\nplik=opsproz4.out;1;1;0000000000000000\r\n"
              "zapisano=2026-12-09\r\n",
       true},
      {head + "plik=kasa.imp;1;1;0000000000000000\r\n", false},
      {head +
           "plik=opsproz4.out;1;1;0000000000000000\r\nplik=opsproz4.out;1;1;0000000000000000\r\n",
       false},
      {head + "plik=opsproz4.out;-1;1;0000000000000000\r\n", false},
      {head + "plik=opsproz4.out;01;1;0000000000000000\r\n", false},
      {head + "plik=opsproz4.out;1;1;000000000000000A\r\n", false},
      {head + "plik=opsproz4.out;1;1;00\r\n", false},
      {head + "zapisano\r\n", false},
      {head + "inne=1\r\n", false},
      {head + std::string("zapisano=2026-12-08\0\r\n", 22), false},
      {"zapisano=2026-12-08\r\n", false},
      {"", false},
  };
  for (const auto& c : kStored) {
    StoredDaysRecord r;
    EXPECT_EQ(records::ParseStoredDays(c.text, r), c.read) << c.text;
  }

  const std::string top = "kasa=1 COM1\r\ndzien=2026-12-08\r\n";
  const struct {
    std::string text;
    bool read;
  } kSummary[] = {
      {top + "sprzedaz=1;1500;350\r\nsprzedaz=2;-1.5;0\r\n", true},
      {top + "sprzedaz=1;nan;nan\r\n", false},
      {top + "sprzedaz=1;3000.000;0\r\n", false},
      {top + "sprzedaz=1;07;0\r\n", false},
      {top + "sprzedaz=1;inf;0\r\n", false},
      {top + "sprzedaz=1;1e5;0\r\n", false},
      {top + "sprzedaz=1;+5;0\r\n", false},
      {top + "sprzedaz=1;.5;0\r\n", false},
      {top + "sprzedaz=1;5.;0\r\n", false},
      {top + "sprzedaz=1;1;1\r\nsprzedaz=1;1;1\r\n", false},
      {top + "bez_sprzedazy\r\nsprzedaz=1;1;1\r\n", false},
      {top + "sprzedaz=1;1;1\r\nbez_sprzedazy\r\n", false},
      {top + "bez_zwrotow\r\nbez_zwrotow\r\n", false},
      {top + "dzien=2026-12-09\r\n", false},
      {top + "kasa=1 COM1\r\n", false},
      {top + "ustawienia=1;1;1\r\nustawienia=1;1;1\r\n", false},
      {top + "paragony=5;3;00000000000000ff\r\nparagony=5;3;00000000000000ff\r\n", false},
      {top + "opakowania=2026-12-08;150;50\r\nopakowania=2026-12-09;0;5\r\n", true},
      {top + "bez_opakowan\r\n", true},
      {top + "opakowania=2026-12-08;150;50\r\nopakowania=2026-12-08;150;50\r\n", false},
      {top + "bez_opakowan\r\nopakowania=2026-12-08;150;50\r\n", false},
      {top + "opakowania=2026-12-08;150;50\r\nbez_opakowan\r\n", false},
      {top + "bez_opakowan\r\nbez_opakowan\r\n", false},
      {top + "opakowania=2026-12-08;-150;50\r\n", false},
      {top + "opakowania=2026-12-08;150\r\n", false},
      {top + "opakowania=2026-12-32;150;50\r\n", false},
      {top + "opakowania=2026-12-08;150;50;1\r\n", false},
      {"kasa=kasa=1 COM1\r\ndzien=2026-12-08\r\n", false},
      {"kasa=1\r\ndzien=2026-12-08\r\n", false},
  };
  for (const auto& c : kSummary) {
    ReadSummary s;
    EXPECT_EQ(records::ParseSummary(c.text, s), c.read) << c.text;
  }

  const struct {
    std::string text;
    bool read;
  } kNote[] = {
      {"kasa=1 COM1\r\n", true},  // an older driver's: no day, no model
      {"kasa=1 COM1\r\ndzien=2026-12-08\r\nmodel=5\r\n", true},
      {"kasa=1 COM1\r\nmodel=6\r\n", false},
      {"kasa=1 Sigma;1\r\ndowod=6\r\n", true},
      {"kasa=1 Sigma;1\r\ndowod=4\r\n", false},
      {"kasa=1 Sigma;1\r\ndowod=6\r\ndowod=6\r\n", false},
      {"kasa=1 COM1\r\nmodel=-1\r\n", false},
      {"kasa=1 COM1\r\nkasa=2 COM1\r\n", false},
      {"kasa=1 COM1\r\ndzien=wczoraj\r\n", false},
      {"dzien=2026-12-08\r\n", false},
      {"kasa=x COM1\r\n", false},
      {std::string("kasa=1 CO\0M1\r\n", 14), false},
  };
  for (const auto& c : kNote) {
    ReadNote n;
    EXPECT_EQ(records::ParseReadNote(c.text, n), c.read) << c.text;
  }
}

// A record names the device and the register, never the port: an older driver's port form and
// the "not known" form of its unnamed outputs are one register with any of that device's.
TEST(Records, IdentitiesNameTheRegisterNotItsConnection) {
  const std::string sigma = records::RegisterIdentity(3, "Sigma", "3");
  EXPECT_EQ(sigma, "3 Sigma;3");
  const struct {
    std::string recorded, current;
    bool device, same;
  } kCases[] = {
      {sigma, sigma, true, true},
      {sigma, "3 K10;3", true, false},
      {sigma, "4 Sigma;3", false, false},
      {"3 COM1", sigma, true, true},
      {"3 LAN 10.0.0.5:1001", sigma, true, true},
      {"3 ;", sigma, true, true},
      {"4 COM1", sigma, false, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.recorded + " / " + c.current);
    EXPECT_EQ(records::SameDevice(c.recorded, c.current), c.device);
    EXPECT_EQ(records::SameRegister(c.recorded, c.current), c.same);
  }
  EXPECT_EQ(records::IdentityShown(sigma), "Sigma nr 3 (urządzenie 3)");
  EXPECT_EQ(records::IdentityShown("3 COM1"), "urządzenie 3, port COM1");
  EXPECT_EQ(records::IdentityShown("3 ;"), "urządzenie 3");
}

TEST(Records, TextShownFromARecordIsCutAndShowsWhatIsNotPrintable) {
  EXPECT_EQ(records::Shown("1 COM1"), "1 COM1");
  EXPECT_EQ(records::Shown(std::string("a\0b\x7f\tc", 6)), "a\\x00b\\x7F\\x09c");
  EXPECT_EQ(records::Shown(std::string(3000000, 'x')), std::string(80, 'x') + "...");
}

// ----- Whether the register still holds what the host has -----------------------------------

ReadSummary Read(double day, int64_t receiptLines, uint64_t hash, double counter) {
  ReadSummary s;
  s.identity = "1 COM1";
  s.day = day;
  s.receiptsFunction = receiptLines > 0 ? 5 : 0;
  s.receiptLines = receiptLines;
  s.receiptHash = hash;
  s.hasSales = s.hasReturns = true;
  if (counter != 0) s.sales["12"] = {counter * 1000, counter * 100};
  return s;
}

// A read whose counters outputs could not be read (damaged).
ReadSummary Unread(ReadSummary s) {
  s.hasSales = s.hasReturns = false;
  return s;
}

ReadSummary FromReceipts(ReadSummary s) {
  s.settings = PassSettings{true, true, false};
  return s;
}

TEST(JudgeRead, TheReceiptBufferProvesTheCountersGuessAndTheDaysDecideTheRest) {
  const struct {
    const char* what;
    ReadSummary base, now;
    int64_t prefixLines;
    uint64_t prefixHash;
    bool closed, guessed;
    int64_t skip;
    bool delta;
  } kCases[] = {
      {"the host has nothing", Read(kDec8, 0, 0, 0), Read(kDec9, 9, 1, 3), 0, 0, false, false, 0,
       false},
      {"the buffer begins with the host's lines", Read(kDec8, 4, 77, 2), Read(kDec9, 9, 1, 3), 4,
       77, false, false, 4, true},
      {"the buffer begins otherwise", Read(kDec8, 4, 77, 2), Read(kDec8, 9, 1, 3), 4, 78, true,
       false, 0, false},
      {"the buffer is shorter", Read(kDec8, 4, 77, 2), Read(kDec8, 3, 77, 3), 3, 77, true, false, 0,
       false},
      {"a counter fell", Read(kDec8, 0, 0, 5), Read(kDec8, 0, 0, 3), 0, 0, true, false, 0, false},
      {"counters that grew, one day", Read(kDec8, 0, 0, 2), Read(kDec8, 0, 0, 3), 0, 0, false, true,
       0, true},
      {"counters that grew, two days", Read(kDec8, 0, 0, 2), Read(kDec9, 0, 0, 3), 0, 0, true, true,
       0, false},
      // Sales from the receipts: the counters were never the host's, only a proof.
      {"the host was given no receipt line", FromReceipts(Read(kDec8, 0, 0, 2)),
       Read(kDec8, 0, 0, 3), 0, 0, false, false, 0, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const ReadJudgement j = JudgeRead(c.base, c.now, c.prefixLines, c.prefixHash);
    EXPECT_EQ(j.closed, c.closed);
    EXPECT_EQ(j.guessed, c.guessed);
    EXPECT_EQ(j.receiptsSkip, c.skip);
    EXPECT_EQ(j.countersDelta, c.delta);
  }
}

// Nothing new stores nothing; a buffer that still holds the host's lines while a counter the
// host's goods came from fell stops the import. A buffer cleared while every counter grew is
// a busy day after the report, not a contradiction.
TEST(JudgeRead, NothingNewAndContradictions) {
  const struct {
    const char* what;
    ReadSummary base, now;
    int64_t prefixLines;
    uint64_t prefixHash;
    bool closed, nothingNew, contradicted;
  } kCases[] = {
      {"the same buffer and counters", Read(kDec8, 4, 77, 2), Read(kDec8, 4, 77, 2), 4, 77, false,
       true, false},
      {"the same buffer, a counter grew", Read(kDec8, 4, 77, 2), Read(kDec8, 4, 77, 3), 4, 77,
       false, false, false},
      {"a K10's counters all equal, the same day", Read(kDec8, 0, 0, 2), Read(kDec8, 0, 0, 2), 0, 0,
       false, true, false},
      // A car wash that sold just the same the next day: a day of its own, not nothing new.
      {"a K10's counters all equal, a day later", Read(kDec8, 0, 0, 2), Read(kDec9, 0, 0, 2), 0, 0,
       true, false, false},
      {"the host has nothing and the register nothing", Read(kDec8, 0, 0, 0), Read(kDec9, 0, 0, 0),
       0, 0, false, true, false},
      {"the buffer holds the host's lines, a counter fell", Read(kDec8, 4, 77, 2),
       Read(kDec8, 9, 1, 1), 4, 77, false, false, true},
      {"the same, sales from the receipts", FromReceipts(Read(kDec8, 4, 77, 2)),
       Read(kDec8, 9, 1, 1), 4, 77, false, false, false},
      {"the buffer cleared, every counter grew", Read(kDec8, 4, 77, 2), Read(kDec8, 9, 1, 5), 4, 78,
       true, false, false},
      {"a K10's counters that could not be read", Read(kDec8, 0, 0, 2),
       Unread(Read(kDec8, 0, 0, 0)), 0, 0, false, false, false},
      // A damaged output after a day the host was given nothing of: not a register with
      // nothing, which would let the day's report clear the day unread.
      {"unreadable counters after a day of nothing", Read(kDec8, 0, 0, 0),
       Unread(Read(kDec9, 0, 0, 0)), 0, 0, false, false, false},
      {"the same, sales from the receipts", FromReceipts(Read(kDec8, 0, 0, 0)),
       Unread(Read(kDec9, 0, 0, 0)), 0, 0, false, true, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const ReadJudgement j = JudgeRead(c.base, c.now, c.prefixLines, c.prefixHash);
    EXPECT_EQ(j.closed, c.closed);
    EXPECT_EQ(j.nothingNew, c.nothingNew);
    EXPECT_EQ(j.contradicted, c.contradicted);
  }
}

TEST(JudgeRead, TheHostHasTheNewReadAndWhatItLacksOfTheBaseUnlessClosed) {
  ReadSummary base = Read(kDec8, 4, 77, 2);
  ReadSummary now = Read(kDec8, 0, 0, 3);
  now.hasReturns = false;
  ReadJudgement open;
  open.closed = false;
  const ReadSummary after = HandedAfter(now, &base, open);
  EXPECT_EQ(after.receiptsFunction, 5);
  EXPECT_EQ(after.receiptLines, 4);
  EXPECT_EQ(after.receiptHash, 77u);
  EXPECT_EQ(after.sales, now.sales);
  EXPECT_TRUE(after.hasReturns);
  const ReadSummary closed = HandedAfter(now, &base, ReadJudgement());
  EXPECT_EQ(closed.receiptLines, 0);
  EXPECT_FALSE(closed.hasReturns);
  EXPECT_EQ(HandedAfter(now, nullptr, open).receiptLines, 0);
}

// Each file overwrites its sale date's packaging totals in the host; dates a file can no longer
// be of, and totals of nothing, are forgotten.
TEST(BookedPackaging, AFileOverwritesItsDateAndOldDatesGo) {
  using P = ReadSummary::Packaging;
  using Map = std::map<double, P>;
  const struct {
    std::optional<Map> before;
    Map booked;
    Map host;
  } kCases[] = {
      {std::nullopt, {}, {}},
      {std::nullopt, {{kDec8, {150, 50}}}, {{kDec8, {150, 50}}}},
      {Map{{kDec8, {150, 50}}}, {{kDec8, {250, 50}}}, {{kDec8, {250, 50}}}},
      {Map{{kDec8, {150, 50}}}, {{kDec9, {50, 0}}}, {{kDec8, {150, 50}}, {kDec9, {50, 0}}}},
      {Map{{kDec8, {150, 50}}}, {}, {{kDec8, {150, 50}}}},
      {Map{{kDec8, {150, 50}}}, {{kDec8, {0, 0}}}, {}},
      {Map{{kDec8 - 62, {1, 0}}, {kDec8 - 63, {2, 0}}},
       {{kDec8, {3, 0}}},
       {{kDec8 - 62, {1, 0}}, {kDec8, {3, 0}}}},
  };
  for (const auto& c : kCases) EXPECT_EQ(BookedPackaging(c.before, c.booked), c.host);
}

// ----- The keeper of the stored days -----------------------------------------------------------

// The record holds for the very outputs it names: the days it holds, read with the date and
// settings of then; a day whose hand-over was cut off stops the import; an output written anew
// since drops the record, naming the file.
TEST(StoredDays, HoldsForTheOutputsItNamesOnly) {
  testutil::TempDir dir("stored");
  const std::string record = dir.File("zapisane.txt");
  testutil::WriteFile(dir.File("opsproz4.out"), "#1\r\n$1\ta\r\n");
  const PassSettings now{false, true, false};
  const PassSettings then{true, true, true};

  StoredDays first(dir.Path());
  StoredDays::Settled s = first.Settle(kDec9, now);
  EXPECT_EQ(s.importDate, kDec9);
  EXPECT_EQ(s.settings, now);
  EXPECT_TRUE(s.days.empty());
  EXPECT_FALSE(testutil::Exists(record));

  StoredDays earlier(dir.Path());
  earlier.Settle(kDec8, then);
  earlier.Mark(kDec8, 61.75, true);
  EXPECT_NE(testutil::ReadFile(record).find("zapisywane=2026-12-08;61.75;1\r\n"),
            std::string::npos);
  EXPECT_THROW(StoredDays(dir.Path()).Settle(kDec9, now), Exception);
  earlier.Unmark();
  EXPECT_FALSE(testutil::Exists(record));
  earlier.Mark(kDec8, 0, false);
  earlier.Add(kDec8);
  EXPECT_TRUE(earlier.Has(kDec8));

  StoredDays next(dir.Path());
  s = next.Settle(kDec9, now);
  EXPECT_EQ(s.importDate, kDec8);
  EXPECT_EQ(s.settings, then);
  EXPECT_EQ(s.days, std::vector<double>{kDec8});
  EXPECT_TRUE(s.whole);
  EXPECT_TRUE(next.Has(kDec8));

  testutil::WriteFile(dir.File("opsproz4.out"), "#1\r\n$1\tb\r\n");
  s = StoredDays(dir.Path()).Settle(kDec9, now);
  EXPECT_EQ(s.changed, "opsproz4.out");
  EXPECT_EQ(s.importDate, kDec9);
  EXPECT_TRUE(s.days.empty());
  EXPECT_FALSE(testutil::Exists(record));
}

}  // namespace
