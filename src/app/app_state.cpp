#include "app/app_state.h"

#include "platform/text.h"

namespace app {

std::wstring CommandLine;
std::wstring AppDirectory;
bool IsWinPE = false;
std::wstring AppCaption = L"Vektrel";
std::wstring BootFixTarget;
bool StartedFromCommandLine = false;
SingleInstanceGuardRecord SingleInstanceGuard;

void CreateSingleInstanceGuard() {
  platform::MutexResult r = platform::Sys().CreateMutex(kSingleInstanceMutex);
  SingleInstanceGuard.mutex = r.handle;
  SingleInstanceGuard.creationError = r.error;
}

void ReadStartupValues() {
  CommandLine = platform::Sys().GetCommandLineArguments();
  std::wstring module = platform::Sys().GetModuleFileName();
  size_t slash = module.rfind(L'\\');
  AppDirectory = slash == std::wstring::npos ? L"" : module.substr(0, slash);
  IsWinPE = !AppDirectory.empty() && text::UpperAscii(AppDirectory[0]) == L'X';
}

void ResetAppState() {
  CommandLine.clear();
  AppDirectory.clear();
  IsWinPE = false;
  AppCaption = L"Vektrel";
  BootFixTarget.clear();
  StartedFromCommandLine = false;
  SingleInstanceGuard = {};
}

}  // namespace app
