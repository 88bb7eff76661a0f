#include "partition/ccformat.h"

#include <algorithm>
#include <cstdio>

#include "app/language.h"
#include "app/progress_meter.h"
#include "disk/disk_access.h"
#include "partition/create_request.h"
#include "partition/format_request.h"
#include "partition/layout_slots.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"
#include "ui/window.h"

namespace partition {

using app::T;

void CCFormat::OnInit(ui::Window& w) {
  w.SetText(0, T(L"IDS_PartitionFormatCAP"));
  w.SetText(IDC_CF_START, T(L"IDS_CancelFormat"));
  w.SetText(win::IDCANCEL, T(L"IDS_Cancel"));
  w.SetText(IDC_CF_TEXT, T(L"IDS_FormattingDrive") + L": " + letter_ + L":");
  w.SetText(IDC_CF_PERCENT, L"");
  w.SetText(IDC_PROGRESS_DETAIL, L"");
  w.Show(IDC_PROGRESS, false);
  w.SetTimer(kStartTimer, 1);
}

void CCFormat::OnTimer(ui::Window& w, unsigned id) {
  // The first tick lets the dialog appear; the second starts the format.
  if (id != kStartTimer || running_ || ++ticks_ < 2) return;
  w.KillTimer(kStartTimer);
  w.Enable(IDC_CF_START, false);
  platform::Cursor old = platform::Sys().SetCursor(platform::Cursor::Wait);
  running_ = true;
  outcome_ = Run(w);
  running_ = false;
  platform::Sys().SetCursor(old);
  w.Close(outcome_ == FormatOutcome::Formatted ? win::IDOK : win::IDCANCEL);
}

void CCFormat::OnCancel(ui::Window& w) {
  if (!running_) {
    outcome_ = FormatOutcome::Cancelled;
    w.Close(win::IDCANCEL);
    return;
  }
  if (w.MessageBox(T(L"IDS_CancelFormatMsg"), win::MB_YESNO | win::MB_ICONQUESTION) != win::IDYES) return;
  // Only the waiting ends; the library call runs on.
  cancelled_ = true;
  FormatProgress.done = true;
}

void CCFormat::ShowPercent(ui::Window& w, int percent) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "(%02d%%)", percent);
  w.SetPos(IDC_PROGRESS, percent);
  w.SetText(IDC_CF_PERCENT, text::Widen(buf));
}

FormatOutcome CCFormat::Run(ui::Window& w) {
  auto& sys = platform::Sys();
  w.Show(IDC_PROGRESS, true);
  w.SetRange(IDC_PROGRESS, 0, 100);
  ShowPercent(w, 0);
  platform::Handle h = disk::OpenVolumeHandle(letter_);
  if (!platform::IsValid(h)) return FormatOutcome::Failed;
  uint32_t got = 0;
  for (int attempt = 0; attempt < 22; ++attempt) {
    if (sys.DeviceIoControl(h, win::FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &got)) break;
    ui::Wait(200);
  }
  sys.DeviceIoControl(h, win::FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0, &got);
  sys.CloseHandle(h);

  FormatProgress.percent = 0;
  FormatProgress.completions = 0;
  FormatProgress.succeeded = false;
  FormatProgress.done = false;
  FormatRequestRecord request = FormatRequest;
  if (!sys.StartThread([request] { RunFormatEx(request); })) {
    ui::CurrentHost().Diagnostic(L"CreateThread failed");
    return FormatOutcome::Failed;
  }
  app::ProgressMeter meter;
  meter.Start(sys.GetTickCount());
  const uint64_t bytes = sectors_ * disk::kSectorBytes;
  while (!FormatProgress.done) {
    // A question answered meanwhile (Cancel? No) is no time of the format's.
    uint32_t before = sys.GetTickCount();
    w.PumpMessages();
    meter.Pause(uint32_t(sys.GetTickCount() - before));
    ui::Wait(200);
    int percent = FormatProgress.percent;
    ShowPercent(w, percent);
    meter.Sample(sys.GetTickCount(), bytes * uint64_t(std::clamp(percent, 0, 100)) / 100, bytes);
    w.SetText(IDC_PROGRESS_DETAIL, meter.DetailText(true));
  }
  bool succeeded = FormatProgress.succeeded && !cancelled_;
  if (succeeded) {
    ShowPercent(w, 100);
    w.Redraw(0);
    ui::Wait(200);
  }
  w.SetText(IDC_CF_PERCENT, L"");
  w.SetText(IDC_PROGRESS_DETAIL, L"");
  w.Show(IDC_PROGRESS, false);
  if (cancelled_) return FormatOutcome::Cancelled;
  return succeeded ? FormatOutcome::Formatted : FormatOutcome::Failed;
}

FormatOutcome FormatByDriveLetter(wchar_t letter, uint64_t regionSectors) {
  const CreatePartitionRequestRecord& r = CreatePartitionRequest;
  int code = PartitionTypeForFileSystem(r.fileSystem);
  if (code == -1) {
    ui::MessageBox(T(L"IDS_SelectPartitionType"), win::MB_OK | win::MB_ICONEXCLAMATION);
    return FormatOutcome::NotStarted;
  }
  letter = text::UpperAscii(letter);
  if (letter < L'A' || letter > L'Z') {
    ui::MessageBox(T(L"IDS_cannotformat"), win::MB_OK | win::MB_ICONEXCLAMATION);
    return FormatOutcome::Failed;
  }
  FormatRequest = FormatRequestRecord{};
  FormatRequest.driveIndex = letter - L'A';
  FormatRequest.quick = r.formatOption == kQuickFormat;
  if (code != 7) {
    uint64_t mb = regionSectors / 2048;
    // FAT holds at most 4 GiB, FAT32 as the library makes it 32 GiB.
    if (mb > 4095 && code < 7) code = 0x0C;
    if (mb > 32767) code = 7;
  }
  FormatRequest.fileSystemCode = code;
  FormatRequest.fat32 = code > 10;
  if (FormatRequest.fat32 && regionSectors < kFat32MinSectors) {
    ui::MessageBox(T(L"IDS_Fat32TooSmall"), win::MB_OK | win::MB_ICONEXCLAMATION);
    return FormatOutcome::NotStarted;
  }
  CCFormat dialog(letter, regionSectors);
  ui::RunModal(dialog);
  if (dialog.Outcome() == FormatOutcome::Failed)
    ui::MessageBox(T(L"IDS_cannotformat"), win::MB_OK | win::MB_ICONEXCLAMATION);
  return dialog.Outcome();
}

}  // namespace partition
