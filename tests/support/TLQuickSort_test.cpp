#include "support/TLQuickSort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {
// A sorted view over integers, as the export and import buffers are over their rows.
class Ints : public TLQuickSort {
 public:
  std::vector<int> v;
  int key = 0;
  std::vector<int> done;
  int compares_outside = 0;

 protected:
  int SortCompare(int i, int j) override {
    Deepest();
    Check(i);
    Check(j);
    return v[static_cast<size_t>(i)] - v[static_cast<size_t>(j)];
  }
  int ExChange(int i, int j) override {
    std::swap(v[static_cast<size_t>(i)], v[static_cast<size_t>(j)]);
    return 0;
  }
  int FindCompare(int i) override {
    Deepest();
    Check(i);
    return key - v[static_cast<size_t>(i)];
  }
  void SetNumDone(int hi) override { done.push_back(hi); }

 public:
  // How far below `top` the stack went in a call from the sort (the stack grows down).
  const char* top = nullptr;
  long deepest = 0;

 private:
  void Deepest() {
    const char here = 0;
    if (top != nullptr) deepest = std::max(deepest, static_cast<long>(top - &here));
  }
  void Check(int i) {
    if (i < 0 || i >= static_cast<int>(v.size())) ++compares_outside;
  }
};
}  // namespace

TEST(TLQuickSort, SortsAndReportsEachRangeLastTheOutermost) {
  Ints s;
  s.v = {3, 1, 2};
  EXPECT_EQ(s.Sort(0, 2), 0);
  EXPECT_EQ(s.v, (std::vector<int>{1, 2, 3}));
  ASSERT_FALSE(s.done.empty());
  EXPECT_EQ(s.done.back(), 2);
}

TEST(TLQuickSort, SortsLargeInputsWithDuplicates) {
  Ints s;
  std::mt19937 rng(42);
  for (int i = 0; i < 5000; ++i) s.v.push_back(static_cast<int>(rng() % 300));
  std::vector<int> expected = s.v;
  std::sort(expected.begin(), expected.end());
  s.Sort(0, static_cast<int>(s.v.size()) - 1);
  EXPECT_EQ(s.v, expected);
  EXPECT_EQ(s.compares_outside, 0);
}

// Keys that rise and then fall split off one element at a time: the sort must not nest a
// call per element (a thread's stack would run out long before a large goods file ends),
// and gives the same order it always did.
TEST(TLQuickSort, KeysThatRiseAndFallNeverNestDeep) {
  Ints s;
  const int n = 8000;
  for (int i = 0; i < n; ++i) s.v.push_back(i < n / 2 ? i : n - i);
  std::vector<int> expected = s.v;
  std::sort(expected.begin(), expected.end());
  const char top = 0;
  s.top = &top;
  s.Sort(0, n - 1);
  EXPECT_EQ(s.v, expected);
  // A few frames per halving at most; one per element would be hundreds of kilobytes.
  EXPECT_LT(s.deepest, 64 * 1024);
  EXPECT_EQ(s.done.back(), n - 1);
}

TEST(TLQuickSort, FindInsertPlaceOverFiveKeys) {
  Ints s;
  s.v = {10, 20, 30, 40, 50};
  s.Sorted = true;
  s.key = 5;
  EXPECT_EQ(s.FindInsertPlace(0, 4), 0);
  s.key = 60;
  EXPECT_EQ(s.FindInsertPlace(0, 4), 5);
  s.key = 25;
  EXPECT_EQ(s.FindInsertPlace(0, 4), 2);
  s.key = 30;
  EXPECT_EQ(s.FindInsertPlace(0, 4), -1);
}

TEST(TLQuickSort, FindSortsFirstAndLeavesTheInsertPlaceOnAMiss) {
  Ints s;
  s.v = {50, 10, 40, 20, 30};
  s.key = 40;
  int at = s.Find(0, 4);
  ASSERT_GE(at, 0);
  EXPECT_EQ(s.v[static_cast<size_t>(at)], 40);
  EXPECT_TRUE(s.Sorted);
  s.key = 35;
  EXPECT_EQ(s.Find(0, 4), -1);
  EXPECT_EQ(s.insert_place, 3);
}

TEST(TLQuickSort, EmptyRangesTouchNoElement) {
  Ints s;
  EXPECT_EQ(s.Sort(0, -1), 0);
  EXPECT_EQ(s.Find(0, -1), -1);
  EXPECT_EQ(s.insert_place, 0);
  EXPECT_EQ(s.FindInsertPlace(0, -1), 0);
  EXPECT_EQ(s.compares_outside, 0);
}
