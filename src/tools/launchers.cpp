#include "tools/launchers.h"

#include "app/app_state.h"
#include "platform/system.h"
#include "platform/winapi.h"
#include "tools/run_and_wait.h"
#include "ui/window.h"

namespace tools {

void LaunchBootableUsbMaker() {
  // The window drains its queue while it waits, so the tile can be pressed
  // again meanwhile.
  static bool running = false;
  if (running) return;
  running = true;
  RunAndWait(app::AppDirectory + L"\\Resources\\Pelmora.exe", L"", kUsbMakerWaitMs);
  running = false;
}

void LaunchBootableUsbTool() {
  auto& sys = platform::Sys();
  sys.ShellExecute(L"open", app::AppDirectory + L"\\Tools\\PelmoraT.exe", L"", L"", win::SW_SHOWNORMAL);
  for (uint32_t waited = 0; waited < kUsbToolPauseMs; waited += 100) {
    sys.Sleep(100);
    ui::PumpMessages();
  }
}

}  // namespace tools
