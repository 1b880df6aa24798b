// The operation object's answer to what its collaborators need of it (ElzabSession, and
// ElzabExportReports for the export): each call goes to the framework's action.
#pragma once

#include "elzab/elxsession.h"
#include "plugin/KSAction.h"

class ActionSession final : public ElzabSession, public ElzabExportReports {
 public:
  explicit ActionSession(KSAction& action) : a_(action) {}
  ActionSession(const ActionSession&) = delete;
  ActionSession& operator=(const ActionSession&) = delete;

  void MsgAdd(const std::string& text, LPVState state, int max) override {
    a_.MsgAdd(text, state, max);
  }
  void MsgP(int progress) override { a_.MsgP(progress); }
  void MsgS(LPVState state) override { a_.MsgS(state); }
  TMLgExtTools* GetLgLink() const override { return a_.GetLgLink(); }
  void DodajKomunikat(int significance, const std::string& text) override {
    a_.DodajKomunikat(significance, text);
  }
  void SetLastLineStatus(int significance, const std::string& status) override {
    a_.ZmienOstatniKomunikat(significance, a_.PodajOstatniKomunikat(true) + '\x01' + status);
  }
  bool CzyPrzerwac() override { return a_.CzyPrzerwac(); }
  bool HostCanAbort() const override { return a_.HostCanAbort(); }
  void ZajmijZasobSterownika(const std::string& resource) override {
    a_.ZajmijZasobSterownika(resource);
  }
  void ZwolnijZasobSterownika(const std::string& resource) override {
    a_.ZwolnijZasobSterownika(resource);
  }
  void ZapiszKasaImp() override { a_.ZapiszKasaImp(); }
  void ZapiszWynikEksportu() override { a_.ZapiszWynikEksportu(); }
  const std::string& ExchangeDir() const override { return a_.FKatalogWymiany; }
  int DeviceNumber() const override { return a_.FNrUrzadzenia; }
  std::string ShortenPathName(const std::string& path) override { return a_.ShortenPathName(path); }
  std::string FNameKEXP() const override { return a_.FNameKEXP(); }
  std::string FNameWEXP() const override { return a_.FNameWEXP(); }
  std::string FNameKIMP() const override { return a_.FNameKIMP(); }
  std::string FNameKARC() const override { return a_.FNameKARC(); }
  TLTools& Tools() override { return a_.tools; }
  void SetExpBuf(KSExpBuf* buffer) override { a_.exp_buf = buffer; }
  void AddWarning(const std::string& text, TErrorLog* log) override { a_.AddWarning(text, log); }
  void LogWarnings(TErrorLog* log, const std::string& before, const std::string& after,
                   LPVState state) override {
    a_.LogWarnings(log, before, after, state);
  }
  void ShowTowInfo(bool all) override { a_.ShowTowInfo(all); }
  void ShowTotalValue(KSImpBuf* buffer) override { a_.ShowTotalValue(buffer); }

 private:
  KSAction& a_;
};
