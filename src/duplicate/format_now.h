// The destination page's way to a partition on an empty disk: when a
// partition is to be copied and the operator checks a disk without
// partitions, the format-now prompt offers to create one partition over
// the disk and format it NTFS, so that it can be chosen.
#pragma once

namespace duplicate {

// Asks (CFormatDisk), then creates, waits for the system to mount the new
// volume ("IDS_FormatProgress") and formats it. True when a formatted
// partition is there; "IDS_cannotformat" when it could not be made.
bool OfferFormatNow(int diskIndex);

}  // namespace duplicate
