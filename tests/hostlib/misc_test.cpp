// The language link, the exception family and the integer set.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "hostlib/Exceptions.h"
#include "hostlib/TMLgExtTools.h"
#include "hostlib/TMacSetOfIntegers.h"

namespace {
int Lookup(void* context, const char* module, const char* key, const char*, char* buffer,
           int size) {
  std::string* seen = static_cast<std::string*>(context);
  *seen = std::string(module) + "/" + key;
  if (std::strcmp(key, "known") != 0) return 0;
  std::string text = "Translated";
  std::strncpy(buffer, text.c_str(), static_cast<size_t>(size) - 1);
  return 1;
}

int LongLookup(void*, const char*, const char*, const char*, char* buffer, int size) {
  std::memset(buffer, 'x', static_cast<size_t>(size));  // no NUL at all
  return 1;
}
}  // namespace

TEST(TMLgExtTools, AnswersTheTranslationOrTheDefault) {
  std::string seen;
  TMLgExtTools link(&seen, &Lookup);
  EXPECT_EQ(link.GetString("kstools_KSLib", "known", "Polski"), "Translated");
  EXPECT_EQ(seen, "kstools_KSLib/known");
  EXPECT_EQ(link.GetString("kstools_KSLib", "other", "Polski tekst"), "Polski tekst");
  EXPECT_EQ(TMLgExtTools::Get(nullptr, "m", "known", "Domyślny"), "Domyślny");
  TMLgExtTools none(nullptr, nullptr);
  EXPECT_EQ(none.GetString("m", "k", "d"), "d");
}

TEST(TMLgExtTools, AnUnterminatedAnswerIsCutInsideTheBuffer) {
  TMLgExtTools link(nullptr, &LongLookup);
  EXPECT_EQ(link.GetString("m", "k", "d").size(), 4095u);
}

TEST(Exceptions, TopicsAndTheFamily) {
  EMException e(7, "Tytuł", "Opis błędu");
  e.AddTopic(8, "Drugi", "Więcej");
  ASSERT_EQ(e.Topics().size(), 2u);
  EXPECT_EQ(e.Topics()[1].code, 8);
  EXPECT_EQ(e.Message(), "Opis błędu");
  try {
    throw EAbort();
  } catch (const Exception& base) {
    EXPECT_NE(dynamic_cast<const EAbort*>(&base), nullptr);
  }
}

TEST(TMacSetOfIntegers, KeepsDistinctValuesInAscendingOrder) {
  TMacSetOfIntegers set(100);
  for (int v : {23, 0, 8, 5, 8}) set.Add(v);
  ASSERT_EQ(set.Count(), 4);
  EXPECT_EQ(set.Get(0), 0);
  EXPECT_EQ(set.Get(3), 23);
  EXPECT_EQ(set.Get(4), 0);
  EXPECT_TRUE(set.Contains(5));
  EXPECT_TRUE(set.Remove(5));
  EXPECT_FALSE(set.Contains(5));
  set.Clear();
  EXPECT_EQ(set.Count(), 0);
}
