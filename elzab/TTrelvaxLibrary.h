// The ELZAB STX driver's library: its description of itself to the host (type, properties,
// window descriptions, the parameter table with its list texts) and its operation factory.
#pragma once

#include <string>

#include "plugin/TKSLibrary.h"

class TTrelvaxLibrary : public TKSLibrary {
 public:
  explicit TTrelvaxLibrary(HTVKCBARG1 arg1) : TKSLibrary(arg1) {}
  TKSActionBase* UtworzAkcje(HTVKCBARG2 arg2) override;
  BOOL PokazOkno(TKSActionBase*, int, bool, int*, char*) override { return 0; }
};

// A parameter as a message names it: the label the host shows, then its key, as in
// "\"LAN - port IP kasy\" (ElzabSTXIPPort)"; the key alone for a name the table lacks.
std::string ParameterShown(const std::string& name);

// Parameter types of the parameter table.
enum TypParametru {
  tpBrak = 0,     // no parameter at this group and index
  tpTekst = 1,    // free text
  tpPort = 3,     // connection port chosen from its list
  tpLiczba = 4,   // integer
  tpData = 5,     // date
  tpKatalog = 6,  // directory
  tpLista = 7,    // choice from its list
};
