#include "platform/host_info.h"

#include <cstdlib>
#include <filesystem>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "platform/text.h"

namespace platform {

std::string ExecutableDirectory() {
#ifdef _WIN32
  wchar_t buf[MAX_PATH * 4];
  DWORD n = ::GetModuleFileNameW(nullptr, buf, DWORD(sizeof buf / sizeof buf[0]));
  std::wstring path(buf, n);
  size_t slash = path.find_last_of(L"\\/");
  return text::ToUtf8(slash == std::wstring::npos ? L"." : path.substr(0, slash));
#else
  std::error_code ec;
  auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return ".";
  return p.parent_path().string();
#endif
}

bool StdoutIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stdout)) != 0;
#else
  return isatty(STDOUT_FILENO) != 0;
#endif
}

bool StderrIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(STDERR_FILENO) != 0;
#endif
}

void PrepareConsole() {
#ifdef _WIN32
  ::SetConsoleOutputCP(CP_UTF8);
#endif
}

std::string GetEnv(const char* name) {
#ifdef _WIN32
  std::wstring wname = text::Widen(name);
  const wchar_t* v = _wgetenv(wname.c_str());
  return v ? text::ToUtf8(v) : std::string();
#else
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
#endif
}

}  // namespace platform
