// The main window's doors to tasks that live in other modules, and the
// tasks whose wizards are not part of this build. A pending task's command
// draws its tile faded, greys its menu item and adds a line to its
// description; every task of this build has its wizard, so the list is
// empty.
#include <array>

#include "app/wizards.h"
#include "health/health_wizard.h"
#include "tools/install_driver_page.h"
#include "tools/launchers.h"
#include "tools/shadow_copy.h"

namespace app {

namespace {

constexpr std::array<int, 0> kPendingTasks{};

}  // namespace

bool TaskPending(int command) {
  for (int c : kPendingTasks)
    if (c == command) return true;
  return false;
}

void OpenDriverInstallation() { tools::RunDriverInstallation(); }
void OpenDiskHealth() { health::RunDiskHealth(); }
void LaunchBootableUsbMaker() { tools::LaunchBootableUsbMaker(); }
void SendShadowQuit() { tools::SendShadowQuit(); }

}  // namespace app
