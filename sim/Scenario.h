// Sales rung up on a simulated register from a small text (see sim/README.md, "Scenario").
#pragma once

#include <string>

#include "sim/Register.h"

namespace sim {

// Applies the scenario (UTF-8 text, or Windows-1250 when it is no UTF-8) to `reg`: documents go to
// the receipt buffer, sales to the counters and the cashier's statistics, the clock follows the
// scenario's date and time. On the first error nothing is kept: `reg` is left as it was and `error`
// says which line and why.
bool RunScenario(Register& reg, const std::string& text, std::string& error);

// The daily report: counters, receipt buffer and cashier statistics back to zero.
void CloseDay(Register& reg);

}  // namespace sim
