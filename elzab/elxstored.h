// The days the host took in from the outputs of a read, kept in "zapisane.txt" beside them: an
// import that stopped after some of its stores (a full disk, a file another program holds, a
// host that died) is repeated over the same outputs, and must not hand those days over again.
// The record names the outputs it describes and holds only for them; it goes with them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "elzab/elxrecords.h"

class StoredDays {
 public:
  // The record of the exchange directory `workDir` (ending in a separator).
  StoredDays() = default;
  explicit StoredDays(std::string workDir);

  std::string Path() const;

  // How a pass reads the outputs lying there now: with the import date and settings they were
  // first read with, skipping the days the host has, when the record describes them.
  struct Settled {
    double importDate = 0;
    PassSettings settings;
    std::vector<double> days;  // the days the host already has
    std::string changed;       // outputs written anew since the record, which was dropped
    // True when every output the record names still lies there, so that each day it holds
    // must come out of the pass again.
    bool whole = false;
  };
  // Settles a pass over the outputs lying there now; without a record, or with one that no
  // longer describes them (dropped: `changed` names the files), `importDate` and `settings`
  // hold. Errors: a day whose hand-over was cut off (only a person can tell whether the host
  // has it), a damaged record, a record that cannot be read or removed.
  Settled Settle(double importDate, const PassSettings& settings);

  // The settings the outputs are read with after all, when they are not the parameters'
  // (those the host's share of the register day was read with), to be noted with the days.
  void ReadWith(const PassSettings& settings) { settings_ = settings; }
  // Notes in the record that `day` is being handed over, in a file of sales value `value` (zł),
  // the `later` part of a register day the host has an earlier part of, before the host is
  // asked anything; an error when it cannot.
  void Mark(double day, double value, bool later);
  // Takes the note back after a refused store; quiet, since the refusal is the error to show.
  void Unmark();
  // Adds `day` as taken in, written whole before anything else happens; an error when it
  // cannot.
  void Add(double day);
  // Whether the host took `day` in from these outputs.
  bool Has(double day) const;
  bool Empty() const { return days_.empty(); }
  // Removes the record; an error when it stays.
  void Remove();
  // Forgets the days once the outputs are gone.
  void Forget() { days_.clear(); }

 private:
  // The outputs of the sales read that lie in the exchange directory now.
  std::vector<OutputStamp> StampOutputs() const;
  // Writes the record anew, whole, with the day being stored when `storing` has one.
  // Exception on failure.
  void Write(const StoredDaysRecord& storing);

  std::string dir_;
  double importDate_ = 0;
  PassSettings settings_;
  std::vector<OutputStamp> outputs_;  // the outputs the current pass reads
  std::vector<double> days_;
};
