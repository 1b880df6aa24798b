#include "elzab/elxtext.h"

#include "hostlib/TMLgExtTools.h"
#include "plugin/TKSLibrary.h"

namespace {

constexpr const char* kModule = "trelvax_elxaction";

}  // namespace

std::string ElzabText(const char* key, const char* text) {
  return key != nullptr ? TMLgExtTools::Get(ksLgLink, kModule, key, text) : std::string(text);
}
