// The driver's own records, kept in the exchange directory beside the outputs of a read: each
// is one value and one codec. A record decides what the host is given again, or not given, so
// its reader takes only what its writer writes (every key once, numbers in the writer's own
// form, values the writer can write) and refuses everything else as damaged instead of
// guessing. CR LF lines; a person who edits a record by hand may leave an empty line, drop the
// last line's end or have the editor put a UTF-8 byte-order mark first, which carry nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// The settings that shape what a pass over a read hands the host.
struct PassSettings {
  bool salesFromReceipts = false;  // goods lines from the receipt buffer, not the counters
  bool receipts = false;           // the receipts go to the host with the last import file
  bool invoices = false;           // method 5's invoices are read
  bool operator==(const PassSettings&) const = default;
};

// One output as a record names it: what tells that it is still the very file that was read.
struct OutputStamp {
  std::string name;  // the file name in the exchange directory, one of the sales read's outputs
  int64_t size = 0;
  int64_t modified = 0;
  uint64_t checksum = 0;
  bool operator==(const OutputStamp&) const = default;
};

// "zapisane.txt": the days the host took in from the outputs lying beside it, kept while an
// import that stopped after some stores leaves those outputs.
struct StoredDaysRecord {
  double importDate = 0;                 // the import date the outputs were first read with
  std::optional<PassSettings> settings;  // what they were read with; none from an older driver
  bool namesOutputs = false;             // an older driver's record names none
  std::vector<OutputStamp> outputs;
  std::vector<double> days;       // calendar days the host took in, in the order it did
  std::optional<double> storing;  // the day being handed over when the import stopped
  // What a person looks for in the host to tell whether it took that day in: the file's sales
  // value (in zł), and whether it was the part of a register day recorded after an import the
  // host already had. None from an older driver.
  std::optional<double> storingValue;
  bool storingLater = false;
};

// "przekazane.txt": what one read of the register held, in the few figures that tell whether a
// later read still holds it (no daily report closed the register between) and what the later
// read holds beyond it: the receipt buffer's data lines, counted and hashed, and the counters
// summed per code.
struct ReadSummary {
  // A code's counter: quantity in thousandths and value in hundredths, as the import reads them.
  struct Sum {
    double quantity = 0;
    double value = 0;
    bool operator==(const Sum&) const = default;
  };
  std::string identity;      // the register and its connection (ReadNote's identity)
  double day = 0;            // the calendar day of the read
  int receiptsFunction = 0;  // the receipt buffer's function (5 or 6); 0 when none was read
  int64_t receiptLines = 0;  // its data lines
  uint64_t receiptHash = 0;  // of those lines
  bool hasSales = false;     // the sorted sales counters were read
  bool hasReturns = false;   // the packaging returns were read
  std::map<std::string, Sum> sales;
  std::map<std::string, Sum> returns;
  // The settings that shaped what the host was given of the read; none from an older driver.
  std::optional<PassSettings> settings;
  // The packaging totals the host was last given per sale date, sold and returned, in
  // hundredths. Each file of a sale date overwrites the host's totals of that date, so the next
  // file of the date carries these on, whether a daily report came between or not; none from an
  // older driver.
  struct Packaging {
    double sold = 0;
    double returned = 0;
    bool operator==(const Packaging&) const = default;
  };
  std::optional<std::map<double, Packaging>> packaging;

  // True when the host was given nothing of the read: no receipt line, and no sale or return
  // of the counters it was given.
  bool Empty() const;
};

// "odczyt.txt": which register's outputs lie in the exchange directory, written before the
// programs read it, so that a second device left with the directory does not take them.
struct ReadNote {
  std::string identity;       // the register number, a blank, and its connection
  std::optional<double> day;  // the day of the read; none from an older driver
  int model = -1;             // the register's model (e_Type); -1 from an older driver
  // The receipt buffer's function read only to tell where the host's share of the day ends, by
  // the method that share was read with, beside the parameters' method: its output goes over
  // only while the day is not closed. 0: none.
  int proofFunction = 0;
};

namespace records {

// The records' file names in the exchange directory, and the names a new record is written
// under before it takes the old one's place.
constexpr char kStoredDays[] = "zapisane.txt";
constexpr char kStoredDaysFresh[] = "zapisane.tmp";
constexpr char kHandedOver[] = "przekazane.txt";
constexpr char kHandedOverFresh[] = "przekazane.tmp";
constexpr char kReadNote[] = "odczyt.txt";
// The most each record can hold as the driver writes it: a few lines for the stored days and the
// note, a line per goods code sold or returned for what the host has.
constexpr size_t kStoredDaysLimit = 1 << 20;
constexpr size_t kHandedOverLimit = 64 << 20;
constexpr size_t kReadNoteLimit = 1 << 16;

// The line of a record that its reader refused: its number, counted from 1, and its text. Line
// 0 when the record as a whole is refused (a line missing, days the outputs cannot give).
struct RecordFault {
  int line = 0;
  std::string text;
  std::string reason;  // why, when the line alone does not show it
};

// Each record as its file holds it, and back. Parse is false for a text the driver does not
// write, leaving the value unspecified and, when given, `fault` naming the line refused.
std::string FormatStoredDays(const StoredDaysRecord& record);
bool ParseStoredDays(const std::string& text, StoredDaysRecord& record,
                     RecordFault* fault = nullptr);
std::string FormatSummary(const ReadSummary& summary);
bool ParseSummary(const std::string& text, ReadSummary& summary, RecordFault* fault = nullptr);
std::string FormatReadNote(const ReadNote& note);
bool ParseReadNote(const std::string& text, ReadNote& note, RecordFault* fault = nullptr);
// The error of a damaged record at `path`: the line refused, for a person who edited the file
// to put it right, then `unknown`, what cannot be known without the record and what to do.
std::string DamagedText(const std::string& path, const RecordFault& fault,
                        const std::string& unknown);

// The lines a person is told to change in "zapisane.txt" to settle a day whose hand-over was
// cut off: the day being handed over (`record`'s storing), and the same day taken in.
std::string StoringLine(const StoredDaysRecord& record);
std::string StoredLine(double day);

// The register a record names: the host's device that imports it, and the register as its
// identification reads it, its model and its own number: "<device> <model>;<number>". A port or
// an address is no part of it, so that a register moved to another connection keeps its
// records. An older driver named the device and its connection ("<device> COM1"); outputs it
// left without a note are of "<device> ;", a register not known.
std::string RegisterIdentity(int device, const std::string& model, const std::string& number);
// Whether two identities name one device of the host.
bool SameDevice(const std::string& a, const std::string& b);
// Whether the identity `recorded` names the register `current` names: one device, and one
// register unless either is of the older form, which cannot tell.
bool SameRegister(const std::string& recorded, const std::string& current);
// The identity as a person reads it: "Mini ONLINE nr 12345 (urządzenie 3)", or of the older
// form "urządzenie 3, port COM1"; not printable bytes as Shown gives them.
std::string IdentityShown(const std::string& identity);

// A text read from a record, fit to be shown in a message line: at most `limit` bytes of it
// (then "..."), every byte that is not printable written as \xNN.
std::string Shown(const std::string& text, size_t limit = 80);

}  // namespace records
