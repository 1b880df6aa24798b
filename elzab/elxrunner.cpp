#include "elzab/elxrunner.h"

#include <algorithm>
#include <functional>
#include <vector>

#include "elzab/elxconfig.h"
#include "elzab/elxfunctions.h"
#include "elzab/elxsession.h"
#include "elzab/elxtext.h"
#include "hostlib/Exceptions.h"
#include "hostlib/TxTools.h"
#include "platform/Env.h"
#include "support/TLJWords.h"
#include "support/TLTools.h"

namespace {

// The translation module of the driver's texts.
constexpr const char* kHeavyLoadSection = "HeavyLoadSection";

}  // namespace

ElzabRunner::ElzabRunner(ElzabSession& session, const ElzabConfig& config)
    : session_(session), config_(config) {}

// ----- Working files ------------------------------------------------------------------------

std::string ElzabRunner::WorkDir() const {
  return session_.ShortenPathName(session_.ExchangeDir());
}

std::string ElzabRunner::FNameKonfig() const {
  return WorkDir() + "KONFIG.TXT";
}
std::string ElzabRunner::FNameRaport() const {
  return WorkDir() + "RAPORT.TXT";
}
std::string ElzabRunner::FNameRaportArch() const {
  return WorkDir() + "RAPORT.arc";
}
std::string ElzabRunner::FNamePackages() const {
  return WorkDir() + "packages.dat";
}
std::string ElzabRunner::FNameERL() const {
  return WorkDir() + "errors.txt";
}

std::string ElzabRunner::FNameFile(int function, int ext, bool createInFile) {
  const ElzabFunction* f = FindElzabFunction(function);
  // Any other number names no file: the directory itself, which is never taken for one.
  if (f == nullptr) return WorkDir();
  const char* base = f->base;
  static const char* const kExtensions[] = {"", ".in", ".out", ".arc"};
  const std::string path = WorkDir() + base + (ext >= 1 && ext <= 3 ? kExtensions[ext] : "");
  if (createInFile) {
    std::string text;
    // A program that writes several outputs is told their names, tab-separated, in its input.
    for (int output : ElzabFunctionOutputs(function)) {
      if (output == function) continue;
      text += (text.empty() ? "$" : "\t") + FNameFile(output, 2, false);
    }
    // Paths are the system's own text: converted like a register's text, a folder named with
    // a Polish letter would name another folder.
    WriteInFile(path, text, false);
  }
  return path;
}

void ElzabRunner::WriteInFile(const std::string& path, std::string text, bool convert) {
  try {
    TMFile file(path);
    file.Open();
    file.GotoStart();
    file.Truncate();
    file.WriteLine("#" + std::to_string(session_.DeviceNumber()));
    file.WriteLine("#");
    file.WriteLine("#");
    if (!text.empty()) {
      if (convert) session_.Tools().PlConvert(text);
      file.Write(text);
      file.Write("\r\n");
    }
    file.Close();
  } catch (const Exception& e) {
    // The system's reason (a full disk, a folder in the way) goes on a line of its own.
    session_.MsgAdd(ElzabText("KSElzabSExecuteMsgAdd", "Przyczyna: ") + e.Message(), LPV_Warning,
                    100);
    throw Exception(ElzabText("KSElzabSWriteInFExceptio", "Błąd zapisu pliku wyjściowego ") + path);
  }
}

// ----- Runs ---------------------------------------------------------------------------------

void ElzabRunner::Execute(int function) {
  // Holds the host's shared resource for the run, when the parameters say so, and gives it
  // back on the way out, whichever way that is.
  struct Held {
    ElzabSession* session = nullptr;
    ~Held() {
      if (session != nullptr) session->ZwolnijZasobSterownika(kHeavyLoadSection);
    }
  } held;
  if (config_.cfgProtectExecution) {
    session_.ZajmijZasobSterownika(kHeavyLoadSection);
    held.session = &session_;
  }
  ExecuteOperation(function);
}

void ElzabRunner::NoteBlankPath(const std::string& path, const std::vector<std::string>& args) {
  // The programs take their paths unquoted: a folder without a short name keeps its blanks,
  // and whether a program takes such a path whole cannot be known from here. Said once.
  if (blankPathNoted_) return;
  std::vector<std::string> words{path};
  words.insert(words.end(), args.begin(), args.end());
  auto blank = std::find_if(words.begin(), words.end(),
                            [](const std::string& w) { return w.find(' ') != std::string::npos; });
  if (blank == words.end()) return;
  blankPathNoted_ = true;
  session_.MsgAdd(
      ElzabText("KSElzabSExecuteMsgAdd_00001", "Ścieżka ") + *blank +
          ElzabText("KSElzabSExecuteMsgAdd_00002",
                    " zawiera spację: ten folder nie ma krótkiej nazwy, a programy ELZAB mogą "
                    "nie przyjąć takiej ścieżki. Użyj folderu bez spacji albo włącz krótkie "
                    "nazwy na tym dysku (fsutil 8dot3name) i utwórz folder na nowo."),
      LPV_Warning, 100);
}

