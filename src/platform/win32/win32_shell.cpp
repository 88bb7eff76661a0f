// Started programs that are waited for, named pipes, and the shadow-copy
// helper libraries.
#include "platform/win32/win32_system_impl.h"

namespace platform {

namespace {

// The helper libraries' exports: the volume root in, the path of its shadow
// copy out (owned by the library, valid until its next call).
using ShadowCopyFn = const wchar_t*(__cdecl*)(const wchar_t* root);
using DeleteShadowCopyFn = void(__cdecl*)();

}  // namespace

Handle Win32System::ShellExecuteEx(const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,
                                   const std::wstring& directory, int show) {
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = OrNull(verb);
  info.lpFile = file.c_str();
  info.lpParameters = OrNull(parameters);
  info.lpDirectory = OrNull(directory);
  info.nShow = show;
  if (!::ShellExecuteExW(&info) || !info.hProcess) return kNullHandle;
  return FromHandle(info.hProcess);
}

bool Win32System::WaitNamedPipe(const std::wstring& name, uint32_t milliseconds) {
  return ::WaitNamedPipeW(name.c_str(), milliseconds) != FALSE;
}

bool Win32System::SetNamedPipeHandleState(Handle pipe, uint32_t mode) {
  DWORD m = mode;
  return ::SetNamedPipeHandleState(ToHandle(pipe), &m, nullptr, nullptr) != FALSE;
}

bool Win32System::PeekNamedPipe(Handle pipe, uint32_t* bytesAvailable, uint32_t* messageBytesLeft) {
  DWORD available = 0, left = 0;
  if (!::PeekNamedPipe(ToHandle(pipe), nullptr, 0, nullptr, &available, &left)) return false;
  *bytesAvailable = available;
  *messageBytesLeft = left;
  return true;
}

Handle Win32System::LoadShadowLibrary(const std::wstring& name) {
  // Libraries come from the program's folder or the system's, never from
  // the current folder.
  ::SetDllDirectoryW(L"");
  HMODULE m = ::LoadLibraryW(name.c_str());
  if (!m) return kNullHandle;
  if (!::GetProcAddress(m, "ShadowCopy") || !::GetProcAddress(m, "DeleteShadowCopy")) {
    ::FreeLibrary(m);
    return kNullHandle;
  }
  return reinterpret_cast<Handle>(m);
}

bool Win32System::ShadowCopy(Handle library, const std::wstring& root, std::wstring* shadowPath) {
  auto fn = reinterpret_cast<ShadowCopyFn>(
      reinterpret_cast<void*>(::GetProcAddress(reinterpret_cast<HMODULE>(library), "ShadowCopy")));
  if (!fn) return false;
  const wchar_t* path = fn(root.c_str());
  if (!path) return false;
  // A reply longer than any path Windows accepts is not believed.
  size_t n = 0;
  while (n <= 32767 && path[n]) ++n;
  if (n > 32767) return false;
  shadowPath->assign(path, n);
  return true;
}

bool Win32System::DeleteShadowCopy(Handle library) {
  auto fn = reinterpret_cast<DeleteShadowCopyFn>(
      reinterpret_cast<void*>(::GetProcAddress(reinterpret_cast<HMODULE>(library), "DeleteShadowCopy")));
  if (!fn) return false;
  fn();
  return true;
}

void Win32System::FreeShadowLibrary(Handle library) {
  if (library) ::FreeLibrary(reinterpret_cast<HMODULE>(library));
}

}  // namespace platform
