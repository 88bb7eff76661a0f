#include "app/run_program.h"

#include "platform/system.h"
#include "platform/winapi.h"
#include "ui/window.h"

namespace app {

bool WaitForProgram(const std::wstring& program, const std::wstring& commandLine) {
  auto& sys = platform::Sys();
  platform::Handle process = sys.CreateProcess(program, commandLine, L"X:\\Windows\\System32");
  if (process == platform::kNullHandle) return false;
  uint32_t code = win::STILL_ACTIVE;
  for (int polls = 0;;) {
    if (!sys.GetExitCodeProcess(process, &code)) break;
    ui::Wait(100);
    ++polls;
    if (code != win::STILL_ACTIVE || polls > 30000) break;
    sys.WaitForSingleObject(process, 4000);
  }
  sys.CloseHandle(process);
  return true;
}

}  // namespace app
