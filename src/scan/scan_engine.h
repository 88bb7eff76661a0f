// The bad-sector scan: reads every block of ScanRegion, reads a failing
// block again up to three times, lists and counts the blocks that failed,
// and finds the unreadable sectors of each block that stayed unreadable.
// It only reads. It runs on the scan page's thread and drains the page's
// messages a few times a second, so that Cancel works.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "erase/selected_region.h"
#include "ui/window.h"

namespace scan {

extern erase::Region ScanRegion;
extern int32_t ScanFailedBlocks;     // blocks whose first read failed
extern int32_t ScanRetryGoodBlocks;  // of those, blocks a retry could read
extern bool ScanRunning, ScanDone, ScanCancelled;
// Set by the duplication before it opens the scan page: the page starts by
// itself, shows no messages of its own and closes when the scan ends.
extern bool ScanFromDuplication;
extern std::time_t ScanStartTime;
// How long the scan worked, in milliseconds: from its start to its last
// block, without the time a question or message kept the operator.
extern uint64_t ScanWorkMilliseconds;
extern std::wstring ScanTargetText;
// N and the disk's length, taken when the scan page opens.
extern uint32_t ScanBlockSectors;
extern uint64_t ScanDiskSectors;

// Sectors first..last (inclusive) that could not be read one by one.
struct SectorRange {
  uint64_t first = 0;
  uint64_t last = 0;
  bool operator==(const SectorRange&) const = default;
};
// The unreadable sectors found by the last scan, ascending, adjacent
// sectors joined into one range.
extern std::vector<SectorRange> ScanBadSectors;

inline constexpr int kReadRetries = 3;
// The scan reads this many bytes or a little more (whole blocks and whole
// 4 KiB pages) at a time; the rules for a failing block apply only inside a
// span that failed.
inline constexpr uint32_t kSpanBytes = 1u << 20;

// The scan of ScanRegion on the scan page (scan_ids.h). Unless the
// duplication started it, it ends by closing the page with IDC_NEXT (on to
// the summary).
void RunBadSectorScan(ui::Window& page);
// What the summary page says: aborted, completed, or the counts.
std::wstring ScanResultText();
// ScanBadSectors as "1000-1003, 2000", at most maxRanges of them followed
// by ", ..." when there are more; T("IDS_NoBadSectors") when there are none.
std::wstring BadSectorsText(size_t maxRanges);
// The number of sectors in ScanBadSectors.
uint64_t BadSectorCount();

void ResetScanState();

}  // namespace scan
