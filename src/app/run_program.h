// Starting an external program and waiting for it to end.
#pragma once

#include <string>

namespace app {

// CreateProcessW with the command line and the folder "X:\Windows\System32",
// then polls: exit code, 100 ms sleep, and while the program still runs
// (at most 30000 polls) a wait of up to 4000 ms. True when it started.
bool WaitForProgram(const std::wstring& program, const std::wstring& commandLine);

}  // namespace app
