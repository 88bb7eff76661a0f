// Start-up values every part of the program reads.
#pragma once

#include <cstdint>
#include <string>

#include "platform/system.h"

namespace app {

extern std::wstring CommandLine;   // as the process received it, without the program path
extern std::wstring AppDirectory;  // the program's folder, without a trailing backslash
extern bool IsWinPE;               // the program runs from a Windows PE medium (its folder is on X:)
extern std::wstring AppCaption;    // caption of every message box
extern std::wstring BootFixTarget; // the drive text read from a boot-fix marker ("E:")
// Set while a quick duplicate runs that the command line started.
extern bool StartedFromCommandLine;

struct SingleInstanceGuardRecord {
  platform::Handle mutex = platform::kNullHandle;
  uint32_t creationError = 0;
};
extern SingleInstanceGuardRecord SingleInstanceGuard;
inline constexpr const wchar_t* kSingleInstanceMutex = L"Local\\{B5436CCA-6E9F-4428-B6D3-D4574B80AC03}";

// Creates the single-instance mutex; done before the application starts.
void CreateSingleInstanceGuard();
// Fills CommandLine, AppDirectory and IsWinPE from the running process.
void ReadStartupValues();
void ResetAppState();

}  // namespace app
