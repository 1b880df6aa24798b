// The driver's own texts, translated through the host's language link. Every text of the
// driver lives in one translation module; a null key gives the text as it is.
#pragma once

#include <string>

std::string ElzabText(const char* key, const char* text);
