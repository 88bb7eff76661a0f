#include "cli/listed_row.h"

#include <string>

#include "app/language.h"
#include "platform/text.h"

namespace cli {

int ListedRow(ui::ScriptedWindow& w, int listId, int drive, int partition) {
  const std::wstring diskCell = app::T(L"IDS_Drive") + text::Dec(int64_t(drive));
  const std::wstring partitionCell = L"  " + app::T(L"IDS_Partition");
  const int n = w.ListCount(listId);
  for (int i = 0; i < n; ++i) {
    if (w.ListCell(listId, i, 0) != diskCell) continue;
    // A disk's partition rows follow its own.
    for (int k = i + 1; k <= i + partition; ++k)
      if (k >= n || w.ListCell(listId, k, 0) != partitionCell) return -1;
    return i + partition;
  }
  return -1;
}

}  // namespace cli
