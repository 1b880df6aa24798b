// elzabsim: one program under many names. Copied as each of ELZAB's communication programs
// it acts as that program against the simulated register; as ecrsim it is the control
// program.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/Console.h"
#include "platform/Env.h"
#include "sim/Control.h"
#include "sim/Programs.h"
#include "sim/Text.h"

int main(int argc, char** argv) {
  std::string name = platform::FileNameOf(platform::ExecutablePath());
  if (name.empty() && argc > 0) name = platform::FileNameOf(argv[0]);
  // The simulator holds Windows-1250, as the register's files are; a POSIX terminal types UTF-8.
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(platform::FromNativeText(argv[i]));
  if (const sim::ProgramDef* program = sim::FindProgram(name)) {
    return sim::RunProgram(*program, args);
  }
  std::string base = sim::Upper(name);
  if (base.rfind("ECRSIM", 0) == 0 || base.rfind("ELZABSIM", 0) == 0) {
    return sim::RunControl(args);
  }
  platform::WriteConsoleText(
      stderr, "elzabsim: started as " + sim::Cp1250ToUtf8(name) + ", which is no ELZAB program\n");
  return 2;
}
