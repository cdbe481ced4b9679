// torv-render as a function: the program's main() calls it, and tests call it in-process.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Runs the command line `args` (without the program name). Results go to `out`, errors and the
// usage text to `err`, progress to standard error. Returns the exit status: 0 done, 1 failure,
// 2 bad command line.
int runRender(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
