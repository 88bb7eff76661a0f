// Registry, processes, threads and the process itself.
#include "platform/win32/win32_system_impl.h"

namespace platform {

namespace {

// The roots arrive as their 32-bit values; on 64-bit Windows the HKEY
// constants are those values sign-extended.
HKEY RootKey(uint32_t root) { return reinterpret_cast<HKEY>(static_cast<intptr_t>(static_cast<int32_t>(root))); }
HKEY ToKey(Handle h) { return reinterpret_cast<HKEY>(h); }

DWORD WINAPI ThreadMain(void* param) {
  std::unique_ptr<std::function<void()>> fn(static_cast<std::function<void()>*>(param));
  (*fn)();
  return 0;
}

}  // namespace

long Win32System::RegCreateKey(uint32_t root, const std::wstring& subKey, uint32_t access, Handle* key) {
  HKEY k = nullptr;
  LSTATUS r = ::RegCreateKeyExW(RootKey(root), subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                                &k, nullptr);
  *key = r == ERROR_SUCCESS ? reinterpret_cast<Handle>(k) : kNullHandle;
  return r;
}

long Win32System::RegQueryValue(Handle key, const std::wstring& name, uint32_t* type, std::vector<uint8_t>* data,
                                uint32_t maxBytes) {
  // Never a null buffer: with one, Windows answers the size instead of
  // ERROR_MORE_DATA.
  std::vector<uint8_t> buf(maxBytes ? maxBytes : 1);
  DWORD size = maxBytes, t = 0;
  LSTATUS r = ::RegQueryValueExW(ToKey(key), name.c_str(), nullptr, &t, buf.data(), &size);
  if (r != ERROR_SUCCESS) return r;
  buf.resize(size);
  *type = t;
  *data = std::move(buf);
  return r;
}

long Win32System::RegSetValue(Handle key, const std::wstring& name, uint32_t type, const std::vector<uint8_t>& data) {
  return ::RegSetValueExW(ToKey(key), name.c_str(), 0, type, data.data(), DWORD(data.size()));
}

long Win32System::RegCloseKey(Handle key) { return ::RegCloseKey(ToKey(key)); }

MutexResult Win32System::CreateMutex(const std::wstring& name) {
  HANDLE h = ::CreateMutexW(nullptr, FALSE, name.c_str());
  return {FromHandle(h), ::GetLastError()};
}

Handle Win32System::CreateProcess(const std::wstring& application, const std::wstring& commandLine,
                                  const std::wstring& currentDirectory) {
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  std::wstring line = commandLine;  // CreateProcessW may write into it
  if (!::CreateProcessW(OrNull(application), line.empty() ? nullptr : line.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, OrNull(currentDirectory), &si, &pi))
    return kNullHandle;
  ::CloseHandle(pi.hThread);
  return FromHandle(pi.hProcess);
}

bool Win32System::GetExitCodeProcess(Handle process, uint32_t* code) {
  DWORD c = 0;
  if (!::GetExitCodeProcess(ToHandle(process), &c)) return false;
  *code = c;
  return true;
}

uint32_t Win32System::WaitForSingleObject(Handle h, uint32_t milliseconds) {
  return ::WaitForSingleObject(ToHandle(h), milliseconds);
}

intptr_t Win32System::ShellExecute(const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,
                                   const std::wstring& directory, int show) {
  HINSTANCE r = ::ShellExecuteW(nullptr, OrNull(verb), file.c_str(), OrNull(parameters), OrNull(directory), show);
  return reinterpret_cast<intptr_t>(r);
}

bool Win32System::IsWow64Process() {
  // Looked up at run time: the first releases of XP and Windows PE 1.x lack it.
  using Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
  auto fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "IsWow64Process")));
  BOOL wow = FALSE;
  return fn && fn(::GetCurrentProcess(), &wow) && wow;
}

OsVersion Win32System::GetVersion() {
  // GetVersionExW reports 6.2 to programs without a Windows 10 manifest
  // entry; the kernel's own call always tells the truth.
  OsVersion v;
  RTL_OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof info;
  using Fn = LONG(WINAPI*)(RTL_OSVERSIONINFOW*);
  auto fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
  if (!fn || fn(&info) != 0) {
    OSVERSIONINFOW old = {};
    old.dwOSVersionInfoSize = sizeof old;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!::GetVersionExW(&old)) return v;
#pragma GCC diagnostic pop
    info.dwMajorVersion = old.dwMajorVersion;
    info.dwMinorVersion = old.dwMinorVersion;
    info.dwBuildNumber = old.dwBuildNumber;
    info.dwPlatformId = old.dwPlatformId;
  }
  v.major = info.dwMajorVersion;
  v.minor = info.dwMinorVersion;
  v.build = info.dwBuildNumber;
  v.platformId = info.dwPlatformId;
  return v;
}

std::wstring Win32System::GetModuleFileName() {
  std::wstring buf(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), DWORD(buf.size()));
    if (n == 0) return L"";
    if (n < buf.size()) return buf.substr(0, n);
    if (buf.size() >= 32768) return buf;
    buf.resize(buf.size() * 2);  // truncated: long path
  }
}

std::wstring Win32System::GetCommandLineArguments() {
  // What the C runtime hands WinMain: the program name skipped (up to its
  // closing quote when quoted, else up to the first blank), then the blanks.
  const wchar_t* p = ::GetCommandLineW();
  if (*p == L'"') {
    ++p;
    while (*p && *p != L'"') ++p;
    if (*p == L'"') ++p;
  } else {
    while (*p > L' ') ++p;
  }
  while (*p && *p <= L' ') ++p;
  return p;
}

void Win32System::ExitProcess(uint32_t code) { ::ExitProcess(code); }

bool Win32System::ExitWindows(uint32_t flags, uint32_t reason) {
  // Shutting down needs SeShutdownPrivilege enabled in our own token.
  HANDLE token;
  if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    TOKEN_PRIVILEGES tp = {};
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (::LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &tp.Privileges[0].Luid))
      ::AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr);
    ::CloseHandle(token);
  }
  return ::ExitWindowsEx(flags, reason) != FALSE;
}

bool Win32System::StartThread(std::function<void()> fn) {
  auto* heap = new std::function<void()>(std::move(fn));
  HANDLE h = ::CreateThread(nullptr, 0, ThreadMain, heap, 0, nullptr);
  if (!h) {
    delete heap;
    return false;
  }
  ::CloseHandle(h);
  return true;
}

}  // namespace platform
