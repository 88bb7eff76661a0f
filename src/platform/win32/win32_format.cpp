// The format library: fmifs.dll's FormatEx, loaded from the system folder.
#include <string>
#include <vector>

#include "platform/win32/win32_system_impl.h"

namespace platform {

namespace {

using FmifsCallback = BOOLEAN(WINAPI*)(int command, DWORD subAction, void* argument);
using FormatExFn = void(WINAPI*)(wchar_t* root, DWORD mediaType, wchar_t* fileSystem, wchar_t* label, BOOL quick,
                                 DWORD clusterBytes, FmifsCallback callback);

// FormatEx calls back on the calling thread, through a plain function
// without a context argument: the caller's callback waits here meanwhile.
thread_local const System::FormatCallback* t_callback = nullptr;

BOOLEAN WINAPI Relay(int command, DWORD subAction, void* argument) {
  return t_callback && (*t_callback)(uint32_t(command), subAction, argument) ? TRUE : FALSE;
}

std::vector<wchar_t> Writable(const std::wstring& s) { return std::vector<wchar_t>(s.c_str(), s.c_str() + s.size() + 1); }

}  // namespace

bool Win32System::FormatEx(const std::wstring& root, uint32_t mediaType, const std::wstring& fileSystem,
                           const std::wstring& label, bool quick, uint32_t clusterBytes,
                           const FormatCallback& callback) {
  // A full path: never a copy of the library planted beside the program.
  HMODULE lib = ::LoadLibraryW((GetSystemDirectory() + L"\\fmifs.dll").c_str());
  if (!lib) return false;
  auto fn = reinterpret_cast<FormatExFn>(reinterpret_cast<void*>(::GetProcAddress(lib, "FormatEx")));
  if (!fn) {
    ::FreeLibrary(lib);
    return false;
  }
  std::vector<wchar_t> r = Writable(root), fs = Writable(fileSystem), l = Writable(label);
  const FormatCallback* outer = t_callback;
  t_callback = &callback;
  fn(r.data(), mediaType, fs.data(), l.data(), quick ? TRUE : FALSE, clusterBytes, Relay);
  t_callback = outer;
  ::FreeLibrary(lib);
  return true;
}

}  // namespace platform
