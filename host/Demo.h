// The demo: with no set-up at all, a simulated register, a configuration for it and a
// small export file are made in a temporary folder, and the driver is run against them the
// way a back office would: connection test, export, a day of sales, import.
#pragma once

#include <string>

#include "host/App.h"
#include "host/MessageRenderer.h"

namespace tvkhost {

int RunDemo(const AppOptions& options, MessageRenderer& renderer);

// The demo's export file (Windows-1250, CR LF): goods with Polish names, groups, units and
// rates.
std::string DemoExportFile();

}  // namespace tvkhost
