// A failed import leaves the outputs of the read it made; the next import hands them to the
// host and then reads the register again. Reading never clears the register: until its daily
// report the new read holds everything the failed one did, and handing over all of it would
// give the host those sales twice. So the host's share of the register's day is kept, summed
// up, beside the outputs ("przekazane.txt"), and a read that still holds it hands over only
// what lies beyond. Whether it does is decided here from the two summaries alone.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "elzab/elxrecords.h"

class ElzabRunner;

// What a new read of the register is to the host, judged against the read whose sales the host
// has (the base).
struct ReadJudgement {
  // A daily report closed the register since the base: the new read goes over whole.
  bool closed = true;
  // Neither the receipt buffer nor the counters could tell; `closed` follows the days of the
  // two reads (a register closes its day before it sells on the next).
  bool guessed = false;
  // The receipt buffer and the counters the host's goods come from tell otherwise: the buffer
  // still begins with the base's lines while a counter fell. Nothing may go over.
  bool contradicted = false;
  // The register recorded nothing the host lacks since the base.
  bool nothingNew = false;
  // Receipt buffer data lines the host already has, which the pass passes over.
  int64_t receiptsSkip = 0;
  // The counters go to the host less the base's.
  bool countersDelta = false;
};

// Judges the new read `now` against `base`. `prefixLines` and `prefixHash`: the first
// base.receiptLines data lines of the new read's receipt buffer, counted and hashed as
// HashDataLines does (unused when the buffers are not of one function).
ReadJudgement JudgeRead(const ReadSummary& base, const ReadSummary& now, int64_t prefixLines,
                        uint64_t prefixHash);
// What the host has once the pass over `now` is handed over: the read whole, and what it lacks
// but `base` held, when there is a base and the register was not closed since (`judgement`).
ReadSummary HandedAfter(const ReadSummary& now, const ReadSummary* base,
                        const ReadJudgement& judgement);

// The packaging totals the host has per sale date once a pass's files, with their totals
// `booked`, are taken in over what it had (`before`): a file overwrites its date's totals.
// Dates long before the newest are left out, no file of them coming again; so are totals of
// nothing, which a file carries on just as well without them.
std::map<double, ReadSummary::Packaging> BookedPackaging(
    const std::optional<std::map<double, ReadSummary::Packaging>>& before,
    const std::map<double, ReadSummary::Packaging>& booked);

// The first `wanted` data lines of a receipt buffer, counted and hashed as HashDataLines does
// (fewer when the buffer has fewer), taken while the whole buffer is hashed.
struct ReceiptPrefix {
  int64_t wanted = 0;
  int64_t lines = 0;
  uint64_t hash = 0;
};

// The hash of the data lines ("$" first, as written) of a receipt buffer output, line ends left
// out; `lines` is the number of data lines hashed. With `limit` >= 0 no more than that many are.
// With `prefix`, also the hash of its first lines. False when the file cannot be read.
bool HashDataLines(const std::string& path, int64_t limit, int64_t& lines, uint64_t& hash,
                   ReceiptPrefix* prefix = nullptr);

// The summary of what the host has of the register's day, kept in the exchange directory from
// the first store of a port-mode import on, and written anew after every pass; it goes only
// when a person removes it.
class HandedOver {
 public:
  // The summary of the exchange directory `workDir` (ending in a separator).
  HandedOver() = default;
  explicit HandedOver(std::string workDir);

  std::string Path() const;
  // Reads the summary; false when there is none. An error when it cannot be read or is
  // damaged.
  bool Read(ReadSummary& summary) const;
  // Writes it whole; an error when it cannot.
  void Write(const ReadSummary& summary);

  // Sums up the outputs that lie in the exchange directory now, as read from `identity`'s
  // register on `day` with `settings`, the counters through `runner`'s reader, and with
  // `prefix` the first lines of the receipt buffer summed up: the buffer of function
  // `receipts` when both lie there, else method 4's. The read error naming a receipt buffer
  // that cannot be read; a counters output that cannot be read counts as not read, its reader
  // in the import refusing it where it is used.
  ReadSummary Summarize(const ElzabRunner& runner, const std::string& identity, double day,
                        const PassSettings& settings, ReceiptPrefix* prefix = nullptr,
                        int receipts = 0) const;

 private:
  std::string Output(int function) const;

  std::string dir_;
};

// The note of the read whose outputs lie in the exchange directory ("odczyt.txt"), written
// before the programs read the register.
class ReadNoteFile {
 public:
  ReadNoteFile() = default;
  explicit ReadNoteFile(std::string workDir);

  std::string Path() const;
  bool Exists() const;
  // Reads the note; false when there is none. An error when it cannot be read or is damaged.
  bool Read(ReadNote& note) const;
  // Writes it; an error naming the file when it cannot.
  void Write(const ReadNote& note);
  // Removes it, quietly: a note that stays is written anew by the next read.
  void Remove();

 private:
  std::string dir_;
};
