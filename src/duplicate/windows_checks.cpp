#include "duplicate/windows_checks.h"

#include <vector>

#include "platform/system.h"
#include "platform/winapi.h"

namespace duplicate {

using platform::Sys;

namespace {

bool Exists(const std::wstring& path) {
  std::vector<platform::FindData> found;
  return Sys().FindFiles(path, &found) && !found.empty();
}

}  // namespace

bool HasOlderWindows(const std::wstring& root) { return Exists(root + L"\\NTDETECT.COM"); }

bool HasWindowsSystemFolder(const std::wstring& root) { return Exists(root + L"\\WINDOWS\\SYSTEM32"); }

bool HasBootConfiguration(const std::wstring& root) { return Exists(root + L"\\BOOT\\BCD"); }

bool HasWindowsKernel(const std::wstring& root) {
  std::vector<platform::FindData> found;
  if (!Sys().FindFiles(root + L"\\win*.*", &found)) return false;
  for (const platform::FindData& f : found)
    if ((f.attributes & win::FILE_ATTRIBUTE_DIRECTORY) && Exists(root + L"\\" + f.name + L"\\system32\\kernel32.dll"))
      return true;
  return false;
}

}  // namespace duplicate
