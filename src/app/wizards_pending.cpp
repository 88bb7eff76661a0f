// Tasks whose wizards are not part of this build yet.
#include "app/language.h"
#include "app/wizards.h"
#include "platform/winapi.h"
#include "ui/window.h"

namespace app {

namespace {
void NotAvailable() { ui::MessageBox(T(L"IDS_NotAvailable"), win::MB_OK | win::MB_ICONINFORMATION); }
}  // namespace

void OpenDuplicationWizard() { NotAvailable(); }
void OpenFileCopyWizard() { NotAvailable(); }
void RunQuickDuplicate(bool) { NotAvailable(); }
void QuickDuplicateDiskCheck() {}
void OpenDriverInstallation() { NotAvailable(); }
void OpenDiskHealth() { NotAvailable(); }
void LaunchBootableUsbMaker() { NotAvailable(); }
void SendShadowQuit() {}

}  // namespace app
