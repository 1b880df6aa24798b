#include "elzab/elxregister.h"

#include <string>

#include "elzab/elxfunctions.h"
#include "elzab/elxrunner.h"
#include "elzab/elxsession.h"
#include "elzab/elxtext.h"
#include "hostlib/Exceptions.h"
#include "hostlib/TxTools.h"
#include "platform/Env.h"
#include "support/TLJWords.h"

ElzabRegister::ElzabRegister(ElzabSession& session, ElzabRunner& runner)
    : session_(session), runner_(runner) {}

// ----- Identification -----------------------------------------------------------------------

namespace {

// The model the register's own model name (upper-cased) names, first match wins, and the name
// shown for it. A Mini or Jota without "ONLINE" is none the driver knows.
const char* Recognise(const std::string& upper, e_Type& type) {
  auto has = [&](const char* part) { return upper.find(part) != std::string::npos; };
  if (has("K10") && has("ONLINE")) return type = t_K10_Online, "K10 ONLINE";
  if (has("K10")) return type = t_K10, "K10";
  if (has("MINI") && has("ONLINE")) return type = t_Mini_Online, "Mini ONLINE";
  if (has("JOTA") && has("ONLINE")) return type = t_Jota_Online, "Jota ONLINE";
  if (has("SIGMA")) return type = t_Sigma, "Sigma";
  return type = t_Default, "<nie rozpoznano>";
}

}  // namespace

void ElzabRegister::Show(TLJWords& fields, const char* shown) {
  session_.MsgAdd(ElzabText("bSTestConnMsgAddAnsiStri", "Numer urządzenia: ") + fields[1], LPV_None,
                  100);
  session_.MsgAdd(ElzabText("bSTestConnMsgAddAnsiStri_00001", "Model kasy: ") + fields[3], LPV_None,
                  100);
  session_.MsgAdd(
      ElzabText("bSTestConnMsgAddAnsiStri_00002", "Maksymalna ilość PLU w kasie: ") + fields[4],
      LPV_None, 100);
  session_.MsgAdd(ElzabText("bSTestConnMsgAddAnsiStri_00003", "Numer generacji kasy: ") + fields[5],
                  LPV_None, 100);
  session_.MsgAdd(
      ElzabText("bSTestConnMsgAddAnsiStri_00004", "Numer wersji programu kasy: ") + fields[6],
      LPV_None, 100);
  session_.MsgAdd(std::string("Rozpoznano model: ") + shown +
                      " [ Ilość PLU:" + std::to_string(cfgPLUMax_) +
                      " | Długość nazwy towaru:" + std::to_string(cfgNameMax_) + " ]",
                  LPV_None, 100);
}

void ElzabRegister::CheckType(bool print) {
  session_.MsgAdd(ElzabText("KSElzabSTestConnMsgAdd", "Odczyt typu kasy ..."), LPV_None, 100);
  runner_.Execute(fnRegisterType);
  session_.MsgS(LPV_Ok);
  const std::string outPath = runner_.FNameFile(fnRegisterType, 2, false);
  platform::Env* env = platform::CurrentEnv();
  auto removeWorkingFiles = [&] {
    env->RemoveFile(runner_.FNameFile(fnRegisterType, 1, false));
    env->RemoveFile(outPath);
  };
  try {
    std::string fourth;
    bool hasFourth = false;
    {
      OutputLines out(runner_, outPath, OutputLines::kTell);
      if (!out.Complete()) {
        throw Exception(
            ElzabText("KSElzabSOutputExceptio_00001", "plik urwany, ostatni wiersz niepełny"));
      }
      for (int i = 0; i < 4 && (hasFourth = out.Next(fourth)); ++i) {
      }
      out.Close();
    }
    TLJWords fields("\t");
    fields.Init(fourth.empty() ? fourth : fourth.substr(1));
    // The register always writes its own number: an identification line without one is
    // damaged, and a model or capacity read from it would only be guessed.
    int deviceNumber = 0;
    if (hasFourth && !TxTools::TryStrToInt(TxTools::Trim(fields[1]), deviceNumber)) {
      throw Exception(ElzabText("KSElzabSOutputExceptio_00002", "nieczytelny wiersz ") + "4");
    }
    const std::string upper = TxTools::UpperCase(fields[3]);
    const char* shown = Recognise(upper, cfgType_);
    number_ = hasFourth ? std::to_string(deviceNumber) : std::string();
    modelName_ = shown;
    cfgPLUMax_ = TxTools::StrToIntDef(TxTools::Trim(fields[4]), 10000);
    cfgNameMax_ = cfgType_ == t_Sigma ? 48 : 40;
    if (print) Show(fields, shown);
    removeWorkingFiles();
  } catch (const std::exception& e) {
    removeWorkingFiles();
    const Exception* own = dynamic_cast<const Exception*>(&e);
    throw Exception(ElzabText("KSElzabSTestConnExceptio", "Błąd odczytu pliku raportu ") + outPath +
                    " " + (own != nullptr ? own->Message() : std::string(e.what())));
  }
}

// ----- VAT table ----------------------------------------------------------------------------

void ElzabRegister::GetVatFromECR() {
  session_.MsgAdd(ElzabText("KSElzabSGetVatFrMsgAdd", "Odczyt tablicy stawek VAT z kasy"), LPV_None,
                  100);
  runner_.Execute(fnReadVat);
  session_.MsgS(LPV_Ok);
  const std::string path = runner_.FNameFile(fnReadVat, 2, false);
  int damaged = 0;
  try {
    OutputLines out(runner_, path, OutputLines::kTell);
    TLJWords fields("\t");
    while (out.NextData(fields)) {
      for (int i = 0; i < 7; ++i) {
        const std::string field = TxTools::TrimSpaces(fields[i]);
        if (field == "ZWOLNIONA") {
          vatRates_[i] = -1;
        } else if (field == "REZERWA") {
          vatRates_[i] = 999;
        } else {
          // A rate is digits with a comma (or a point); anything else is a damaged table, and
          // reading it as 0 would give goods the wrong rate on a fiscal register.
          if (field.find_first_not_of("0123456789,.+- ") != std::string::npos && damaged == 0) {
            damaged = out.Line();
          }
          vatRates_[i] = TxTools::LeadingInt(TxTools::DeleteChars(field, ","));
        }
      }
    }
    out.Close();
    if (!out.Complete() && damaged == 0) damaged = -1;
  } catch (const Exception&) {
    throw Exception(ElzabText("KSElzabSGetVatFrExceptio", "Błąd odczytu pliku :") + path);
  }
  if (damaged == -1) runner_.CheckOutputComplete(path);
  if (damaged > 0) runner_.ThrowDamagedOutput(path, damaged);
}

int ElzabRegister::VatLetter(int rate) const {
  for (int slot = 1; slot <= 7; ++slot) {
    if (vatRates_[slot - 1] == rate) return slot;
  }
  return 999;
}
