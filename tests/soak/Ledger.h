// What a back office books from the import files it was given, as canonical lines that say
// the same whichever way the driver read the register:
//   goods 20260105 plu=12 qty=2000 value=700         per sale date and code, summed
//   finance 20260105 FPLATN_KARTA=1250               each non-zero money total
//   hour 20260105 8 value=1821 baskets=1 lines=3     each hourly line
//   cashier 20260105 KAS_STANKASY=2296               each value of the cashier section
//   doc PARAGON t=202601050805 k=1 card=123 nip= buyer= lines=1:1000:649:0,... pay=0:649:1:0
// and, for a record that contradicts itself, "malformed ..." (never expected).
#pragma once

#include <string>
#include <vector>

namespace soak {

// A document's canonical line. `lines` are "plu:qty:value:discount", `pays`
// "form:amount:last:deferred".
std::string DocLine(const std::string& kind, const std::string& when, int cashier,
                    const std::string& card, const std::string& nip, const std::string& buyer,
                    const std::vector<std::string>& lines, const std::vector<std::string>& pays);

// The canonical lines of the import files' bytes (Windows-1250), sorted.
std::vector<std::string> ReadLedger(const std::vector<std::string>& files);

// The lines only one side holds, each marked "- " (expected, missing) or "+ " (imported,
// not expected); empty when they agree. Both inputs sorted.
std::vector<std::string> Differences(const std::vector<std::string>& expected,
                                     const std::vector<std::string>& imported);

}  // namespace soak
