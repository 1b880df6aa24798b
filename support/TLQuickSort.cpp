#include "support/TLQuickSort.h"

int TLQuickSort::Sort(int lo, int hi) {
  if (hi <= lo) {  // nothing to order; never touch an element outside lo..hi
    if (hi == lo) SetNumDone(hi);
    return 0;
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
  if (lo < j) Sort(lo, j);
  if (i < hi) Sort(i, hi);
  SetNumDone(hi);
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
