#include "plugin/KSAction.h"

#include "exchange/KSExpBuf.h"
#include "exchange/KSImpBuf.h"
#include "hostlib/Exceptions.h"
#include "hostlib/TMLgExtTools.h"
#include "hostlib/TdtTools.h"
#include "hostlib/TxTools.h"
#include "platform/Env.h"

namespace {
constexpr const char* kModule = "kstools_KSAction";
constexpr char kStatus = '\x01';
// A day count of about one second, as the waiting loop measures it.
constexpr double kSecondInDays = 0.0000115;
// The mapping's "not yet asked" rate.
constexpr int kNoRate = 9999;

// True when `format` holds exactly one conversion, of a kind in `kinds` (flags, width and
// precision allowed, no "*" and no length modifier), besides any "%%". A translated message
// format comes from the host and is used as a format only when it is that safe.
bool OneConversion(const std::string& format, const std::string& kinds) {
  auto in = [&](size_t i, const char* set) {
    return i < format.size() && std::string(set).find(format[i]) != std::string::npos;
  };
  int count = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') continue;
    ++i;
    if (in(i, "%")) continue;
    while (in(i, "-+ #0")) ++i;
    while (in(i, "0123456789")) ++i;
    if (in(i, ".")) {
      ++i;
      while (in(i, "0123456789")) ++i;
    }
    if (i >= format.size() || kinds.find(format[i]) == std::string::npos) return false;
    ++count;
  }
  return count == 1;
}
}  // namespace

TErrorLog::TErrorLog(const std::string& path) : file(std::make_unique<TMFile>(path)) {
  file->Open();
  file->GotoStart();
  file->Truncate();
}

TErrorLog::~TErrorLog() {
  // The log is the export's own scratch list; a destructor must not throw, and what it held
  // was already shown in the host's list.
  try {
    file->Close();
  } catch (...) {
  }
}

void TErrorLog::Add(const std::string& line) {
  file->WriteLine(line);
  ++count;
}

void TErrorLog::GotoFirst() {
  file->GotoStart();
}

bool TErrorLog::GetFirst(std::string& line) {
  GotoFirst();
  return GetNext(line);
}

bool TErrorLog::GetNext(std::string& line) {
  return !file->ReadLine(line);
}

KSAction::KSAction(TKSLibrary* library, HTVKCBARG2 arg2) : TKSActionBase(library, arg2) {}

KSAction::~KSAction() = default;

std::string KSAction::ShortenPathName(const std::string& path) {
  return platform::CurrentEnv()->ShortPath(path);
}

int KSAction::WaitForFileState(const std::string& file, bool waitForRemoval, int timeoutSeconds) {
  platform::Env* env = platform::CurrentEnv();
  const double start = env->Now();
  int counter = 1;
  for (;;) {
    const bool exists = env->FileExists(file);
    if (waitForRemoval ? !exists : exists) return 1;
    if (CzyPrzerwac()) return 0;
    if (timeoutSeconds != 0) {
      const int remaining = timeoutSeconds - static_cast<int>((env->Now() - start) / kSecondInDays);
      if (remaining < 1) return -1;
      ZmienOstatniKomunikat(0, PodajOstatniKomunikat(true) + kStatus + std::to_string(remaining));
    } else {
      ZmienOstatniKomunikat(0, PodajOstatniKomunikat(true) + kStatus + std::to_string(counter));
      ++counter;
    }
    env->SleepMs(1000);
  }
}

void KSAction::Progress(int& counter) {
  ++counter;
  if (counter <= 30 || (counter <= 200 && counter % 10 == 0) ||
      (counter > 200 && counter % 25 == 0)) {
    MsgP(counter);
  }
}

void KSAction::AddWarning(const std::string& text, TErrorLog* log) {
  if (log != nullptr) {
    log->Add(text);
  } else {
    MsgAdd(text, LPV_Warning, 100);
  }
}

