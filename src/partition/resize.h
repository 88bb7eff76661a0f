// Growing a partition in place, and the file system inside with it.
#pragma once

#include <cstdint>

namespace partition {

// Asks the file system of the volume to take up totalSectors (the
// partition's new length). True when it did, or when the volume has no
// file system to extend; false when its file system cannot be extended
// (FAT volumes) or refuses.
bool ExtendFileSystem(wchar_t letter, uint64_t totalSectors);

}  // namespace partition
