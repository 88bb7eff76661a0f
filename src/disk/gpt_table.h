// A disk's GPT as the sector routines read it: each copy checked in full
// before any entry is used, the backup in the last sector standing in for
// a damaged primary (as Windows and Linux read it), and the state of both
// copies, which decides whether the table may be changed at all.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gpt_header.h"

namespace disk {

struct GptTable {
  gpt::Header header;
  std::vector<uint8_t> array;  // header.ArraySectors() sectors
  bool fromBackup = false;
};

// One copy, its header at lba of the disk open as CurrentDisk (diskSectors
// long): the fault of the first check it failed, or None with *t filled.
gpt::Fault ReadGptCopy(uint64_t lba, uint64_t diskSectors, GptTable* t);
// The primary copy, or the backup when the primary is damaged; false when
// neither is valid.
bool ReadGptTable(uint64_t diskSectors, GptTable* t);

struct GptState {
  uint64_t diskSectors = 0;  // as the disk reports its length; 0 when it cannot be opened
  bool present = false;      // a GPT entry in the MBR, or a header at LBA 1 or in the last sector
  bool protective = false;   // the MBR is protective: the GPT entry alone, in the first slot
  gpt::Fault primary = gpt::Fault::Signature;
  gpt::Fault backup = gpt::Fault::Signature;
  bool copiesDiffer = false;  // both valid, but they do not describe the same table
  bool badEntry = false;      // a used entry outside the usable area, or overlapping another
  uint64_t badEntryStart = 0;
  bool FullyValid() const {
    return protective && primary == gpt::Fault::None && backup == gpt::Fault::None && !copiesDiffer && !badEntry;
  }
};

// The GPT state of a drive (opens and closes it); present is false for a
// disk without any trace of a GPT, and for one that cannot be opened.
GptState InspectGpt(int driveNumber);

}  // namespace disk
