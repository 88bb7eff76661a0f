// The program's version: one number for the whole program, set by the
// build from the project's version.
#pragma once

#include <string>

namespace app {

// "1.0.0"
std::wstring VersionText();
// The product name with its version ("Vektrel 1.0.0"), as About, the delete
// report and the console show it.
std::wstring ProductVersionText();

}  // namespace app
