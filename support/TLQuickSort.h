// Index-based quicksort and binary search: a container says how to compare and swap two of
// its elements by index and gets sorting, lookup and an insert position.
#pragma once

class TLQuickSort {
 public:
  virtual ~TLQuickSort() = default;

  // Sorts the elements lo..hi (inclusive). Always 0.
  int Sort(int lo, int hi);
  // Index of an element equal to the search key in lo..hi, or -1 (insert_place then holds
  // where the key would go). Sorts first unless Sorted.
  int Find(int lo, int hi);
  // Where the key belongs in lo..hi: its insert index, or -1 when it is already there.
  int FindInsertPlace(int lo, int hi);

  int insert_place = 0;
  bool Sorted = false;

 protected:
  // Progress hook, called after each sorted range with its upper index.
  virtual void SetNumDone(int) {}
  // Negative, zero or positive as element i is before, equal to or after element j.
  virtual int SortCompare(int, int) { return 0; }
  // Swaps elements i and j.
  virtual int ExChange(int, int) { return 0; }
  // Compares the search key with element i: negative when the key comes before it.
  virtual int FindCompare(int) { return 0; }

 private:
  int FindRange(int lo, int hi);
};