void ElzabRunner::ExecuteOperation(int function) {
  const ElzabFunction* program = FindElzabFunction(function);
  if (program == nullptr || program->program == nullptr) return;
  platform::Env* env = platform::CurrentEnv();
  const std::string path = config_.cfgExePath + program->program;
  std::vector<std::string> args;
  args.push_back(FNameFile(function, 1, program->writeInput));
  if (program->hasOutput) args.push_back(FNameFile(function, 2, false));
  NoteBlankPath(path, args);
  // The verdict must come from this run's own report, never from one an earlier run left.
  env->RemoveFile(FNameRaport());
  if (env->FileExists(FNameRaport())) {
    throw Exception(
        ElzabText("KSElzabSExecuteExceptio_00004", "Nie można usunąć starego pliku raportu ") +
        FNameRaport());
  }
  // A program that never ends must not hold the back office's thread for good: while it
  // runs, the host is asked about once a second whether the person wants to stop. A host
  // without the abort service cannot be asked; "stop" would then only mean "no service" and
  // end every program that runs longer than a second, so the program is left to finish.
  std::function<bool()> stop;
  if (session_.HostCanAbort()) stop = [this] { return session_.CzyPrzerwac(); };
  const platform::RunResult run = env->RunProgram(path, args, session_.ExchangeDir(), stop);
  if (!run.started) {
    // What tells a technician that an antivirus blocked the program, that it is no 64-bit
    // runnable program or that it wants elevation: the system's reason, a line of its own.
    // The program's path is in its short form: the folder as the technician typed it is
    // named beside it, or a missing folder would be searched for under a name never typed.
    if (!run.error.empty()) {
      std::string why = ElzabText("KSElzabSExecuteMsgAdd", "Przyczyna: ") + run.error;
      if (config_.cfgExePathTyped != config_.cfgExePath) {
        why += ElzabText("KSElzabSExecuteMsgAdd_00003", "; pełna ścieżka programu: ") +
               config_.cfgExePathTyped + program->program;
      }
      session_.MsgAdd(why, LPV_Warning, 100);
    }
    throw Exception(ElzabText("KSElzabSExecuteExceptio", "Błąd uruchomienia ") + path);
  }
  if (run.stopped) {
    // What the ended program had written is only part of its answer; read later as whole it
    // would be wrong data. The register still holds everything, so the next run reads it anew;
    // the outputs of programs that finished stay for the next import.
    for (int output : ElzabFunctionOutputs(function)) env->RemoveFile(FNameFile(output, 2, false));
    if (run.stuck) {
      // Still there after it was ended: it waits for its device (a USB-serial driver, say).
      // The shared resource goes back on the way out, so that other registers are not kept.
      throw Exception(
          ElzabText("KSElzabSExecuteExceptio_00005", "Nie można zakończyć programu ") + path +
          ElzabText("KSElzabSExecuteExceptio_00006",
                    ": czeka na urządzenie; odłącz i podłącz kasę albo uruchom komputer "
                    "ponownie, zanim zaczniesz następną operację"));
    }
    ThrowPrzerwac(true);
  }
  if (run.exitCode == 0) return;
  // What a read that failed wrote is not its answer: a full disk leaves an empty file, a
  // broken connection a cut one, and taken in by the next import as the register's day it
  // would be wrong data. The register still holds everything, so the next read reads it anew;
  // the outputs of the programs that ended well stay for the next import.
  auto dropReadOutputs = [&] {
    for (int output : ElzabFunctionOutputs(function)) {
      const ElzabFunction* f = FindElzabFunction(output);
      if (f != nullptr && (f->roles & (roleSalesRead | roleLeftover | roleCashierRead)) != 0) {
        env->RemoveFile(FNameFile(output, 2, false));
      }
    }
  };
  bool reported = false;
  try {
    reported = CheckReportFile();
  } catch (const Exception&) {
    dropReadOutputs();
    throw;
  }
  if (!reported) {
    dropReadOutputs();
    // A program that failed without saying why has still failed: for a goods run the host
    // would otherwise be told the register took goods it never received.
    throw Exception(ElzabText("KSElzabSExecuteExceptio_00001", "Program ") + path +
                    ElzabText("KSElzabSExecuteExceptio_00002", " zakończył pracę z kodem ") +
                    std::to_string(run.exitCode) +
                    ElzabText("KSElzabSExecuteExceptio_00003", " bez raportu wyniku w pliku ") +
                    FNameRaport());
  }
}

