#include "scan/scan_summary_page.h"

#include "app/language.h"
#include "erase/page_texts.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "scan/scan_engine.h"
#include "scan/scan_ids.h"
#include "ui/control_ids.h"

namespace scan {

using app::T;

namespace {
constexpr size_t kShownRanges = 12;
}  // namespace

int CScanSummary::TemplateId() const { return IDD_SCAN_SUMMARY; }

void CScanSummary::OnInit(ui::Window& w) {
  erase::SetHeadings(w, L"IDS_SCANSUMMARY", L"IDS_SCANSUMMARY", L"IDS_BADSCANSUMMARY");
  erase::SetTexts(w, {{IDC_GROUP, L"IDS_ScanSummarySubHeading"}, {IDC_TEXT1, L"IDS_SCANDRIVE"},
                      {IDC_TEXT2, L"IDS_SCANRESULT"}, {IDC_TEXT3, L"IDS_MProgSum9"}, {IDC_TEXT4, L"IDS_BadSectors"},
                      {IDC_TEXT5, L"IDS_FailedBlocks"}, {IDC_TEXT6, L"IDS_RetryGoodBlocks"},
                      {IDC_FINISH, L"IDS_FINISH"}});
  w.SetText(IDC_VALUE1, ScanTargetText);
  w.SetText(IDC_VALUE2, ScanResultText());
  // The time the scan worked, not the time its pages stood open.
  w.SetText(IDC_VALUE3, text::FormatHms(int64_t(ScanWorkMilliseconds / 1000)));
  w.SetText(IDC_VALUE5, text::Dec(int64_t(ScanFailedBlocks)));
  w.SetText(IDC_VALUE6, text::Dec(int64_t(ScanRetryGoodBlocks)));
  // The count, then the ranges: two lines of the page's width; the console
  // prints them all.
  std::wstring bad = BadSectorsText(kShownRanges);
  w.SetText(IDC_VALUE4, ScanBadSectors.empty() ? bad : text::Dec(BadSectorCount()) + L" (" + bad + L")");
}

void CScanSummary::OnCommand(ui::Window& w, int id) {
  if (id == IDC_FINISH) w.Close(win::IDOK);
}

}  // namespace scan
