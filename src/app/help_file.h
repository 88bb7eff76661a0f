// The help page that Help in the main window opens.
#pragma once

#include <string>

namespace app {

// AppDirectory + "\Help\ja\index.htm" when the program speaks Japanese and
// that page is there; AppDirectory + "\Help\index.htm" otherwise, so that a
// medium without the translated help still opens the English one.
std::wstring HelpFilePath();

}  // namespace app
