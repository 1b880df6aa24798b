// A plain INI-style file a technician edits by hand: "[section]" headers, "key = value"
// lines, comments starting with ";" or "#". Reading keeps every line as it was, so that
// writing a value back changes that one line and leaves comments, order and spelling alone.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tvkhost {

class IniFile {
 public:
  // Takes the file's bytes. A UTF-8 byte-order mark is kept aside and written back.
  void Parse(const std::string& bytes);
  // The file's bytes, with the line ends the file had (LF for a file that had none).
  std::string ToBytes() const;

  // Section names in file order (without the unnamed part before the first header).
  std::vector<std::string> Sections() const;
  bool HasSection(const std::string& section) const;
  // The entries of a section in file order, values decoded; keys as spelled in the file.
  std::vector<std::pair<std::string, std::string>> Entries(const std::string& section) const;
  // The decoded value of `key` in `section`; keys and section names match without regard to
  // case and surrounding blanks. False when the file does not set it.
  bool Get(const std::string& section, const std::string& key, std::string& value) const;
  // Sets `key` in `section`: the existing line is rewritten in place, else a new line goes
  // after the section's last entry, else a new section is added at the end.
  void Set(const std::string& section, const std::string& key, const std::string& value);

  // A value as it is written after "key = ": unchanged when it reads back the same, otherwise
  // in double quotes with \\, \", \r, \n, \t and \xHH escapes (line breaks, control
  // characters, surrounding blanks, a leading quote).
  static std::string EncodeValue(const std::string& value);
  // The inverse: a value in double quotes is unescaped, anything else is taken as it stands.
  static std::string DecodeValue(const std::string& written);

 private:
  struct Line {
    std::string text;    // the line as in the file, without its line end
    int section = -1;    // index into sections_, -1 before the first header
    bool entry = false;  // a "key = value" line
    std::string key;     // trimmed key of an entry
    std::string value;   // trimmed, still encoded value of an entry
  };
  int FindSection(const std::string& section) const;
  static void ParseEntry(Line& line);

  std::vector<Line> lines_;
  std::vector<std::string> sections_;
  std::string newline_ = "\n";
  std::string bom_;
};

}  // namespace tvkhost
