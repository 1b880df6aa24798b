// The texts of ELZAB's error codes.
#include <gtest/gtest.h>

#include "hostlib/TMLgExtTools.h"
#include "testutil/DriverFixture.h"

using testutil::DriverFixture;

class Errors : public DriverFixture {
 protected:
  void SetUp() override {
    Register();
    action = Action();
  }
  std::unique_ptr<TrelvaxAction> action;
};

TEST_F(Errors, KnownCodesGiveThePrefixTheCodeAndTheText) {
  EXPECT_EQ(action->Runner().GetErrMsg(20), "### Błąd nr 20. Timeout nadawania");
  EXPECT_EQ(action->Runner().GetErrMsg(104),
            "### Błąd nr 104. Brak miejsca na opakowanie (max. 64 opakowań)");
  EXPECT_EQ(action->Runner().GetErrMsg(1), "### Błąd nr 1. Brak nazwy pliku wejściowego");
  EXPECT_EQ(action->Runner().GetErrMsg(26), "### Błąd nr 26. Nie włączona opcja \"serwis z PC\"");
  EXPECT_EQ(action->Runner().GetErrMsg(239), "### Błąd nr 239. Wymagany protokół ElzabSTX");
  EXPECT_EQ(action->Runner().GetErrMsg(44),
            "### Błąd nr 44. Nie można odblokowa\x86 transmisji w Windows");
}

TEST_F(Errors, UnlistedCodesGiveTheFallback) {
  for (int code : {0, -5, 78, 100, 106, 119, 121, 123, 199, 214, 216, 218, 219, 233, 240, 1000}) {
    EXPECT_EQ(action->Runner().GetErrMsg(code),
              "### Błąd nr " + std::to_string(code) + ". < Nieznany komunikat >");
  }
}

namespace {
// A language link that answers every key with the key itself, to show which key was asked.
int EchoKey(void*, const char*, const char* key, const char*, char* buffer, int size) {
  std::snprintf(buffer, static_cast<size_t>(size), "%s", key);
  return 1;
}
}  // namespace

TEST_F(Errors, EachRowHasItsNumberedKey) {
  TMLgExtTools echo(nullptr, &EchoKey);
  TMLgExtTools* saved = ksLgLink;
  ksLgLink = &echo;
  EXPECT_EQ(action->Runner().GetErrMsg(1), "KSElzabSGetErrMsdecs 1. KSElzabSGetErrMsstr");
  EXPECT_EQ(action->Runner().GetErrMsg(2), "KSElzabSGetErrMsdecs 2. KSElzabSGetErrMsstr_00001");
  EXPECT_EQ(action->Runner().GetErrMsg(77), "KSElzabSGetErrMsdecs 77. KSElzabSGetErrMsstr_00076");
  EXPECT_EQ(action->Runner().GetErrMsg(101), "KSElzabSGetErrMsdecs 101. KSElzabSGetErrMsstr_00077");
  EXPECT_EQ(action->Runner().GetErrMsg(239), "KSElzabSGetErrMsdecs 239. KSElzabSGetErrMsstr_00130");
  EXPECT_EQ(action->Runner().GetErrMsg(233), "KSElzabSGetErrMsdecs 233. KSElzabSGetErrMsstr_00131");
  ksLgLink = saved;
}
