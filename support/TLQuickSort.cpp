#include "support/TLQuickSort.h"

#include <vector>

int TLQuickSort::Sort(int lo, int hi) {
  // Each range is split as before, but only the smaller part is sorted by a nested call;
  // the larger one is sorted by this loop. So the nesting is at most log2 of the range deep,
  // whatever the keys (keys that rise and then fall made it half the range deep), and the
  // order given is the same, since the two parts never touch each other's elements. Each
  // range still reports its upper end after its parts, the outermost last.
  std::vector<int> reports;
  for (;;) {
    if (hi <= lo) {  // nothing to order; never touch an element outside lo..hi
      if (hi == lo) SetNumDone(hi);
      break;
    }
    int i = lo;
    int j = hi;
    int p = lo + (hi - lo) / 2;
    while (i <= j) {
      while (SortCompare(i, p) < 0) ++i;
      while (SortCompare(p, j) < 0) --j;
      if (i <= j) {
        // The pivot is followed by its index, so it moves with the swap.
        if (p == i) {
          p = j;
        } else if (p == j) {
          p = i;
        }
        ExChange(i, j);
        ++i;
        --j;
      }
    }
    reports.push_back(hi);
    const bool leftSmaller = j - lo < hi - i;
    if (leftSmaller) {
      if (lo < j) Sort(lo, j);
      if (i >= hi) break;
      lo = i;
    } else {
      if (i < hi) Sort(i, hi);
      if (lo >= j) break;
      hi = j;
    }
  }
  for (auto it = reports.rbegin(); it != reports.rend(); ++it) SetNumDone(*it);
  return 0;
}

int TLQuickSort::Find(int lo, int hi) {
  if (!Sorted) {
    Sort(lo, hi);
    Sorted = true;
  }
  return FindRange(lo, hi);
}

int TLQuickSort::FindRange(int lo, int hi) {
  while (lo <= hi) {
    int m = lo + (hi - lo) / 2;
    int r = FindCompare(m);
    if (r == 0) return m;
    if (r < 0) {
      hi = m - 1;
    } else {
      lo = m + 1;
    }
  }
  insert_place = hi + 1;
  return -1;
}

int TLQuickSort::FindInsertPlace(int lo, int hi) {
  if (!Sorted) {
    Sort(lo, hi);
    Sorted = true;
  }
  if (hi < lo) return 0;
  if (FindCompare(lo) < 0) return 0;
  if (FindCompare(hi) > 0) return hi + 1;
  insert_place = -1;
  Find(lo, hi);
  return insert_place;
}