void KSAction::LogWarnings(TErrorLog* log, const std::string& before, const std::string& after,
                           LPVState state) {
  if (log == nullptr || log->GetCount() < 1) return;
  MsgAdd(before + std::to_string(log->GetCount()) + after, state, 100);
  std::string line;
  bool end = log->GetFirst(line);
  for (int read = 0; !end && read < 20; ++read) {
    if (!line.empty()) MsgAdd(line, state, 100);
    if (read + 1 < 20) end = log->GetNext(line);
  }
  if (log->GetCount() > 20) {
    MsgAdd(TMLgExtTools::Get(GetLgLink(), kModule, "KSActionLogWarniMsgAdd", "i tak dalej..."),
           state, 100);
  }
}

void KSAction::LogujOdrzuconePrzyEksporcie() {
  TMLgExtTools* lg = GetLgLink();
  if (Fcokolwiek_eksportowano && !Frej_reported && (!error_log.empty() || !warning_log.empty())) {
    struct Section {
      const std::vector<std::string>& lines;
      const char* label;
      const char* labelKey;
      int significance;
      const char* moreKey;
    };
    const Section sections[] = {
        {error_log, " - towary odrzucone", "KSActionLogujOdrMsgAdd", 2, "LogujOdrDodajKomAnsiStri"},
        {warning_log, " - ostrzeżenia", "KSActionLogujOdrMsgAdd_00001", 1,
         "LogujOdrDodajKomAnsiStri_00001"},
    };
    for (const Section& s : sections) {
      if (s.lines.empty()) continue;
      MsgAdd(TMLgExtTools::Get(lg, kModule, s.labelKey, s.label), LPV_Value, 100);
      MsgP(static_cast<int>(s.lines.size()));
      for (size_t i = 0; i < s.lines.size() && i < 10; ++i) {
        DodajKomunikat(s.significance, "..." + s.lines[i]);
      }
      if (s.lines.size() > 10) {
        DodajKomunikat(s.significance, TMLgExtTools::Get(lg, kModule, s.moreKey, "i tak dalej..."));
      }
    }
    const std::string header =
        TMLgExtTools::Get(lg, kModule, "KSActionLogujOdrheader", "Eksport danych z dnia ") +
        TdtTools::FormatReadable(TdtTools::Now()) +
        TMLgExtTools::Get(lg, kModule, "LogujOdrheaderdtDateTime",
                          "\n\rTowary odrzucone i ostrzeżenia:");
    FlushErrorLog(header);
  }
  Frej_reported = true;
}

void KSAction::FlushErrorLog(const std::string& header) {
  TMFile log(FNameLOG());
  log.Open();
  log.GotoEnd();
  log.WriteLine(std::string(80, '-'));
  log.WriteLine(header);
  std::string text;
  for (const std::string& line : error_log) text += line + "\r\n";
  log.WriteLine(text);
  log.WriteLine("");
  log.Close();
  error_log.clear();
}

int KSAction::MessageBoxA(const std::string& text, const std::string& caption, unsigned type) {
  error_log.push_back(caption + " (" + text + ")");
  switch (type & 15u) {
    case 0:  // OK
    case 1:  // OK, Cancel
      return 1;
    case 2:  // Abort, Retry, Ignore
      return 5;
    case 4:  // Yes, No
      return 7;
    default:  // Yes/No/Cancel, Retry/Cancel, Cancel/Try again/Continue and anything else
      return 2;
  }
}

void KSAction::ShowTowInfo(bool all) {
  if (exp_buf == nullptr) return;
  const struct {
    int count;
    const char* key;
    const char* label;
  } counters[] = {
      {exp_buf->il_dod, "KSActionShowTowIMsgAdd", " - do dodania"},
      {exp_buf->il_akt, "KSActionShowTowIMsgAdd_00001", " - do zmiany nazwy/stawki"},
      {exp_buf->il_cen, "KSActionShowTowIMsgAdd_00002", " - do zmiany ceny"},
      {exp_buf->il_usu, "KSActionShowTowIMsgAdd_00003", " - do usunięcia"},
  };
  for (const auto& c : counters) {
    if (!all && c.count == 0) continue;
    MsgAdd(TMLgExtTools::Get(GetLgLink(), kModule, c.key, c.label), LPV_Value, 100);
    MsgP(c.count);
  }
}

