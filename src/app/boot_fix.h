// The boot-configuration repair a finished system-disk duplication leaves
// behind: a marker file "\BOOT\BootFix" on one of the drives C: to V: holds
// the drive (two UTF-16 characters) whose boot store must point at itself.
#pragma once

namespace app {

// Windows PE start-up: repairs C:'s boot store, deletes the marker and ends
// the process. Returns (doing nothing) when no marker exists.
void BootFixAtStartup();
// The Duplicate tile: repairs the store of the drive the marker names,
// deletes the marker and ends the process; false when there is no marker.
bool BootFixFromDuplicateTile();

}  // namespace app
