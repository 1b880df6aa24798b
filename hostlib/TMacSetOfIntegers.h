// The host library's integer set: distinct integers kept in ascending order.
#pragma once

#include <vector>

class TMacSetOfIntegers {
 public:
  // `capacity` is the number of elements room is made for at once.
  explicit TMacSetOfIntegers(int capacity = 16) { values_.reserve(capacity > 0 ? capacity : 0); }

  // Adds a value; false when it was already there.
  bool Add(int value);
  bool Remove(int value);
  bool Contains(int value) const;
  void Clear() { values_.clear(); }
  int Count() const { return static_cast<int>(values_.size()); }
  // The element at `index` in ascending order (0 first); 0 outside the set.
  int Get(int index) const;

 private:
  std::vector<int> values_;
};
