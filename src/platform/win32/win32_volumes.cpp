// Drive letters, volumes, mount points and the Windows folders.
#include "platform/win32/win32_system_impl.h"

namespace platform {

namespace {

// Calls a "fill this buffer, return the length" function, growing the
// buffer when the answer did not fit.
template <typename Fill>
std::wstring GrowingString(Fill fill) {
  std::wstring buf(MAX_PATH + 1, L'\0');
  for (int tries = 0; tries < 4; ++tries) {
    UINT n = fill(buf.data(), UINT(buf.size()));
    if (n == 0) return L"";
    if (n < buf.size()) return buf.substr(0, n);
    buf.assign(size_t(n) + 1, L'\0');
  }
  return L"";
}

}  // namespace

std::wstring Win32System::GetLogicalDriveStrings() {
  // The length Windows reports leaves out the final terminator of the
  // double-NUL list; keep it, as callers walk the list up to it.
  std::wstring list = GrowingString([](wchar_t* b, UINT n) { return UINT(::GetLogicalDriveStringsW(n, b)); });
  list.push_back(L'\0');
  return list;
}

uint32_t Win32System::GetDriveType(const std::wstring& root) { return ::GetDriveTypeW(root.c_str()); }

std::vector<std::wstring> Win32System::FindVolumes() {
  std::vector<std::wstring> names;
  wchar_t name[MAX_PATH + 1];
  HANDLE find = ::FindFirstVolumeW(name, MAX_PATH + 1);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    names.push_back(name);
  } while (::FindNextVolumeW(find, name, MAX_PATH + 1));
  ::FindVolumeClose(find);
  return names;
}

bool Win32System::GetVolumeInformation(const std::wstring& root, std::wstring* fileSystemName) {
  wchar_t fs[MAX_PATH + 1] = {};
  if (!::GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, fs, MAX_PATH + 1)) return false;
  *fileSystemName = fs;
  return true;
}

bool Win32System::GetDiskFreeSpace(const std::wstring& root, DiskFreeSpace* space) {
  DWORD spc = 0, bps = 0, freeClusters = 0, total = 0;
  if (!::GetDiskFreeSpaceW(root.c_str(), &spc, &bps, &freeClusters, &total)) return false;
  *space = {spc, bps, freeClusters, total};
  return true;
}

bool Win32System::SetVolumeMountPoint(const std::wstring& mountPoint, const std::wstring& volumeName) {
  return ::SetVolumeMountPointW(mountPoint.c_str(), volumeName.c_str()) != FALSE;
}

bool Win32System::DeleteVolumeMountPoint(const std::wstring& mountPoint) {
  return ::DeleteVolumeMountPointW(mountPoint.c_str()) != FALSE;
}

std::wstring Win32System::GetWindowsDirectory() {
  return GrowingString([](wchar_t* b, UINT n) { return ::GetWindowsDirectoryW(b, n); });
}

std::wstring Win32System::GetSystemDirectory() {
  return GrowingString([](wchar_t* b, UINT n) { return ::GetSystemDirectoryW(b, n); });
}

}  // namespace platform
