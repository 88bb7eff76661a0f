#include "duplicate/clone_page.h"

#include <vector>

#include "app/format_size.h"
#include "app/language.h"
#include "duplicate/clone_summary_page.h"
#include "duplicate/destination_guard.h"
#include "duplicate/duplicate_ids.h"
#include "duplicate/duplication_driver.h"
#include "duplicate/duplication_job.h"
#include "duplicate/page_maps.h"
#include "duplicate/planned_rows.h"
#include "erase/page_texts.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"

namespace duplicate {

using app::T;

namespace {
constexpr unsigned kQuestion = win::MB_YESNO | win::MB_ICONQUESTION | win::MB_TASKMODAL;
}  // namespace

// The page's controls as the engines see them.
class ClonePageProgress : public RunPage {
 public:
  ClonePageProgress(CClone& page, ui::Window& w) : page_(page), w_(w) {}
  void Status(const std::wstring& text) override { w_.SetText(IDC_STATUS, text); }
  void Range(int64_t low, int64_t high) override { w_.SetRange(IDC_PROGRESS, low, high); }
  void Position(int64_t pos) override { w_.SetPos(IDC_PROGRESS, pos); }
  void Copied(uint64_t sectors) override { w_.SetText(IDC_CL_COPIED, app::FormatSize(sectors)); }
  void Elapsed() override {
    std::time_t start = DuplicationJob.StartTime;
    int64_t seconds = start ? int64_t(platform::Sys().Now() - start) : 0;
    w_.SetText(IDC_ELAPSED, text::FormatHms(seconds < 0 ? 0 : seconds));
  }
  void Percent(int percent) override {
    w_.Show(IDC_CL_PERCENT, percent >= 0);
    if (percent >= 0) w_.SetText(IDC_CL_PERCENT, L"(" + text::Dec(percent) + L"%)");
  }
  void LayoutChanged() override { ShowDiskMap(w_, IDC_CL_DEST_MAP, DuplicationJob.DestinationDisk, kHalfMapWidth); }
  void Pump() override { w_.PumpMessages(); }
  void AllowCancel(bool allowed) override {
    page_.cancelAllowed_ = allowed;
    w_.Enable(win::IDCANCEL, allowed);
  }
  void Busy(bool busy) override {
    platform::Sys().SetCursor(busy ? platform::Cursor::Wait : platform::Cursor::Arrow);
  }
  void Total(uint64_t sectors) override { w_.SetText(IDC_CL_TOTAL, app::FormatSize(sectors)); }

 private:
  CClone& page_;
  ui::Window& w_;
};

int CClone::TemplateId() const { return IDD_CLONE; }

void CClone::OnInit(ui::Window& w) {
  ResetRunState();
  running_ = false;
  cancelAllowed_ = true;
  const DuplicationJobRecord& j = DuplicationJob;
  erase::SetHeadings(w, L"IDS_MProgCap", L"IDS_CloneH1", L"IDS_CloneH2");
  erase::SetTexts(w, {{IDC_CL_CONFIRM_GROUP, L"IDS_Confirm"}, {IDC_CL_PROGRESS_GROUP, L"IDS_Progress"},
                      {IDC_CL_STATUS_LABEL, L"IDS_Clonelbl"}, {IDC_TEXT1, L"IDS_MProgSum1"},
                      {IDC_TEXT2, L"IDS_MProgSum2"}, {IDC_TEXT3, L"IDS_MProgSum3"}, {IDC_TEXT4, L"IDS_MProgSum4"},
                      {IDC_TEXT5, L"IDS_MProgSum5"}, {IDC_TEXT6, L"IDS_MProgSum6"},
                      {IDC_CL_COPIED_LABEL, L"IDS_Copied"}, {IDC_CL_TOTAL_LABEL, L"IDS_MProgSum10"},
                      {IDC_CL_ELAPSED_LABEL, L"IDS_ElapsedTime"}, {IDC_BACK, L"IDS_Back"},
                      {IDC_CL_START, L"IDS_StartMirror"}, {win::IDCANCEL, L"IDS_Cancel"}});
  w.SetText(IDC_CL_SOURCE_LABEL, T(L"IDS_MProgSum1"));
  w.SetText(IDC_CL_DEST_LABEL, T(L"IDS_AFTER"));
  ShowMapLegend(w);
  ShowDiskMap(w, IDC_CL_SOURCE_MAP, j.SourceDisk, kHalfMapWidth);
  bool gpt = false;
  std::vector<disk::PartitionEntry> after;
  for (const PlannedLine& l : PlannedLines(&gpt)) after.push_back(l.entry);
  ShowRowsMap(w, IDC_CL_DEST_MAP, after, gpt, kHalfMapWidth);
  auto selected = [](bool on) { return T(on ? L"IDS_Selected" : L"IDS_NotSelected"); };
  w.SetText(IDC_VALUE1, j.SourceDescription);
  w.SetText(IDC_VALUE2, j.DestinationDescription);
  w.SetText(IDC_VALUE3, selected(j.BadSectorScan));
  w.SetText(IDC_VALUE4, selected(j.Verify));
  w.SetText(IDC_VALUE5, T(j.CopyMode == CopyKind::Basic ? L"IDS_BasicDup" : L"IDS_SectorBySector"));
  w.SetText(IDC_VALUE6, T(ExpansionKey(j.ExpansionMode)));
  w.SetText(IDC_STATUS, L"");
  w.SetText(IDC_CL_COPIED, app::FormatSize(0));
  w.SetText(IDC_CL_TOTAL, L"");
  w.SetText(IDC_ELAPSED, L"00:00:00");
  w.Show(IDC_CL_PERCENT, false);
  w.SetRange(IDC_PROGRESS, 0, 100);
  w.SetPos(IDC_PROGRESS, 0);
  w.Enable(IDC_BACK, !backDisabled);
  w.SetFocus(IDC_CL_START);
}

void CClone::Start(ui::Window& w) {
  if (running_ || DuplicationJob.Started) return;
  // Named by number, model and size: the last word before the disk is written.
  std::wstring question = T(L"IDS_MDest2") + L"\n\n" + T(L"IDS_MProgSum2") + L" " +
                          DuplicationJob.DestinationDescription + L"\n\n" + T(L"IDS_StartMirrorAsk");
  if (w.MessageBox(question, kQuestion) != win::IDYES) return;
  running_ = true;
  w.Enable(IDC_BACK, false);
  w.Enable(IDC_CL_START, false);
  ClonePageProgress progress(*this, w);
  RunDuplication(progress);
  running_ = false;
  w.Close(IDC_NEXT);
}

void CClone::OnCommand(ui::Window& w, int id) {
  if (id == IDC_CL_START) Start(w);
  else if (id == IDC_BACK && !running_) w.Close(IDC_BACK);
}

void CClone::OnCancel(ui::Window& w) {
  DuplicationJobRecord& j = DuplicationJob;
  if (running_ && !cancelAllowed_) return;  // partitions are being created or formatted
  if (j.CancelRequested) {
    w.Close(win::IDCANCEL);
    return;
  }
  if (w.MessageBox(T(running_ ? L"IDS_MSGCANCELMIRROR" : L"IDS_mirrorcancel1"), kQuestion) != win::IDYES) return;
  // A running copy stops at its next block, file or poll, and the summary follows.
  j.CancelRequested = true;
  if (!running_) w.Close(win::IDCANCEL);
}

}  // namespace duplicate
