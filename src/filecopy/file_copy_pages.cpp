#include "filecopy/file_copy_pages.h"

#include <algorithm>

#include "app/app_state.h"
#include "app/format_size.h"
#include "app/language.h"
#include "erase/page_texts.h"
#include "filecopy/file_copy_job.h"
#include "filecopy/filecopy_ids.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"

namespace filecopy {

namespace {

using app::T;

std::wstring Size(uint64_t bytes) { return app::FormatSize((bytes + 511) / 512); }

// Under the result: the files not copied and what was left out on purpose,
// each with why, the first few of each list and then how many more.
std::wstring ResultDetails(const FileCopyStats& s) {
  constexpr size_t kShown = 10;
  std::wstring out;
  auto list = [&](const wchar_t* heading, const std::vector<FailedFile>& items, size_t count) {
    if (count == 0) return;
    out += L"\n\n" + T(heading);
    size_t shown = std::min(items.size(), kShown);
    for (size_t i = 0; i < shown; ++i) out += L"\n" + items[i].path + L": " + items[i].reason;
    if (count > shown) out += L"\n" + app::FillField(T(L"IDS_FileCopyMore"), L"%N%", text::Dec(uint64_t(count - shown)));
  };
  list(L"IDS_FileCopyNotCopied", s.FileErrors, std::max(s.FileErrors.size(), size_t(std::max(0, s.FileErrorCount))));
  list(L"IDS_FileCopyLeftOut", s.SkippedEntries, std::max(s.SkippedEntries.size(), size_t(std::max(0, s.SkippedCount))));
  return out;
}

void Buttons(ui::Window& w) {
  erase::SetTexts(w, {{IDC_BACK, L"IDS_Back"}, {IDC_NEXT, L"IDS_Next"}, {win::IDCANCEL, L"IDS_Cancel"}});
}

uint64_t FreeBytes(const std::wstring& folder) {
  platform::DiskFreeSpace space;
  if (!platform::Sys().GetDiskFreeSpace(VolumeRootOf(folder), &space)) return 0;
  return uint64_t(space.freeClusters) * space.sectorsPerCluster * space.bytesPerSector;
}

}  // namespace

// ---- page 1

CBackupFiles::CBackupFiles() : tree_(IDC_FC_TREE, true) {}
int CBackupFiles::TemplateId() const { return IDD_BACKUP_FILES; }

void CBackupFiles::OnInit(ui::Window& w) {
  erase::SetHeadings(w, L"IDS_FileFolderFileCAP", L"IDS_FileFolderFileH1", L"IDS_FileFolderFileH2");
  w.SetText(IDC_INSTRUCTION, T(L"IDS_FileFolderFiles1"));
  w.SetText(IDC_FC_NOTE, T(L"IDS_FileFolderFiles2"));
  w.SetText(IDC_FC_SHOW_ITEMS, T(L"IDS_GetSelectedFiles"));
  w.SetText(IDC_FC_SHOW_FOLDERS, T(L"IDS_GetSelectedFolders"));
  Buttons(w);
  w.Enable(IDC_BACK, false);
  tree_.Fill(w);
  // Coming back from page 2, the earlier choice is ticked again.
  for (const SourceEntry& s : CurrentFileCopyJob().SourceList) {
    ui::TreeItem item = tree_.FindPath(w, s.path);
    if (item != ui::kTreeRoot) tree_.SetItemState(w, item, s.isFolder ? kFull : kCheckedFile, 3);
  }
  w.Enable(IDC_NEXT, tree_.AnyTicked(w));
}

void CBackupFiles::OnTreeStateClick(ui::Window& w, int, ui::TreeItem item, bool shift) {
  tree_.OnStateClick(w, item, shift);
  w.Enable(IDC_NEXT, tree_.AnyTicked(w));
}

void CBackupFiles::OnCommand(ui::Window& w, int id) {
  if (id == IDC_FC_SHOW_ITEMS || id == IDC_FC_SHOW_FOLDERS) {
    std::vector<SourceEntry> chosen = tree_.Selection(w);
    std::wstring shown;
    if (id == IDC_FC_SHOW_ITEMS) {
      shown = CFileTreeCtrl::SelectionText(chosen);
    } else {
      for (const SourceEntry& s : chosen)
        if (s.isFolder) shown += (shown.empty() ? L"" : L"\r\n") + s.path;
    }
    w.SetText(IDC_FC_SELECTION, shown.empty() ? T(L"IDS_None") : shown);
    return;
  }
  if (id != IDC_NEXT) return;
  std::vector<SourceEntry> chosen = tree_.Selection(w);
  if (chosen.empty()) {
    w.MessageBox(T(L"IDS_nothing"), win::MB_OK | win::MB_ICONINFORMATION);
    return;
  }
  CurrentFileCopyJob().SourceList = chosen;
  w.Close(IDC_NEXT);
}

// ---- page 2

CBit1::CBit1() : tree_(IDC_FC_TREE, false) {}
int CBit1::TemplateId() const { return IDD_BIT1; }

void CBit1::OnInit(ui::Window& w) {
  erase::SetHeadings(w, L"IDS_FileFolderFileCAP", L"IDS_FileFolderFileH3", L"IDS_FileFolderFileH4");
  w.SetText(IDC_INSTRUCTION, T(L"IDS_FileFolderFileH41"));
  w.SetText(IDC_FC_DEST_LABEL, T(L"IDS_FileDestn"));
  w.SetText(IDC_FC_BROWSE, T(L"IDS_Browse"));
  Buttons(w);
  tree_.Fill(w);
  w.SetText(IDC_FC_DEST, CurrentFileCopyJob().Destination);
  w.Enable(IDC_NEXT, !text::Trim(w.GetText(IDC_FC_DEST)).empty());
}

void CBit1::OnTreeSelect(ui::Window& w, int, ui::TreeItem item) {
  // The group items stand for no folder; a file is not a destination.
  const ItemRecord* r = tree_.Record(item);
  if (!r || !r->isFolder || r->parsingName.empty()) return;
  w.SetText(IDC_FC_DEST, r->parsingName);
  w.Enable(IDC_NEXT, true);
}

void CBit1::OnEditChange(ui::Window& w, int id) {
  if (id == IDC_FC_DEST) w.Enable(IDC_NEXT, !text::Trim(w.GetText(IDC_FC_DEST)).empty());
}

void CBit1::OnCommand(ui::Window& w, int id) {
  if (id == IDC_BACK) {
    CurrentFileCopyJob().Destination = w.GetText(IDC_FC_DEST);
    w.Close(IDC_BACK);
    return;
  }
  if (id == IDC_FC_BROWSE) {
    std::optional<std::wstring> chosen = w.BrowseForFolder(T(L"IDS_ChooseFolder"), !app::IsWinPE);
    if (!chosen) return;
    // A shell item that is no folder, or the system account's profile the
    // picker may offer, empties the box.
    DestinationProblem problem = CheckDestination(*chosen);
    bool refused = problem == DestinationProblem::NotAFolder || problem == DestinationProblem::SystemProfile;
    w.SetText(IDC_FC_DEST, refused ? L"" : *chosen);
    w.Enable(IDC_NEXT, !refused && !text::Trim(*chosen).empty());
    return;
  }
  if (id != IDC_NEXT) return;
  std::wstring dest = text::Trim(w.GetText(IDC_FC_DEST));
  if (AnyOverlaps(CurrentFileCopyJob().SourceList, dest)) {
    w.MessageBox(T(L"IDS_Overlap"), win::MB_OK | win::MB_ICONEXCLAMATION);
    w.SetText(IDC_FC_DEST, L"");
    w.Enable(IDC_NEXT, false);
    return;
  }
  if (CheckDestination(dest) != DestinationProblem::None) {
    w.MessageBox(T(L"IDS_ChooseFolder"), win::MB_OK | win::MB_ICONEXCLAMATION);
    w.SetText(IDC_FC_DEST, L"");
    w.Enable(IDC_NEXT, false);
    return;
  }
  CurrentFileCopyJob().Destination = dest;
  w.Close(IDC_NEXT);
}

// ---- page 3

int CClone1::TemplateId() const { return IDD_CLONE1; }

void CClone1::OnInit(ui::Window& w) {
  FileCopyJob& job = CurrentFileCopyJob();
  erase::SetHeadings(w, L"IDS_CloneFiles", L"IDS_Confirm", L"IDS_FileFolderFileH6");
  w.SetText(IDC_TEXT1, T(L"IDS_Source1"));
  w.SetText(IDC_TEXT2, T(L"IDS_Destination1"));
  w.SetText(IDC_VALUE2, job.Destination);
  w.SetText(IDC_TEXT3, T(L"IDS_FileFolder"));
  w.SetText(IDC_TEXT4, T(L"IDS_Available"));
  w.SetText(IDC_FC_FREE, Size(FreeBytes(job.Destination)));
  w.SetText(IDC_TEXT5, T(L"IDS_Copied"));
  w.SetText(IDC_FC_COPIED, Size(0));
  w.SetText(IDC_TEXT6, T(L"IDS_Progress"));
  w.SetText(IDC_TEXT7, T(L"IDS_ElapsedTime"));
  w.SetText(IDC_ELAPSED, L"00:00:00");
  w.SetText(IDC_TEXT8, T(L"IDS_RemainingTime1"));
  w.SetText(IDC_FC_REMAINING, L"00:00:00");
  w.SetText(IDC_FC_PERCENT, L"00%");
  w.SetText(IDC_FC_START, T(L"IDS_StartFileMigrate"));
  Buttons(w);
  w.Show(IDC_NEXT, false);
  w.LinesClear(IDC_LIST);
  total_ = 0;
  for (const SourceEntry& s : job.SourceList) {
    uint64_t bytes = SourceBytes(s);
    total_ += bytes;
    w.LinesAdd(IDC_LIST, T(s.isFolder ? L"IDS_Folder" : L"IDS_File") + L"  " + s.path + L"  (" + Size(bytes) + L")");
  }
  w.SetText(IDC_VALUE1, text::Dec(uint64_t(job.SourceList.size())) + L" / " + Size(total_));
  // Per mille: a range the progress bar holds whatever the size.
  w.SetRange(IDC_PROGRESS, 0, 1000);
  w.SetPos(IDC_PROGRESS, 0);
}

void CClone1::OnCommand(ui::Window& w, int id) {
  if (id == IDC_BACK && !running_) w.Close(IDC_BACK);
  if (id == IDC_FC_START && !running_) Start(w);
}

void CClone1::OnCancel(ui::Window& w) {
  if (running_) {
    if (w.MessageBox(T(L"IDS_MSGCANCELMIRROR"), win::MB_YESNO | win::MB_ICONQUESTION) == win::IDYES) cancel_ = true;
    return;
  }
  if (w.MessageBox(T(L"IDS_mirrorcancel1"), win::MB_YESNO | win::MB_ICONQUESTION) == win::IDYES) w.Close(win::IDCANCEL);
}

bool CClone1::Progress(const FileCopyProgress& p) {
  ui::Window& w = *window_;
  auto& sys = platform::Sys();
  uint32_t now = sys.GetTickCount();
  // The window is brought up to date a few times a second, not per chunk.
  if (now - lastShown_ >= 250 || p.done >= total_ || !running_) {
    lastShown_ = now;
    uint64_t elapsed = (now - startTick_) / 1000;
    uint32_t percent = Percent(p.done, total_);
    w.SetText(IDC_FC_CURRENT, p.path);
    w.SetText(IDC_FC_COPIED, Size(p.done));
    w.SetText(IDC_FC_PERCENT, (percent < 10 ? L"0" : L"") + text::Dec(percent) + L"%");
    w.SetPos(IDC_PROGRESS, total_ ? int64_t(p.done >= total_ ? 1000 : (long double)p.done * 1000 / total_) : 1000);
    w.SetText(IDC_ELAPSED, text::FormatHms(int64_t(elapsed)));
    w.SetText(IDC_FC_REMAINING, text::FormatHms(int64_t(RemainingSeconds(p.done, total_, elapsed))));
    w.SetText(IDC_FC_FREE, Size(FreeBytes(CurrentFileCopyJob().Destination)));
  }
  w.PumpMessages();
  return !cancel_ && !w.IsClosed();
}

void CClone1::Start(ui::Window& w) {
  FileCopyJob& job = CurrentFileCopyJob();
  window_ = &w;
  running_ = true;
  cancel_ = false;
  w.Enable(IDC_FC_START, false);
  w.Enable(IDC_BACK, false);
  startTick_ = lastShown_ = platform::Sys().GetTickCount();
  job.Stats = FileCopyStats{};
  FileCopyOptions options;
  options.readThroughShadow = !app::IsWinPE;
  job.Result = CopySources(job.SourceList, job.Destination, options, &job.Stats, this);
  job.Ran = true;
  running_ = false;
  Progress(FileCopyProgress{job.Stats, job.Destination, job.Stats.BytesCopied});
  static const wchar_t* kMessages[] = {L"IDS_Completed_File", L"IDS_Completed_Error_File", L"IDS_Aborted_File",
                                       L"IDS_Fail_File"};
  unsigned icon = job.Result == FileCopyResult::Completed ? win::MB_ICONINFORMATION : win::MB_ICONEXCLAMATION;
  w.MessageBox(T(kMessages[int(job.Result)]) + ResultDetails(job.Stats), win::MB_OK | icon);
  w.Close(IDC_FINISH);
}

}  // namespace filecopy
