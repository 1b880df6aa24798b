#include "elzab/elxstored.h"

#include <algorithm>

#include "elzab/elxfunctions.h"
#include "elzab/elxtext.h"
#include "elzab/elxworkfiles.h"
#include "hostlib/Exceptions.h"
#include "hostlib/TdtTools.h"
#include "hostlib/TxTools.h"
#include "platform/Env.h"

StoredDays::StoredDays(std::string workDir) : dir_(std::move(workDir)) {}

std::string StoredDays::Path() const {
  return dir_ + records::kStoredDays;
}

std::vector<OutputStamp> StoredDays::StampOutputs() const {
  platform::Env* env = platform::CurrentEnv();
  std::vector<OutputStamp> stamps;
  for (int function : ElzabFunctionsWith(roleSalesRead)) {
    OutputStamp o;
    o.name = std::string(FindElzabFunction(function)->base) + ".out";
    const std::string path = dir_ + o.name;
    if (!env->FileStamp(path, o.size, o.modified)) continue;
    if (!workfiles::Checksum(path, o.checksum)) {
      throw Exception(ElzabText("KSElzabSOutputExceptio", "Błąd odczytu pliku ") + path);
    }
    stamps.push_back(o);
  }
  return stamps;
}

StoredDays::Settled StoredDays::Settle(double importDate, const PassSettings& settings) {
  importDate_ = importDate;
  settings_ = settings;
  days_.clear();
  outputs_ = StampOutputs();
  Settled settled{importDate, settings, {}, {}, false};
  const std::string path = Path();
  std::string text;
  if (!workfiles::ReadRecord(path, text, records::kStoredDaysLimit)) return settled;
  StoredDaysRecord record;
  records::RecordFault fault;
  const bool read =
      text.size() <= records::kStoredDaysLimit && records::ParseStoredDays(text, record, &fault);
  // A day that was being handed over when the import stopped may or may not be in the
  // back office: only a person can tell, and guessing either way loses or doubles it.
  if (read && record.storing) {
    const std::string day = TdtTools::FormatDate(*record.storing);
    // What to look for in the host: on a day imported more than once, the day alone would be
    // found there from an earlier import, and the part cut off taken for stored and lost.
    std::string what;
    if (record.storingValue) {
      std::string value = TxTools::Format("%.2f", *record.storingValue);
      std::replace(value.begin(), value.end(), '.', ',');
      what = ElzabText("KSElzabSImportStoringExceptio_00006", " (plik o wartości sprzedaży ") +
             value + " zł" +
             (record.storingLater
                  ? ElzabText("KSElzabSImportStoringExceptio_00007",
                              ": część dnia kasy zarejestrowana po poprzednim imporcie, "
                              "którego dane baza już ma")
                  : std::string()) +
             ")";
    }
    throw Exception(
        ElzabText("KSElzabSImportStoringExceptio",
                  "Poprzedni import przerwał się, gdy baza przyjmowała dane z dnia ") +
        day + what +
        ElzabText("KSElzabSImportStoringExceptio_00001", ": nie wiadomo, czy je przyjęła. ") +
        (record.storingValue
             ? ElzabText("KSElzabSImportStoringExceptio_00008",
                         "Sprawdź w bazie, czy ma import z tego dnia o tej wartości. Jeśli go "
                         "nie ma, usuń z pliku ")
             : ElzabText("KSElzabSImportStoringExceptio_00002",
                         "Sprawdź to w bazie. Jeśli ich nie ma, usuń z pliku ")) +
        path + ElzabText("KSElzabSImportStoringExceptio_00003", " wiersz \"") +
        records::StoringLine(record) +
        (record.storingValue
             ? ElzabText("KSElzabSImportStoringExceptio_00009", "\"; jeśli jest, zmień go na \"")
             : ElzabText("KSElzabSImportStoringExceptio_00004", "\"; jeśli są, zmień go na \"")) +
        records::StoredLine(*record.storing) +
        ElzabText("KSElzabSImportStoringExceptio_00005", "\". Potem powtórz import."));
  }
  if (!read) {
    throw Exception(records::DamagedText(
        path, fault,
        ElzabText("KSElzabSImportDamagedExceptio",
                  "nie wiadomo, które dni baza przyjęła już z plików importu. Sprawdź to w bazie; "
                  "po usunięciu tego pliku pliki importu zostaną przyjęte w całości.")));
  }
  // The record holds for the outputs it names: each still there must be the very file that
  // was read (those gone were removed after the host took them in), and no other may have
  // come since. An older driver's record names none and holds for what lies there.
  if (record.namesOutputs) {
    for (const OutputStamp& now : outputs_) {
      auto was = std::find_if(record.outputs.begin(), record.outputs.end(),
                              [&](const OutputStamp& o) { return o.name == now.name; });
      if (was == record.outputs.end() || !(*was == now)) {
        settled.changed += (settled.changed.empty() ? "" : ", ") + now.name;
      }
    }
  }
  if (!settled.changed.empty()) {
    Remove();
    return settled;
  }
  // The outputs are read again as they were read then: the same date, the same settings,
  // so that each day comes out as the host took it in.
  importDate_ = settled.importDate = record.importDate;
  if (record.settings) settings_ = settled.settings = *record.settings;
  days_ = settled.days = record.days;
  settled.whole = record.namesOutputs && record.outputs.size() == outputs_.size();
  return settled;
}

void StoredDays::Write(const StoredDaysRecord& storing) {
  StoredDaysRecord record = storing;
  record.importDate = importDate_;
  record.settings = settings_;
  record.namesOutputs = true;
  record.outputs = outputs_;
  record.days = days_;
  workfiles::ReplaceWhole(Path(), dir_ + records::kStoredDaysFresh,
                          records::FormatStoredDays(record));
}

void StoredDays::Mark(double day, double value, bool later) {
  StoredDaysRecord storing;
  storing.storing = day;
  storing.storingValue = value;
  storing.storingLater = later;
  try {
    Write(storing);
  } catch (const Exception&) {
    throw Exception(ElzabText("KSElzabSImportStoredExceptio_00002", "Nie można zapisać pliku ") +
                    Path());
  }
}

void StoredDays::Unmark() {
  try {
    if (days_.empty()) {
      Remove();
    } else {
      Write(StoredDaysRecord());
    }
  } catch (const Exception&) {
    // The refusal is the error to show; a mark left behind makes the next import ask.
  }
}

void StoredDays::Add(double day) {
  days_.push_back(day);
  try {
    Write(StoredDaysRecord());
  } catch (const Exception&) {
    throw Exception(ElzabText("KSElzabSImportStoredExceptio",
                              "Baza przyjęła import, ale nie można tego zapisać w pliku ") +
                    Path());
  }
}

bool StoredDays::Has(double day) const {
  return std::find(days_.begin(), days_.end(), day) != days_.end();
}

void StoredDays::Remove() {
  const std::string path = Path();
  platform::Env* env = platform::CurrentEnv();
  if (!env->FileExists(path) && !env->DirectoryExists(path)) return;
  if (!workfiles::Remove(path)) {
    throw Exception(ElzabText("KSElzabSImportStoredExceptio_00001", "Nie można usunąć pliku ") +
                    path);
  }
}
