#pragma once

#include <string>
#include <vector>

namespace zel {

// The window and the tray live in a program of their own, so that the
// monitor without a window never loads a widget library. These are the
// places it is looked for, given the folder of the running program: beside
// it (a build tree), then in the package's libexec folder.
std::vector<std::string> windowProgramCandidates(const std::string& programFolder);

// Replaces this process with the window program, same arguments (and, on
// Windows, runs it and returns its exit status). Returns only on failure,
// with a message on standard error and exit status 1.
int runWindowProgram(char** argv);

} // namespace zel
