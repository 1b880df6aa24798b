// The seventeen ELZAB communication programs, as one register-side implementation that
// looks at the name it was started under.
#pragma once

#include <string>
#include <vector>

namespace sim {

// The program of that file name (any case, with or without ".exe"); nullptr when none is.
struct ProgramDef;
const ProgramDef* FindProgram(const std::string& fileName);
// The canonical name of a program given in any case ("zbptowar.exe" -> "ZBPTowar.exe");
// empty when there is no such program.
std::string CanonicalProgramName(const std::string& name);
// All seventeen names, in the order of the function table.
std::vector<std::string> ProgramNames();

// Runs one program with its command-line arguments (input path, then the output path for
// the programs that have one) in the current directory, which holds KONFIG.TXT. Writes
// RAPORT.TXT there and returns the exit code: 0 on success, the register's error code on
// failure.
int RunProgram(const ProgramDef& program, const std::vector<std::string>& args);

}  // namespace sim
