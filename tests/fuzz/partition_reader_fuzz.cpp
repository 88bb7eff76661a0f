// The partition-table reader (and the simulated driver under it) over a
// disk whose sectors come from the fuzzer. Beyond not crashing, the result
// must keep its bounds: at most 32 records, display rows in order, free rows
// on the disk and outside every record, no read outside the disk, every
// disk open closed again.
#include <cstdio>
#include <cstdlib>

#include "app/disk_map.h"
#include "disk/disk_access.h"
#include "disk/disk_table.h"
#include "disk/partition_table.h"
#include "disk/volume_map.h"
#include "disk_input.h"
#include "platform/sim/sim_system.h"
#include "ui/scripted/scripted_host.h"

namespace {

void Require(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto machine = fuzzing::MachineFromInput(data, size);
  if (!machine) return 0;
  static ui::ScriptedHost host;
  platform::SetSystem(machine.get());
  ui::SetHost(&host);
  disk::ResetDiskAccessState();
  disk::ResetDiskTable();
  disk::ResetVolumeMaps();
  disk::ResetPartitionState();

  disk::RefreshDiskModel();
  std::vector<disk::PartitionRecord> records;
  int n = disk::ReadPartitionList(&records, 0);
  Require(n >= 0 && n <= disk::kMaxRecords && size_t(n) == records.size(), "record count within its cap");
  std::vector<disk::PartitionEntry> rows;
  disk::BuildPartitionEntries(0, &rows, true);
  Require(rows.size() <= 2 * size_t(disk::kMaxRecords) + 4, "rows bounded by the records");
  const uint64_t diskSectors = machine->Disk(0).Sectors();
  for (size_t i = 0; i < rows.size(); ++i) {
    app::DiskMapLabel(rows, i, disk::IsGptDisk, disk::ReservedPartitionSlot);
    const disk::PartitionEntry& f = rows[i];
    if (f.RecordIndex >= 0) continue;
    Require(f.LengthSectors > 0, "free rows are not empty");
    Require(f.StartLba < diskSectors && f.LengthSectors <= diskSectors - f.StartLba, "free rows lie on the disk");
    for (const disk::PartitionEntry& p : rows)
      if (p.RecordIndex >= 0 && p.LengthSectors > 0)
        Require(f.StartLba + f.LengthSectors <= p.StartLba || p.StartLba + p.LengthSectors <= f.StartLba,
                "no free row overlaps a partition");
  }
  app::ComputeMapWidths(&rows, 600);
  Require(machine->Disk(0).outOfRange == 0, "no read outside the disk");
  Require(disk::OpenDiskCount == 0, "every open of the disk closed");

  platform::SetSystem(nullptr);
  return 0;
}
