// A line cut into numbered words at a one-character separator (";" in the host's export
// file, a tab in the ELZAB programs' outputs), and joined back with optional fixed widths.
#pragma once

#include <map>
#include <string>
#include <vector>

class TLJWords {
 public:
  TLJWords() = default;
  explicit TLJWords(const std::string& separator) : FSeparator(separator) {}

  const std::string& Separator() const { return FSeparator; }
  void SetSeparator(const std::string& separator) { FSeparator = separator; }

  // Splits `line` into words; returns their number. Widths set earlier are dropped.
  int Init(const std::string& line);
  const std::string& operator=(const std::string& line) {
    Init(line);
    return line;
  }

  int GetCount() const { return static_cast<int>(FWords.size()); }
  // The word at `index`; empty for a negative index, and empty with the end flag set for an
  // index past the last word.
  std::string operator[](int index);
  // As operator[], but asking for the last word sets the end flag too.
  std::string Get(int index);
  // Replaces the word at `index`; past the end appends one word; a negative index does nothing.
  void Put(int index, const std::string& word);
  // The output width of a word, -1 when none is set.
  int GetSize(int index) const;
  void SetSize(int index, int width);

  bool Eof() const { return Feof; }

  // The words joined with the separator, each fitted to its width when one is set.
  operator std::string() const;

 private:
  std::vector<std::string> FWords;
  std::map<int, int> FSizes;
  std::string FSeparator;
  bool Feof = false;
};
