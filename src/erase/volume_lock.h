// Taking volumes away from the running system before their sectors are
// overwritten or scanned: FSCTL_LOCK_VOLUME with retries, and the list of
// volumes a whole-disk operation has locked.
#pragma once

#include <cstdint>

#include "platform/system.h"

namespace erase {

inline constexpr int kLockAttempts = 22;
inline constexpr uint32_t kLockRetryMs = 200;
inline constexpr int kMaxLockedVolumes = 32;

// Up to 22 attempts, 200 ms apart; true once the volume is locked.
bool LockVolumeRetrying(platform::Handle volume);

struct LockedVolumes {
  platform::Handle handles[kMaxLockedVolumes] = {};
  int count = 0;
};
extern LockedVolumes LockedVolumeList;

// Opens and locks the lettered volume of every partition of the drive.
void LockDiskVolumes(int driveNumber);
// Unlocks and closes every volume of the list and empties it.
void UnlockDiskVolumes();

void ResetLockedVolumes();

}  // namespace erase