bool ElzabRunner::CheckReportFile() {
  const std::string path = FNameRaport();
  if (!platform::CurrentEnv()->FileExists(path)) return false;
  std::string line;
  const bool hasResult = ReportLine(2, "KSElzabSCheckRepExceptio", line);
  if (!hasResult) return false;
  const std::string rest = line.empty() ? line : line.substr(1);
  const size_t semicolon = rest.find(';');
  const std::string codeText =
      TxTools::Trim(semicolon == std::string::npos ? rest : rest.substr(0, semicolon));
  const std::string description =
      semicolon == std::string::npos ? std::string() : TxTools::Trim(rest.substr(semicolon + 1));
  const int code = TxTools::StrToIntDef(codeText, 0);
  if (code == 0) return true;
  throw Exception("Błąd [" + std::to_string(code) +
                  "]: " + (description.empty() ? GetErrMsg(code) : description));
}

int ElzabRunner::CheckReportFileErrorPLU() {
  const std::string path = FNameRaport();
  if (!platform::CurrentEnv()->FileExists(path)) {
    throw Exception(ElzabText("KSElzabSCheckRapExceptio_00001", "Brak pliku raportu ") + path);
  }
  session_.Tools().ArchiveFile(path, FNameRaportArch(), session_.GetLgLink(), false, -1, true, "");
  std::string tenth;
  ReportLine(10, "KSElzabSCheckRapExceptio", tenth);
  const std::string field = TxTools::SelectWord(tenth, 2, '\t');
  return TxTools::StrToIntDef(TxTools::Trim(field.empty() ? field : field.substr(1)), 0);
}

bool ElzabRunner::ReportLine(int n, const char* key, std::string& line) {
  const std::string path = FNameRaport();
  try {
    OutputLines report(*this, path, OutputLines::kUnchecked);
    bool found = false;
    for (int i = 0; i < n && (found = report.Next(line)); ++i) {
    }
    report.Close();
    return found;
  } catch (const Exception&) {
    throw Exception(ElzabText(key, "Błąd odczytu pliku raportu ") + path);
  }
}

// ----- Outputs ------------------------------------------------------------------------------

bool ElzabRunner::OutputComplete(const std::string& path) const {
  int last = -1;
  try {
    TMFile file(path);
    file.SetReadOnly(true);
    file.Open();
    last = file.LastByte();
    file.Close();
  } catch (const Exception&) {
    throw Exception(ElzabText("KSElzabSOutputExceptio", "Błąd odczytu pliku ") + path);
  }
  // A bare LF is taken as a line end too, as the line reader takes it.
  return last == -1 || last == '\n';
}

std::string ElzabRunner::OutputError(const std::string& path, const std::string& detail) const {
  return ElzabText("KSElzabSOutputExceptio", "Błąd odczytu pliku ") + path + ": " + detail;
}

void ElzabRunner::CheckOutputComplete(const std::string& path) const {
  if (!OutputComplete(path)) {
    throw Exception(OutputError(
        path, ElzabText("KSElzabSOutputExceptio_00001", "plik urwany, ostatni wiersz niepełny")));
  }
}

void ElzabRunner::ThrowDamagedOutput(const std::string& path, int line) const {
  throw Exception(OutputError(
      path,
      ElzabText("KSElzabSOutputExceptio_00002", "nieczytelny wiersz ") + std::to_string(line)));
}

void ElzabRunner::ThrowPrzerwac(bool asked) {
  if (asked || session_.CzyPrzerwac()) {
    throw Exception(ElzabText("KSElzabSThrowPrzExceptio", "Operacja przerwana przez użytkownika"));
  }
}

OutputLines::OutputLines(const ElzabRunner& runner, const std::string& path, Check check)
    : runner_(&runner), path_(path), file_(path) {
  if (check != kUnchecked) complete_ = runner.OutputComplete(path);
  // Said as CheckOutputComplete says it.
  if (check == kWhole && !complete_) runner.CheckOutputComplete(path);
  file_.SetReadOnly(true);
  file_.Open();
}

OutputLines::OutputLines(const std::string& path) : runner_(nullptr), path_(path), file_(path) {
  file_.SetReadOnly(true);
  file_.Open();
}

bool OutputLines::Next(std::string& line) {
  if (!file_.ReadLine(line)) return false;
  ++line_;
  return true;
}

bool OutputLines::NextData(std::string& data) {
  while (Next(text_)) {
    if (!text_.empty() && text_[0] == '$') {
      data.assign(text_, 1, std::string::npos);
      return true;
    }
  }
  data.clear();
  return false;
}

bool OutputLines::NextData(TLJWords& columns) {
  std::string data;
  if (!NextData(data)) return false;
  columns.Init(data);
  return true;
}

void OutputLines::Damaged() const {
  if (runner_ != nullptr) runner_->ThrowDamagedOutput(path_, line_);
  throw Exception("Błąd odczytu pliku " + path_ + ": nieczytelny wiersz " + std::to_string(line_));
}
