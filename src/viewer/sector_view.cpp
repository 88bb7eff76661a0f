#include "viewer/sector_view.h"

#include "erase/dump_row.h"
#include "platform/compiler.h"

namespace viewer {

uint64_t ViewerSector = 0;

uint64_t ClampSector(uint64_t sector, uint64_t length) {
  if (int64_t(sector) < 0) return 0;
  if (length == 0) return 0;
  return sector >= length - 1 ? length - 1 : sector;
}

VEKTREL_WRAPS uint64_t StepSector(uint64_t sector, Step step, uint64_t length) {
  // An empty region has no last sector: everything leads to 0.
  uint64_t last = length ? length - 1 : 0;
  switch (step) {
    case Step::Start: return 0;
    case Step::End: return last;
    case Step::Next: return sector < last ? sector + 1 : sector;
    case Step::Previous: return sector - 1;
  }
  return sector;
}

uint64_t ParseTypedSector(const std::wstring& typed) {
  size_t i = 0;
  while (i < typed.size() && (typed[i] == L' ' || typed[i] == L'\t')) ++i;
  bool negative = false;
  if (i < typed.size() && (typed[i] == L'-' || typed[i] == L'+')) negative = typed[i++] == L'-';
  uint64_t v = 0;
  for (; i < typed.size() && typed[i] >= L'0' && typed[i] <= L'9'; ++i) {
    // Saturates below the sign bit, so that a huge number still means "the last sector".
    uint64_t d = uint64_t(typed[i] - L'0');
    v = v > (uint64_t(INT64_MAX) - d) / 10 ? uint64_t(INT64_MAX) : v * 10 + d;
  }
  return negative ? 0 : v;
}

std::wstring SectorDumpText(const uint8_t* sector, uint64_t sectorNumber) {
  std::wstring out;
  out.reserve(32 * 87);
  for (uint32_t offset = 0; offset < 512; offset += 16) out += erase::FormatDumpRow(sector, offset, sectorNumber) + L"\r\n";
  return out;
}

void ResetViewerState() { ViewerSector = 0; }

}  // namespace viewer
