// JSON fields of the disk model, shared by the commands that print it.
#pragma once

#include "cli/json.h"
#include "disk/partition_table.h"

namespace cli {

// The display row's own fields, inside an object the caller opened.
inline Json& EntryFields(Json& j, const disk::PartitionEntry& e) {
  return j.Field("RecordIndex", int64_t(e.RecordIndex))
      .Field("StartLba", e.StartLba)
      .Field("LengthSectors", e.LengthSectors)
      .Field("Type", int64_t(e.Type))
      .Field("IsPrimary", int64_t(e.IsPrimary))
      .Field("DriveLetter", int64_t(e.DriveLetter));
}

}  // namespace cli
