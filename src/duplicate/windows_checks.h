// Recognising Windows systems on volumes. root is "X:" or a volume path
// such as "\\?\Volume{...}" (without its trailing backslash); each check is
// a search for a file or folder, true when something is found.
#pragma once

#include <string>

namespace duplicate {

// "\NTDETECT.COM": an older Windows that starts from its own partition.
bool HasOlderWindows(const std::wstring& root);
// "\WINDOWS\SYSTEM32".
bool HasWindowsSystemFolder(const std::wstring& root);
// "\BOOT\BCD": the boot configuration of a newer Windows.
bool HasBootConfiguration(const std::wstring& root);
// A folder matching "\win*.*" that holds "\system32\kernel32.dll".
bool HasWindowsKernel(const std::wstring& root);

}  // namespace duplicate
