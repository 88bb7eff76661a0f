#include "duplicate/clone_summary_page.h"

#include <algorithm>

#include "app/app_state.h"
#include "app/format_size.h"
#include "app/language.h"
#include "app/restart_dialog.h"
#include "app/shutdown.h"
#include "duplicate/duplicate_ids.h"
#include "duplicate/duplication_job.h"
#include "erase/page_texts.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "scan/scan_engine.h"
#include "ui/control_ids.h"

namespace duplicate {

using app::T;
using text::Dec;

namespace {

// The label controls and value controls of the twelve rows, in order.
constexpr int kLabels[] = {IDC_TEXT1, IDC_TEXT2, IDC_TEXT3, IDC_TEXT4, IDC_TEXT5, IDC_TEXT6,
                           IDC_TEXT7, IDC_TEXT8, IDC_CS_TEXT9, IDC_CS_TEXT10, IDC_CS_TEXT11, IDC_CS_TEXT12};
constexpr int kValues[] = {IDC_VALUE1, IDC_VALUE2, IDC_VALUE3, IDC_VALUE4, IDC_VALUE5, IDC_VALUE6,
                           IDC_VALUE7, IDC_VALUE8, IDC_CS_VALUE9, IDC_CS_VALUE10, IDC_CS_VALUE11, IDC_CS_VALUE12};

}  // namespace

const wchar_t* ExpansionKey(Expansion mode) {
  switch (mode) {
    case Expansion::Same: return L"IDS_Same";
    case Expansion::Manual: return L"IDS_Manual";
    default: return L"IDS_Auto";
  }
}

std::wstring ResultText() {
  switch (DuplicationJob.Result == DuplicationResult::NotRun ? JudgeResult() : DuplicationJob.Result) {
    case DuplicationResult::Aborted: return T(L"IDS_Aborted");
    case DuplicationResult::CompletedError: return T(L"IDS_Completed_Error");
    default: return T(L"IDS_Completed");
  }
}

std::wstring ScanText() {
  const DuplicationJobRecord& j = DuplicationJob;
  if (!j.BadSectorScan) return T(L"IDS_NotSelected");
  if (j.ScanStopped) return T(L"IDS_Aborted");
  return Dec(scan::ScanFailedBlocks) + L" " + T(L"IDS_badsector1") + L" " + Dec(scan::ScanRetryGoodBlocks) +
         T(L"IDS_badsector2");  // which starts with its own no-break space
}

std::wstring VerifyText() {
  const DuplicationJobRecord& j = DuplicationJob;
  if (!j.Verify) return T(L"IDS_NotSelected");
  return Dec(j.VerifyErrorCount) + L" " + T(L"IDS_verifyerror1") + Dec(j.SecondVerifyCount) + L" " +
         T(L"IDS_verifyerror2");
}

std::wstring ErrorsText() {
  const DuplicationJobRecord& j = DuplicationJob;
  std::wstring out;
  auto add = [&](int64_t n, const wchar_t* key) {
    if (n <= 0) return;
    if (!out.empty()) out += L", ";
    out += Dec(n) + L" " + T(key);
  };
  add(j.WriteErrorCount, L"IDS_WriteErrorCount");
  add(j.FailedStepCount, L"IDS_FailedStepCount");
  return out.empty() ? T(L"IDS_None") : out;
}

std::wstring UnreadableText() {
  const DuplicationJobRecord& j = DuplicationJob;
  if (j.UnreadableSectorCount == 0) return T(L"IDS_None");
  return Dec(j.UnreadableSectorCount) + L" " + T(L"IDS_UnreadableSectors") + L" (" +
         Dec(uint64_t(j.UnreadableRanges.size())) + L" " + T(L"IDS_UnreadableRanges") + L")";
}

std::wstring FilesText() {
  const DuplicationJobRecord& j = DuplicationJob;
  return Dec(j.FilesCopied) + L" " + T(L"IDS_FilesCopied") + L", " + Dec(uint64_t(std::max(0, j.FilesNotCopied))) +
         L" " + T(L"IDS_FilesNotCopied");
}

std::vector<std::wstring> DetailLines() {
  const DuplicationJobRecord& j = DuplicationJob;
  std::vector<std::wstring> lines;
  for (const LbaRange& r : j.UnreadableRanges)
    lines.push_back(T(L"IDS_UnreadableLine") + L" " + Dec(r.first) + (r.last != r.first ? L"-" + Dec(r.last) : L""));
  for (const FileError& e : j.FileErrors) lines.push_back(e.path + L": " + e.reason);
  return lines;
}

std::vector<std::pair<std::wstring, std::wstring>> SummaryRows() {
  const DuplicationJobRecord& j = DuplicationJob;
  bool basic = j.CopyMode == CopyKind::Basic;
  std::vector<std::pair<std::wstring, std::wstring>> rows = {
      {T(L"IDS_MProgSum1"), j.SourceDescription},
      {T(L"IDS_MProgSum2"), j.DestinationDescription},
      {T(L"IDS_MProgSum5"), T(basic ? L"IDS_Basic" : L"IDS_SectorBySector")},
      {T(L"IDS_MProgSum6"), T(ExpansionKey(j.ExpansionMode))},
      {T(L"IDS_MProgSum3"), ScanText()},
      {T(L"IDS_MProgSum4"), VerifyText()},
      {T(L"IDS_MProgSum7"), ResultText()},
      {T(L"IDS_MProgSum8"), ErrorsText()},
      {T(L"IDS_MProgSumUnreadable"), UnreadableText()},
      {T(L"IDS_MProgSumFiles"), basic ? FilesText() : T(L"IDS_NotSelected")},
      {T(L"IDS_MProgSum10"), app::FormatSize(uint64_t(j.ProgressTotal < 0 ? 0 : j.ProgressTotal))},
      {T(L"IDS_MProgSum9"), text::FormatHms(j.ElapsedSeconds)},
  };
  return rows;
}

int CCloneSummary::TemplateId() const { return IDD_CLONE_SUMMARY; }

void CCloneSummary::OnInit(ui::Window& w) {
  erase::SetHeadings(w, L"IDS_MProgSumCap", L"IDS_MProgSumH1", L"IDS_MProgSumH2");
  erase::SetTexts(w, {{IDC_GROUP, L"IDS_OperationSummary"}, {IDC_CS_DETAILS_LABEL, L"IDS_MProgSumDetails"},
                      {IDC_FINISH, L"IDS_FINISH"}, {IDC_CS_HELP, L"ID_HELP_VEKTRELHELP"}});
  w.SetText(IDC_CS_HELP, app::WithoutAccessKey(T(L"ID_HELP_VEKTRELHELP")));
  std::vector<std::pair<std::wstring, std::wstring>> rows = SummaryRows();
  for (size_t i = 0; i < rows.size() && i < std::size(kLabels); ++i) {
    w.SetText(kLabels[i], rows[i].first);
    w.SetText(kValues[i], rows[i].second);
  }
  w.SetFont(kValues[6], ui::Font::Bold);
  std::wstring details;
  for (const std::wstring& line : DetailLines()) details += line + L"\r\n";
  w.SetText(IDC_CS_DETAILS, details);
  w.SetFocus(IDC_FINISH);
}

void CCloneSummary::Finish(ui::Window& w) {
  const DuplicationJobRecord& j = DuplicationJob;
  // The signature of a finished clone was copied by the run itself. A
  // clone with errors is not called complete: back to the main window.
  if (j.Result != DuplicationResult::Completed || j.ScanStopped) {
    w.Close(win::IDOK);
    return;
  }
  if (j.SourceIsPartition) {
    if (j.CopyMode == CopyKind::SectorBySector) {
      w.MessageBox(T(L"IDS_shutdown2"), win::MB_OK);
      app::Shutdown(1);
    }
    w.Close(win::IDOK);
    return;
  }
  w.Close(win::IDOK);
  bool shutDown = j.BootPairSource.empty()
                      ? app::AskRestart(T(L"IDS_shutdown1"), T(L"IDS_shutdownnow"), T(L"IDS_backtomain"))
                      : app::AskRestart(T(L"IDS_bootstring1"), T(L"IDS_SHUTNOW"), T(L"IDS_SHUTLATER"));
  if (shutDown) app::Shutdown(1);
}

void CCloneSummary::OnCommand(ui::Window& w, int id) {
  if (id == IDC_FINISH) {
    Finish(w);
  } else if (id == IDC_CS_HELP) {
    std::wstring file = app::AppDirectory + L"\\Help\\index.htm";
    if (app::IsWinPE) platform::Sys().ShellExecute(L"open", L"opera.exe", file, L"", win::SW_SHOW);
    else platform::Sys().ShellExecute(L"open", file, L"", L"", win::SW_SHOW);
  }
}

}  // namespace duplicate
