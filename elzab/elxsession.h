// What the driver's collaborators (the program runner, the register, the packaging list, the
// goods export and the sales import) need of the operation they work for, and nothing more: the
// host's message list, the abort check, the host's two stores, the exchange directory's paths
// and the device number, the code-page converter that also archives working files, and the
// import's summary; the export's warnings and summaries are ElzabExportReports. The operation
// answers both; no collaborator reaches the dispatcher.
#pragma once

#include <string>

#include "exchange/MessageSink.h"

class KSExpBuf;
class KSImpBuf;
class TErrorLog;
class TLTools;

class ElzabSession : public MessageSink {
 public:
  // ----- The host's message list, beyond MsgAdd, MsgP and MsgS ----------------------------
  // Adds a line of `significance` (0 normal, 1 warning, 2 error).
  virtual void DodajKomunikat(int significance, const std::string& text) = 0;
  // Gives the last line `significance` and `status` after its text (its status part until
  // now dropped).
  virtual void SetLastLineStatus(int significance, const std::string& status) = 0;

  // ----- Stopping ---------------------------------------------------------------------------
  // Whether the host asks the operation to stop; true when the host cannot be asked.
  virtual bool CzyPrzerwac() = 0;
  // Whether the host registered its abort service at all.
  virtual bool HostCanAbort() const = 0;

  // ----- The host's shared resource, which program runs on one register hold in turn ------
  // Returns once `resource` is held; the abort error when the host asks to stop meanwhile.
  virtual void ZajmijZasobSterownika(const std::string& resource) = 0;
  virtual void ZwolnijZasobSterownika(const std::string& resource) = 0;

  // ----- The host's stores: an exception when the host refuses --------------------------
  // Asks the host to take in the import file (FNameKIMP).
  virtual void ZapiszKasaImp() = 0;
  // Asks the host to store the export result (FNameWEXP).
  virtual void ZapiszWynikEksportu() = 0;

  // ----- The exchange directory -----------------------------------------------------------
  // The device's exchange directory as the host gives it, ending in a separator.
  virtual const std::string& ExchangeDir() const = 0;
  // The device number the host gave the operation.
  virtual int DeviceNumber() const = 0;
  // The system's short form of an existing path; other paths come back unchanged.
  virtual std::string ShortenPathName(const std::string& path) = 0;
  // The host's export file, the export result, the import file and the import file's archive.
  virtual std::string FNameKEXP() const = 0;
  virtual std::string FNameWEXP() const = 0;
  virtual std::string FNameKIMP() const = 0;
  virtual std::string FNameKARC() const = 0;
  // The code-page converter, which also archives working files.
  virtual TLTools& Tools() = 0;

  // The sales value of an import buffer as one summary line.
  virtual void ShowTotalValue(KSImpBuf* buffer) = 0;
};

// What the goods export needs beyond the session: the framework's warnings and the summaries of
// the goods being sent.
class ElzabExportReports {
 public:
  virtual ~ElzabExportReports() = default;
  // The export buffer being sent, which the summaries count; null once it is gone.
  virtual void SetExpBuf(KSExpBuf* buffer) = 0;
  // A warning into `log`, or to the host's list when there is no log.
  virtual void AddWarning(const std::string& text, TErrorLog* log) = 0;
  // Reports a log: a count line, at most 20 lines, and a line for the rest.
  virtual void LogWarnings(TErrorLog* log, const std::string& before, const std::string& after,
                           LPVState state) = 0;
  // The export buffer's goods by status (with `all`, the empty counts too).
  virtual void ShowTowInfo(bool all) = 0;
};
