// The tasks the main window starts, one function per wizard. Each lives in
// its subsystem's folder; tasks not built yet answer with a message.
#pragma once

namespace app {

void OpenDuplicationWizard();            // the duplication's source page
void OpenDeletionWizard();               // secure deletion
void OpenScanWizard();                   // bad-sector scan
void OpenFileCopyWizard();               // files and folders
void RunQuickDuplicate(bool fromCommandLine);
void QuickDuplicateDiskCheck();          // after a device arrived or left
void OpenDriverInstallation();           // Windows PE only
void OpenPartitionManager();
void OpenPartitionView();
void OpenDiskHealth();
void LaunchBootableUsbMaker();
// Asks the shadow-copy helper to quit (WOW64).
void SendShadowQuit();

}  // namespace app
