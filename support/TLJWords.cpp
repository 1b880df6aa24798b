#include "support/TLJWords.h"

#include <functional>

int TLJWords::Init(const std::string& line) {
  // A line that is one of our own words is split from a copy: the words are overwritten.
  const std::less<const std::string*> before;
  if (!FWords.empty() && !before(&line, FWords.data()) &&
      before(&line, FWords.data() + FWords.size())) {
    const std::string copy = line;
    return Init(copy);
  }
  Feof = false;
  FSizes.clear();
  // Only the first character of the separator counts: splitting removes one character after
  // each word. With no separator at all the whole line is one word.
  if (FSeparator.empty()) {
    FWords.clear();
    if (!line.empty()) FWords.push_back(line);
    return GetCount();
  }
  // The words of the previous line are overwritten in place, so that a file read line by line
  // reuses their room instead of allocating every word of every line anew.
  size_t count = 0;
  auto put = [&](size_t from, size_t length) {
    if (count < FWords.size()) {
      FWords[count].assign(line, from, length);
    } else {
      FWords.emplace_back(line, from, length);
    }
    ++count;
  };
  const char sep = FSeparator[0];
  size_t start = 0;
  while (start < line.size()) {
    size_t pos = line.find(sep, start);
    if (pos == std::string::npos) {
      put(start, line.size() - start);
      break;
    }
    put(start, pos - start);
    start = pos + 1;
  }
  FWords.resize(count);
  return GetCount();
}

std::string TLJWords::operator[](int index) {
  if (index < 0) return {};
  if (index >= GetCount()) {
    Feof = true;
    return {};
  }
  return FWords[static_cast<size_t>(index)];
}

std::string TLJWords::Get(int index) {
  if (index < 0) return {};
  if (index >= GetCount() - 1) Feof = true;
  if (index >= GetCount()) return {};
  return FWords[static_cast<size_t>(index)];
}

void TLJWords::Put(int index, const std::string& word) {
  if (index < 0) return;
  if (index < GetCount()) {
    FWords[static_cast<size_t>(index)] = word;
  } else {
    FWords.push_back(word);
  }
}

int TLJWords::GetSize(int index) const {
  auto it = FSizes.find(index);
  return it != FSizes.end() ? it->second : -1;
}

void TLJWords::SetSize(int index, int width) {
  FSizes[index] = width;
}

TLJWords::operator std::string() const {
  std::string out;
  for (int i = 0; i < GetCount(); ++i) {
    const std::string& word = FWords[static_cast<size_t>(i)];
    int width = GetSize(i);
    if (width < 0) {
      out += word;
    } else if (static_cast<size_t>(width) < word.size()) {
      out += word.substr(0, static_cast<size_t>(width));
    } else {
      out.append(static_cast<size_t>(width) - word.size(), ' ');
      out += word;
    }
    if (i + 1 < GetCount()) out += FSeparator;
  }
  return out;
}
