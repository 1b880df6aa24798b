// Running ELZAB's programs for one operation: their working files' names and inputs, the run
// itself with its report, and the reading of what they leave behind, refused when damaged.
#pragma once

#include <string>
#include <vector>

#include "hostlib/TMFile.h"

class ElzabSession;
class TLJWords;
struct ElzabConfig;

class ElzabRunner {
 public:
  // Runs for `session`'s device with `config`'s program folder and shared-resource switch; both
  // outlive the runner.
  ElzabRunner(ElzabSession& session, const ElzabConfig& config);
  ElzabRunner(const ElzabRunner&) = delete;
  ElzabRunner& operator=(const ElzabRunner&) = delete;

  // Working files: every name starts with the exchange directory in short-path form.
  std::string WorkDir() const;
  std::string FNameKonfig() const;
  std::string FNameRaport() const;
  std::string FNameRaportArch() const;
  std::string FNamePackages() const;
  std::string FNameERL() const;
  // The input (ext 1), output (2) or archive (3) file of an ELZAB function; with
  // createInFile the input file is written at once with the function's input text. A number
  // that is no function names the directory itself.
  std::string FNameFile(int function, int ext, bool createInFile);
  // Writes a program input file: the three "#" header lines, then `text`, converted by the
  // action's code-page converter unless `convert` is false (paths).
  void WriteInFile(const std::string& path, std::string text, bool convert = true);

  // Runs the program of `function` in the exchange directory, holding the host's shared
  // resource when the parameters say so. Returns when the program succeeded; raises the
  // report's error, the abort error or a run error naming the program otherwise. Numbers
  // without a program run nothing.
  void Execute(int function);
  // Reads RAPORT.TXT after a failed run: raises its error; false when there was no report
  // or no result line in it, true when the report says the run succeeded.
  bool CheckReportFile();
  // The PLU of the goods that stopped a failed goods run (the report's tenth line), after
  // archiving the report; 0 when it names none.
  int CheckReportFileErrorPLU();
  // Throws the abort error when the host asks to stop (or `asked` says it already has).
  void ThrowPrzerwac(bool asked = false);
  // The text of an ELZAB error code.
  std::string GetErrMsg(int code) const;

  // A program's output is read only as the register wrote it: every line of these files ends
  // with CR LF, so a last line without its line end is a file cut short. False for such a file; the
  // file's read error when it cannot be read.
  bool OutputComplete(const std::string& path) const;
  // Raises the read error of a file cut short.
  void CheckOutputComplete(const std::string& path) const;
  // The read error of an output, naming the file, followed by `detail`.
  std::string OutputError(const std::string& path, const std::string& detail) const;
  // Raises the read error of an output whose line `line` (counted from 1) cannot be what the
  // register wrote, so that a damaged file is never taken in as data.
  [[noreturn]] void ThrowDamagedOutput(const std::string& path, int line) const;

 private:
  void ExecuteOperation(int function);
  // Warns, once, of a program or file path with a blank, which the programs may not take.
  void NoteBlankPath(const std::string& path, const std::vector<std::string>& args);
  // Line `n` (counted from 1) of the run's report; false, with `line` empty, when it has fewer.
  // The report's read error, translated under `key`, when it cannot be read.
  bool ReportLine(int n, const char* key, std::string& line);

  ElzabSession& session_;
  const ElzabConfig& config_;
  bool blankPathNoted_ = false;  // the warning about a path with a blank was given
};

// Reads an output line by line, counting its lines. How a file cut short is met is the
// reader's to say: refused before anything of it is read, told by Complete, or not looked at
// (a report, whose own reader decides).
class OutputLines {
 public:
  enum Check { kWhole, kTell, kUnchecked };
  // Opens `path`; the completeness check comes first and raises the runner's read error when
  // the file cannot be read.
  OutputLines(const ElzabRunner& runner, const std::string& path, Check check = kWhole);
  // Opens `path` unchecked, for a reader that judges the lines itself; Damaged raises the
  // untranslated read error. The file's read error when it cannot be opened.
  explicit OutputLines(const std::string& path);
  OutputLines(const OutputLines&) = delete;
  OutputLines& operator=(const OutputLines&) = delete;

  // The next line, whatever it holds; false at the end of the file.
  bool Next(std::string& line);
  // The next data line ("$" first): its text after the "$"; false at the end of the file.
  bool NextData(std::string& data);
  // The same, cut into columns.
  bool NextData(TLJWords& columns);
  // The number of the line given last, counted from 1.
  int Line() const { return line_; }
  // False for a file cut short (kTell); true for a checked whole one and an unchecked one.
  bool Complete() const { return complete_; }
  // Raises the damaged-output error for the line given last.
  [[noreturn]] void Damaged() const;
  void Close() { file_.Close(); }

 private:
  const ElzabRunner* runner_;
  std::string path_;
  TMFile file_;
  std::string text_;  // the line read last, kept so that its room serves the next
  int line_ = 0;
  bool complete_ = true;
};
