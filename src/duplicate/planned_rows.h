// The destination as the duplication will leave it, row by row: what the
// destination page lists and draws, the progress page draws and the
// console prints with --plan.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "disk/partition_table.h"
#include "platform/bytes.h"

namespace duplicate {

struct PlannedLine {
  disk::PartitionEntry entry;  // destination sectors; RecordIndex -1 for free space
  int32_t slot = -1;           // the plan's slot (a basic disk duplication), else -1
  wchar_t letter = 0;          // the source volume's letter, 0 none
  bool free = false;
  // A free row that starts with the reserved partition the layout writes
  // (its type in gptType): the partition's length; 0 for any other row.
  uint64_t reservedLength = 0;
  // What the row's table entry will say: the MBR type byte (-1 when there
  // is no entry to read it from), or on a GPT destination the type GUID.
  int32_t typeByte = -1;
  bytes::Guid gptType{};
  // The row receives the copy (every row of a disk destination); the other
  // rows of a partition destination's disk keep what they hold.
  bool target = false;
  std::wstring text;           // the line of the destination page's list
};

// The rows of DuplicationJob's destination after the copy: the plan of a
// basic disk duplication, the source's rows at their places for a
// sector copy, the destination disk with the chosen partition resized for
// a partition. gpt tells whether the destination is laid out as GPT.
std::vector<PlannedLine> PlannedLines(bool* gpt);

}  // namespace duplicate
