// File metadata and volume labels: attributes, security descriptors, short
// names, times and sizes, each passed to the Windows function of that name.
#include "platform/win32/win32_system_impl.h"

namespace platform {

namespace {

uint64_t FromFileTime(const FILETIME& t) { return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

FILETIME ToFileTime(uint64_t v) {
  FILETIME t;
  t.dwLowDateTime = DWORD(v);
  t.dwHighDateTime = DWORD(v >> 32);
  return t;
}

// SetFileShortNameW needs the restore privilege, which an administrator has
// but does not hold enabled.
void EnableRestorePrivilege() {
  static bool done = false;
  if (done) return;
  done = true;
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return;
  TOKEN_PRIVILEGES tp = {};
  tp.PrivilegeCount = 1;
  tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (::LookupPrivilegeValueW(nullptr, L"SeRestorePrivilege", &tp.Privileges[0].Luid))
    ::AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr);
  ::CloseHandle(token);
}

}  // namespace

bool Win32System::FindFiles(const std::wstring& pattern, std::vector<FindData>* found) {
  found->clear();
  WIN32_FIND_DATAW fd;
  HANDLE find = ::FindFirstFileW(pattern.c_str(), &fd);
  if (find == INVALID_HANDLE_VALUE) return false;
  do {
    FindData d;
    d.name = fd.cFileName;
    d.attributes = fd.dwFileAttributes;
    d.size = (uint64_t(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
    d.shortName = fd.cAlternateFileName;
    d.times = {FromFileTime(fd.ftCreationTime), FromFileTime(fd.ftLastAccessTime), FromFileTime(fd.ftLastWriteTime)};
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) d.reparseTag = fd.dwReserved0;
    found->push_back(std::move(d));
  } while (::FindNextFileW(find, &fd));
  DWORD error = ::GetLastError();  // ERROR_NO_MORE_FILES
  ::FindClose(find);
  ::SetLastError(error);
  return true;
}

bool Win32System::SetFileAttributes(const std::wstring& path, uint32_t attributes) {
  return ::SetFileAttributesW(path.c_str(), attributes) != FALSE;
}

bool Win32System::RemoveDirectory(const std::wstring& path) { return ::RemoveDirectoryW(path.c_str()) != FALSE; }

bool Win32System::GetFileSecurity(const std::wstring& path, uint32_t information, std::vector<uint8_t>* descriptor) {
  // The first call asks for the size.
  DWORD needed = 0;
  ::GetFileSecurityW(path.c_str(), information, nullptr, 0, &needed);
  if (needed == 0 || needed > (1u << 20)) return false;
  descriptor->assign(needed, 0);
  if (!::GetFileSecurityW(path.c_str(), information, descriptor->data(), needed, &needed)) return false;
  return true;
}

bool Win32System::SetFileSecurity(const std::wstring& path, uint32_t information,
                                  const std::vector<uint8_t>& descriptor) {
  if (descriptor.empty()) return false;
  return ::SetFileSecurityW(path.c_str(), information,
                            const_cast<PSECURITY_DESCRIPTOR>(static_cast<const void*>(descriptor.data()))) != FALSE;
}

std::wstring Win32System::GetShortPathName(const std::wstring& path) {
  DWORD n = ::GetShortPathNameW(path.c_str(), nullptr, 0);
  if (n == 0) return L"";
  std::wstring out(n, L'\0');
  n = ::GetShortPathNameW(path.c_str(), out.data(), n);
  if (n == 0 || n >= out.size()) return L"";
  out.resize(n);
  return out;
}

std::wstring Win32System::GetFinalPathName(const std::wstring& path) {
  HANDLE h = ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return L"";
  std::wstring out(1024, L'\0');
  DWORD n = ::GetFinalPathNameByHandleW(h, out.data(), DWORD(out.size()), FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (n >= out.size()) {
    out.assign(n + 1, L'\0');
    n = ::GetFinalPathNameByHandleW(h, out.data(), DWORD(out.size()), FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  }
  DWORD error = ::GetLastError();
  ::CloseHandle(h);
  if (n == 0 || n >= out.size()) {
    ::SetLastError(error);
    return L"";
  }
  out.resize(n);
  return out;
}

bool Win32System::SetFileShortName(Handle h, const std::wstring& shortName) {
  EnableRestorePrivilege();
  return ::SetFileShortNameW(ToHandle(h), shortName.c_str()) != FALSE;
}

bool Win32System::GetFileTime(Handle h, FileTimes* times) {
  FILETIME c, a, w;
  if (!::GetFileTime(ToHandle(h), &c, &a, &w)) return false;
  *times = {FromFileTime(c), FromFileTime(a), FromFileTime(w)};
  return true;
}

bool Win32System::SetFileTime(Handle h, const FileTimes& times) {
  FILETIME c = ToFileTime(times.creation), a = ToFileTime(times.lastAccess), w = ToFileTime(times.lastWrite);
  return ::SetFileTime(ToHandle(h), times.creation ? &c : nullptr, times.lastAccess ? &a : nullptr,
                       times.lastWrite ? &w : nullptr) != FALSE;
}

bool Win32System::FlushFileBuffers(Handle h) { return ::FlushFileBuffers(ToHandle(h)) != 0; }

bool Win32System::GetFileSize(Handle h, uint64_t* size) {
  LARGE_INTEGER li;
  if (!::GetFileSizeEx(ToHandle(h), &li)) return false;
  *size = uint64_t(li.QuadPart);
  return true;
}

bool Win32System::GetVolumeLabel(const std::wstring& root, std::wstring* label) {
  wchar_t name[MAX_PATH + 1] = {};
  if (!::GetVolumeInformationW(root.c_str(), name, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0))
    return false;
  *label = name;
  return true;
}

bool Win32System::SetVolumeLabel(const std::wstring& root, const std::wstring& label) {
  return ::SetVolumeLabelW(root.c_str(), OrNull(label)) != FALSE;
}

}  // namespace platform
