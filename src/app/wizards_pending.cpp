// Tasks whose wizards are not part of this build yet. Each stands in for
// its wizard with a message, and kPendingTasks names its command, which
// draws its tile faded, greys its menu item and adds a line to its
// description. A wizard that lands takes its stub and its row out of
// this file together (the stub would clash with it at link time), and its
// tile comes alive.
#include "app/language.h"
#include "app/main_window.h"
#include "app/wizards.h"
#include "health/health_wizard.h"
#include "tools/install_driver_page.h"
#include "tools/launchers.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"
#include "ui/window.h"

namespace app {

namespace {

const int kPendingTasks[] = {ID_ACTIONS_ONECLICK};

void NotAvailable() { ui::MessageBox(T(L"IDS_NotAvailable"), win::MB_OK | win::MB_ICONINFORMATION); }

}  // namespace

bool TaskPending(int command) {
  for (int c : kPendingTasks)
    if (c == command) return true;
  return false;
}

void RunQuickDuplicate(bool) { NotAvailable(); }
void QuickDuplicateDiskCheck() {}
void OpenDriverInstallation() { tools::RunDriverInstallation(); }
void OpenDiskHealth() { health::RunDiskHealth(); }
void LaunchBootableUsbMaker() { tools::LaunchBootableUsbMaker(); }
void SendShadowQuit() {}

}  // namespace app
