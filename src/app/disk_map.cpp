#include "app/disk_map.h"

#include "app/language.h"
#include "disk/partition_types.h"

namespace app {

std::wstring DiskMapLabel(const std::vector<disk::PartitionEntry>& entries, size_t row, bool isGptDisk,
                          int reservedSlot) {
  const disk::PartitionEntry& e = entries[row];
  if (e.RecordIndex >= 0) {
    std::wstring label = disk::PartitionTypeName(e.Type);
    if (e.DriveLetter > 0) label += std::wstring(L" (") + wchar_t(e.DriveLetter) + L":)";
    return label;
  }
  if (e.Type == 99) return L"Hidden";
  if (e.Type == 100) return L"Raw";
  if (e.IsPrimary == 1 && e.Type > 100) return disk::PartitionTypeName(e.Type);
  if (e.IsPrimary == 0) return T(L"IDS_Free");
  if (isGptDisk && int(row) == reservedSlot) return L"GPTHDR";
  return T(L"IDS_Unallocated");
}

ui::MapKind DiskMapKind(const disk::PartitionEntry& e) {
  if (e.RecordIndex >= 0) return e.IsPrimary ? ui::MapKind::Primary : ui::MapKind::Logical;
  return e.IsPrimary ? ui::MapKind::Unallocated : ui::MapKind::FreeLogical;
}

void ComputeMapWidths(std::vector<disk::PartitionEntry>* entries, int mapWidth) {
  constexpr int kMinimum = 44;
  if (entries->empty() || mapWidth <= 0) return;
  uint64_t total = 0;
  for (auto& e : *entries) total += e.LengthSectors;
  if (total == 0) total = 1;
  double scale = 1.0;
  for (int round = 0; round < 10; ++round) {
    int sum = 0;
    for (auto& e : *entries) {
      int w = int(double(e.LengthSectors) / double(total) * mapWidth * scale);
      e.MapWidth = w < kMinimum ? kMinimum : w;
      sum += e.MapWidth;
    }
    if (sum <= mapWidth) break;
    scale *= double(mapWidth) / double(sum);
  }
}

std::vector<ui::MapBox> BuildDiskMap(const std::vector<disk::PartitionEntry>& entries, bool isGptDisk,
                                     int reservedSlot, int selected, int hot) {
  std::vector<ui::MapBox> boxes;
  for (size_t i = 0; i < entries.size(); ++i) {
    ui::MapBox b;
    b.label = DiskMapLabel(entries, i, isGptDisk, reservedSlot);
    b.width = entries[i].MapWidth;
    b.kind = DiskMapKind(entries[i]);
    b.selected = int(i) == selected;
    b.hot = int(i) == hot;
    boxes.push_back(b);
  }
  return boxes;
}

int MapBoxAt(const std::vector<disk::PartitionEntry>& entries, int x) {
  int left = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (x >= left && x < left + entries[i].MapWidth) return int(i);
    left += entries[i].MapWidth;
  }
  return -1;
}

}  // namespace app
