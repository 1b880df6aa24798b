// Switching the test process to a locale that writes decimals with a comma, as a host may:
// the driver runs in the host's process and shares its C runtime, so what it reads and writes
// must not change. A test runs its case in the C locale, switches, runs it again and compares.
#pragma once

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/Env.h"
#include "testutil/TempDir.h"

namespace testutil {

// Sets the Polish locale (decimal comma) for the whole process; its name, or empty when the
// machine has none. A Linux machine on which locale-gen has not made one (scripts/deps does)
// gets one compiled by localedef into a folder of this test program.
inline std::string SetDecimalCommaLocale() {
#ifdef _WIN32
  for (const char* name : {"Polish_Poland.1250", "Polish", "pl-PL"}) {
    if (const char* set = std::setlocale(LC_ALL, name)) return set;
  }
  return {};
#else
  for (const char* name : {"pl_PL.UTF-8", "pl_PL.utf8", "pl_PL"}) {
    if (const char* set = std::setlocale(LC_ALL, name)) return set;
  }
  static TempDir folder("locale");
  static const bool compiled = [] {
    const std::string command = "localedef -i pl_PL -f UTF-8 '" +
                                platform::NativeText(folder.File("pl_PL.UTF-8")) +
                                "' >/dev/null 2>&1";
    return std::system(command.c_str()) != -1 &&
           setenv("LOCPATH", platform::NativeText(folder.Path()).c_str(), 1) == 0;
  }();
  const char* set = compiled ? std::setlocale(LC_ALL, "pl_PL.UTF-8") : nullptr;
  return set != nullptr ? set : "";
#endif
}

// Switches to the decimal-comma locale and checks that the C runtime now writes "1,5", so
// that a comparison with the C locale can fail. Use with ASSERT_NO_FATAL_FAILURE.
inline void SwitchToDecimalComma() {
  const std::string name = SetDecimalCommaLocale();
  ASSERT_FALSE(name.empty()) << "no Polish locale on this machine (scripts/deps makes one)";
  char buf[16];
  std::snprintf(buf, sizeof(buf), "%.1f", 1.5);
  ASSERT_STREQ(buf, "1,5") << "the locale " << name << " writes no decimal comma";
}

// Puts the process back to the C locale when a test ends, however it ends.
class CLocaleAfterwards {
 public:
  CLocaleAfterwards() = default;
  CLocaleAfterwards(const CLocaleAfterwards&) = delete;
  CLocaleAfterwards& operator=(const CLocaleAfterwards&) = delete;
  ~CLocaleAfterwards() { std::setlocale(LC_ALL, "C"); }
};

}  // namespace testutil
