// Facts about the machine the program itself runs on (not the machine it
// works on): where its executable lies and whether its output is a terminal.
#pragma once

#include <string>

namespace platform {

std::string ExecutableDirectory();  // UTF-8 host path
bool StdoutIsTerminal();
bool StderrIsTerminal();
// Makes the console show UTF-8 output (Windows); nothing elsewhere.
void PrepareConsole();
std::string GetEnv(const char* name);

}  // namespace platform
