// Facts about the running process that the platform knows: where its own file lies.
#pragma once

#include <string>

namespace pictova {

// The full path of the running executable (the file the process was started from), or ""
// when the platform cannot tell.
std::string ExecutablePath();

}  // namespace pictova