int KSAction::NumerStawki(int rate) {
  const TKSStawkiKolejne& mapa = GetStawkiKolejne();
  if (rate != kNoRate && rate == FLastStawka && FWersjaStawek == mapa.Wersja()) {
    return FNumerStawki;
  }
  for (int i = 0; i < TKSStawkiKolejne::kIloscSlotow; ++i) {
    if (mapa.GetWartosci(i) == rate) {
      FLastStawka = rate;
      FNumerStawki = i;
      FWersjaStawek = mapa.Wersja();
      return i;
    }
  }
  // An unknown rate has no slot: answering an earlier rate's slot would put the goods on the
  // register under a wrong VAT rate.
  FLastStawka = kNoRate;
  const char* fallback = "Niezdefiniowana stawka %d%%";
  std::string format = TMLgExtTools::Get(GetLgLink(), kModule, "KSActionNumerStawkidesc", fallback);
  if (!OneConversion(format, "di")) format = fallback;
  throw Exception(TxTools::Format(format.c_str(), rate));
}

int KSAction::NumerStawkiPrec(int ratePrec) {
  const TKSStawkiKolejne& mapa = GetStawkiKolejnePrec();
  if (ratePrec != kNoRate && ratePrec == FLastStawkaPrec && FWersjaStawekPrec == mapa.Wersja()) {
    return FNumerStawkiPrec;
  }
  for (int i = 0; i < TKSStawkiKolejne::kIloscSlotow; ++i) {
    if (mapa.GetWartosci(i) == ratePrec) {
      FLastStawkaPrec = ratePrec;
      FNumerStawkiPrec = i;
      FWersjaStawekPrec = mapa.Wersja();
      return i;
    }
  }
  FLastStawkaPrec = kNoRate;
  const char* fallback = "Niezdefiniowana stawka %.02f%%";
  std::string format = TMLgExtTools::Get(GetLgLink(), kModule, "KSActionNumerStadesc", fallback);
  if (!OneConversion(format, "fF")) format = fallback;
  throw Exception(TxTools::Format(format.c_str(), ratePrec / 100.0));
}

void KSAction::ShowTotalValue(KSImpBuf* buffer) {
  if (buffer == nullptr) buffer = imp_buf;
  if (buffer == nullptr) return;
  TMLgExtTools* lg = GetLgLink();
  const std::string label =
      buffer->fisk_z_plu ? TMLgExtTools::Get(lg, kModule, "KSActionShowTota_00001", "(w/g PLU)")
                         : TMLgExtTools::Get(lg, kModule, "KSActionShowTota", "(w/g finans.)");
  const char* fallback = " ------ WARTOŚĆ SPRZEDAŻY:     %.02Lf zł. %s ------";
  std::string format = TMLgExtTools::Get(lg, kModule, "KSActionShowTotadesc", fallback);
  // A translation comes from the host; it is used as a format only when it asks for the same
  // values in the same order.
  auto conversions = [](const std::string& text) {
    std::string wanted;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] != '%') continue;
      const size_t end = text.find_first_of("%diouxXeEfFgGcsp", i + 1);
      if (end == std::string::npos) return std::string("?");
      if (text[end] != '%' || end != i + 1) wanted += text.substr(i, end - i + 1);
      i = end;
    }
    return wanted;
  };
  if (conversions(format) != conversions(fallback)) format = fallback;
  MsgAdd(TxTools::Format(format.c_str(), static_cast<long double>(buffer->GetTotalValue() / 100),
                         label.c_str()),
         LPV_None, 100);
}
