#include "app/shutdown.h"

#include "app/app_state.h"
#include "platform/system.h"
#include "platform/winapi.h"

namespace app {

void Shutdown(int mode) {
  auto& sys = platform::Sys();
  if (IsWinPE) {
    sys.ShellExecute(L"open", L"wpeutil.exe", L"shutdown", sys.GetSystemDirectory(), win::SW_HIDE);
    return;
  }
  static const uint32_t kFlags[] = {win::EWX_REBOOT, win::EWX_SHUTDOWN, win::EWX_POWEROFF, win::EWX_LOGOFF};
  uint32_t flags = (mode >= 0 && mode <= 3) ? kFlags[mode] : win::EWX_SHUTDOWN;
  // Planned, operating system, upgrade.
  sys.ExitWindows(flags | win::EWX_FORCE, 0x80020003u);
}

}  // namespace app
