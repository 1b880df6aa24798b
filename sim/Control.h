// ecrsim: the control program of the simulated registers, for people and tests.
#pragma once

#include <string>
#include <vector>

namespace sim {

// Runs one ecrsim command line (without the program name). Returns the exit code: 0 on
// success, 1 when the command failed, 2 on wrong use; messages go to stderr.
int RunControl(const std::vector<std::string>& args);

}  // namespace sim
