#include "hostlib/TMacSetOfIntegers.h"

#include <algorithm>

bool TMacSetOfIntegers::Add(int value) {
  auto it = std::lower_bound(values_.begin(), values_.end(), value);
  if (it != values_.end() && *it == value) return false;
  values_.insert(it, value);
  return true;
}

bool TMacSetOfIntegers::Remove(int value) {
  auto it = std::lower_bound(values_.begin(), values_.end(), value);
  if (it == values_.end() || *it != value) return false;
  values_.erase(it);
  return true;
}

bool TMacSetOfIntegers::Contains(int value) const {
  return std::binary_search(values_.begin(), values_.end(), value);
}

int TMacSetOfIntegers::Get(int index) const {
  if (index < 0 || index >= Count()) return 0;
  return values_[static_cast<size_t>(index)];
}
