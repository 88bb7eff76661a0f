// Taking the destination's volumes away from the system before raw writes:
// Windows refuses a raw write into a mounted file system that the writer
// has neither locked nor dismounted.
#pragma once

#include <cstdint>

#include "platform/system.h"

namespace duplicate {

inline constexpr int kMaxTakenVolumes = 32;

struct TakenVolumes {
  platform::Handle handles[kMaxTakenVolumes] = {};
  int count = 0;
};

// Locks (with retries) and dismounts every volume of the drive whose
// partition overlaps [startLba, startLba + sectors); the handles stay open
// in taken. False when one cannot be locked: "IDS_CloseTheDrive" is shown,
// nothing stays taken.
bool TakeDestinationVolumes(int driveNumber, uint64_t startLba, uint64_t sectors, TakenVolumes* taken);
// Unlocks and closes what TakeDestinationVolumes took.
void ReleaseDestinationVolumes(TakenVolumes* taken);

}  // namespace duplicate
