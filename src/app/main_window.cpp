#include "app/main_window.h"

#include "app/about_dialog.h"
#include "app/app_state.h"
#include "app/boot_fix.h"
#include "app/help_file.h"
#include "app/language.h"
#include "app/restart_dialog.h"
#include "app/shutdown.h"
#include "app/wizards.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"

namespace app {

namespace {

const Tile kTiles[] = {
    {IDC_TILE_ONECLICK, ui::Picture::OneClick, L"ID_ACTIONS_ONECLICK", L"IDS_OneClickDesc", ID_ACTIONS_ONECLICK},
    {IDC_TILE_DUPLICATE, ui::Picture::Duplicate, L"ID_ACTIONS_DUPLICATEDISK", L"IDS_DuplicateDiskDesc",
     ID_ACTIONS_DUPLICATEDISK},
    {IDC_TILE_FILES, ui::Picture::FilesFolders, L"ID_ACTIONS_FILES", L"IDS_FileFolderDesc", ID_ACTIONS_FILES},
    {IDC_TILE_DELETE, ui::Picture::Delete, L"ID_ACTIONS_DELETEDISK", L"IDS_DeleteDiskDesc", ID_ACTIONS_DELETEDISK},
    {IDC_TILE_SCAN, ui::Picture::Scan, L"ID_ACTIONS_SCANNEWDISK", L"IDS_ScanDiskDesc", ID_ACTIONS_SCANNEWDISK},
    {IDC_TILE_PARTMANAGER, ui::Picture::PartitionManager, L"IDS_CreatePartCAP", L"IDS_PartMDesc",
     ID_ACTIONS_PARTITIONMANAGER},
    {IDC_TILE_PARTVIEW, ui::Picture::PartitionView, L"IDS_ViewDiskParCap", L"IDS_ViewDiskParH2",
     ID_ACTIONS_PARTITIONVIEW},
    {IDC_TILE_HEALTH, ui::Picture::DiskHealth, L"IDS_DiskHealthH1", L"IDS_DiskHealthH2", ID_ACTIONS_DISKHEALTH},
    {IDC_TILE_BOOTUSB, ui::Picture::BootableUsb, L"IDS_BootableUSB", L"IDS_BootableUSBDesc",
     ID_ACTIONS_CREATEBOOTABLEUSB},
};

// The Actions menu names all nine tasks in the order of the tiles.
const int kMenuCommands[] = {ID_ACTIONS_ONECLICK,          ID_ACTIONS_DUPLICATEDISK,    ID_ACTIONS_FILES,
                             ID_ACTIONS_DELETEDISK,        ID_ACTIONS_SCANNEWDISK,      ID_ACTIONS_PARTITIONMANAGER,
                             ID_ACTIONS_PARTITIONVIEW,     ID_ACTIONS_DISKHEALTH,       ID_ACTIONS_CREATEBOOTABLEUSB,
                             ID_ACTIONS_DRIVERINSTALLATION, ID_ACTIONS_EXIT,            ID_HELP_VEKTRELHELP,
                             ID_HELP_ABOUTVEKTREL};
const wchar_t* const kMenuKeys[] = {
    L"ID_ACTIONS_ONECLICK",          L"ID_ACTIONS_DUPLICATEDISK", L"ID_ACTIONS_FILES",
    L"ID_ACTIONS_DELETEDISK",        L"ID_ACTIONS_SCANNEWDISK",   L"ID_ACTIONS_PARTITIONMANAGER",
    L"ID_ACTIONS_PARTITIONVIEW",     L"ID_ACTIONS_DISKHEALTH",    L"ID_ACTIONS_CREATEBOOTABLEUSB",
    L"ID_ACTIONS_DRIVERINSTALLATION", L"ID_ACTIONS_EXIT",         L"ID_HELP_VEKTRELHELP",
    L"ID_HELP_ABOUTVEKTREL"};
static_assert(sizeof kMenuCommands / sizeof kMenuCommands[0] == sizeof kMenuKeys / sizeof kMenuKeys[0]);

const Tile* FindTile(int id) {
  for (const Tile& t : kTiles)
    if (t.id == id) return &t;
  return nullptr;
}

}  // namespace

const Tile* MainWindowTiles(int* count) {
  *count = int(sizeof kTiles / sizeof kTiles[0]);
  return kTiles;
}

void ResetWizardSelections() {}

int CQobDlg::TemplateId() const { return IDD_MAIN; }

std::wstring CQobDlg::ClockText(uint64_t elapsedSeconds) {
  // Windows PE restarts itself after 72 hours; the clock shows what is left.
  const uint64_t limit = 72ull * 3600;
  uint64_t left = elapsedSeconds >= limit ? 0 : limit - elapsedSeconds;
  char buf[32];
  if (left >= 3600)
    std::snprintf(buf, sizeof buf, "%02u:%02u:%02u", unsigned(left / 3600), unsigned(left / 60 % 60),
                  unsigned(left % 60));
  else
    std::snprintf(buf, sizeof buf, "%02u:%02u", unsigned(left / 60), unsigned(left % 60));
  return T(L"IDS_RemainWINPETime") + L": " + text::Widen(buf);
}

void CQobDlg::OnInit(ui::Window& w) {
  std::wstring title = AppCaption;
  // The simulated PC's own name says "simulated PC" in English already.
  if (!platform::Sys().SimulationName().empty()) title += L" - " + T(L"IDS_SimulatedMachine");
  w.SetText(0, title);
  for (size_t i = 0; i < sizeof kMenuCommands / sizeof kMenuCommands[0]; ++i)
    w.SetMenuText(kMenuCommands[i], T(kMenuKeys[i]));
  w.SetMenuPopupText(0, T(L"ID_POPUP"));
  w.SetMenuPopupText(1, T(L"ID_POPUPNAME1"));
  if (!IsWinPE) w.RemoveMenuItem(ID_ACTIONS_DRIVERINSTALLATION, true);
  for (int command : kMenuCommands)
    if (TaskPending(command)) w.Enable(command, false);
  int n = 0;
  for (const Tile& t : kTiles) {
    w.SetPicture(t.id, t.picture, false, false);
    w.SetPictureDimmed(t.id, TaskPending(t.command));
    w.Enable(IDC_TILE_LABEL_FIRST + n, !TaskPending(t.command));
    w.SetText(IDC_TILE_LABEL_FIRST + n++, WithoutAccessKey(T(t.captionKey)));
  }
  // The first tile has the focus when the window opens.
  Select(w, kTiles[0]);
  w.Show(IDC_CLOCK, IsWinPE);
  if (IsWinPE) {
    BootFixAtStartup();
    w.SetTimer(kClockTimer, 1000);
    w.SetText(IDC_CLOCK, ClockText(platform::Sys().GetTickCount() / 1000));
  }
  if (text::UpperAscii(CommandLine) == L"/B ONECLICK") {
    oneClickTicks_ = 0;
    w.SetTimer(kOneClickTimer, 200);
  }
}

void CQobDlg::OnTimer(ui::Window& w, unsigned id) {
  if (id == kClockTimer) {
    w.SetText(IDC_CLOCK, ClockText(platform::Sys().GetTickCount() / 1000));
  } else if (id == kOneClickTimer) {
    if (++oneClickTicks_ < 5) return;
    w.KillTimer(kOneClickTimer);
    if (AskRestart(T(L"IDS_OTB"), T(L"IDS_STARTNOW"), T(L"IDS_Cancel"))) {
      StartedFromCommandLine = true;
      ResetWizardSelections();
      RunQuickDuplicate(true);
      StartedFromCommandLine = false;
    }
  }
}

void CQobDlg::OnHover(ui::Window& w, int id) {
  if (id == hot_) return;
  if (const Tile* old = FindTile(hot_)) w.SetPicture(old->id, old->picture, false, old->id == selected_);
  hot_ = FindTile(id) ? id : -1;
  if (const Tile* t = FindTile(hot_)) w.SetPicture(t->id, t->picture, true, t->id == selected_);
}

void CQobDlg::OnFocus(ui::Window& w, int id) {
  // The description box never keeps the focus.
  if (id == IDC_DESCRIPTION) w.SetFocus(IDC_TILE_ONECLICK);
  if (const Tile* t = FindTile(id)) Select(w, *t);
}

void CQobDlg::Select(ui::Window& w, const Tile& t) {
  if (const Tile* old = FindTile(selected_); old && old != &t)
    w.SetPicture(old->id, old->picture, old->id == hot_, false);
  selected_ = t.id;
  w.SetPicture(t.id, t.picture, t.id == hot_, true);
  std::wstring text = T(t.descriptionKey);
  if (TaskPending(t.command)) text += L"\n\n" + T(L"IDS_NotAvailable");
  w.SetText(IDC_DESCRIPTION, text);
}

void CQobDlg::OnMessage(ui::Window& w, unsigned message, uintptr_t) {
  if (message == ui::kMsgDeviceArrival || message == ui::kMsgDeviceRemoved) QuickDuplicateDiskCheck();
}

void CQobDlg::OnCommand(ui::Window& w, int id) {
  if (const Tile* t = FindTile(id)) {
    Select(w, *t);
    w.Redraw(0);
    RunCommand(w, t->command, true);
    return;
  }
  RunCommand(w, id, false);
}

void CQobDlg::RunCommand(ui::Window& w, int command, bool fromTile) {
  switch (command) {
    case ID_ACTIONS_DUPLICATEDISK:
      // The tile finishes a pending boot repair first; the menu item never does.
      if (fromTile && BootFixFromDuplicateTile()) return;
      ResetWizardSelections();
      OpenDuplicationWizard();
      break;
    case ID_ACTIONS_DELETEDISK:
      ResetWizardSelections();
      OpenDeletionWizard();
      break;
    case ID_ACTIONS_SCANNEWDISK:
      ResetWizardSelections();
      OpenScanWizard();
      break;
    case ID_ACTIONS_FILES:
      ResetWizardSelections();
      OpenFileCopyWizard();
      break;
    case ID_ACTIONS_ONECLICK:
      ResetWizardSelections();
      RunQuickDuplicate(false);
      break;
    case ID_ACTIONS_DRIVERINSTALLATION:
      if (IsWinPE) OpenDriverInstallation();
      break;
    case ID_ACTIONS_PARTITIONMANAGER:
      ResetWizardSelections();
      OpenPartitionManager();
      break;
    case ID_ACTIONS_PARTITIONVIEW:
      ResetWizardSelections();
      OpenPartitionView();
      break;
    case ID_ACTIONS_DISKHEALTH:
      OpenDiskHealth();
      break;
    case ID_ACTIONS_CREATEBOOTABLEUSB:
      LaunchBootableUsbMaker();
      break;
    case ID_ACTIONS_EXIT:
      Exit(w);
      break;
    case ID_HELP_VEKTRELHELP:
      Help();
      break;
    case ID_HELP_ABOUTVEKTREL: {
      CAboutDlg about;
      ui::RunModal(about);
      break;
    }
    default:
      break;
  }
}

void CQobDlg::OnCancel(ui::Window& w) { Exit(w); }

void CQobDlg::Exit(ui::Window& w) {
  if (platform::Sys().IsWow64Process()) SendShadowQuit();
  if (IsWinPE) {
    if (w.MessageBox(T(L"IDS_EXITSYSTEM"), win::MB_YESNO | win::MB_ICONQUESTION | win::MB_TASKMODAL) != win::IDYES)
      return;
    Shutdown(1);
    w.Close(win::IDOK);
    return;
  }
  platform::Sys().ExitProcess(0);
}

void CQobDlg::Help() {
  auto& sys = platform::Sys();
  std::wstring file = HelpFilePath();
  if (IsWinPE)
    sys.ShellExecute(L"open", L"opera.exe", file, L"", win::SW_SHOW);
  else
    sys.ShellExecute(L"open", file, L"", L"", win::SW_SHOW);
}

}  // namespace app
