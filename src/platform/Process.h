// Facts about the running process that the platform knows: where its own file lies.
#pragma once

#include <string>
#include <vector>

namespace pictova {

// The full path of the running executable (the file the process was started from), or ""
// when the platform cannot tell.
std::string ExecutablePath();

// The arguments the process was started with, after the program's name, as the C run-time
// received them (on Linux the shell has already split and unquoted them).
std::vector<std::string> ProcessArguments();

}  // namespace pictova
