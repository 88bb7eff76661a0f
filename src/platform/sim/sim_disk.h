// One simulated physical drive: an image file with the drive's geometry,
// identity and injected faults. Transfers are whole sectors at sector
// offsets; a transfer that is not entirely inside the disk fails as a
// whole, as on a real drive.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/sim/image_file.h"
#include "platform/sim/machine_config.h"
#include "platform/sim/sim_clock.h"

namespace sim {

class SimDisk {
 public:
  SimDisk(DiskConfig config, SimClock* clock);
  // Opens the image, creating a sparse one of the configured size when the
  // file is missing (an existing image must have that size). Read-only
  // images (no write permission) stay readable. Fault ranges must lie on
  // the disk.
  bool Open(std::string* error);

  const DiskConfig& Config() const { return config_; }
  DiskConfig& MutableConfig() { return config_; }
  uint64_t SizeBytes() const { return sizeBytes_; }
  uint64_t Sectors() const { return sizeBytes_ / 512; }

  // The host file's identity; nullptr for a disk in memory.
  const FileIdentity* Identity() const { return config_.memory ? nullptr : &identity_; }
  // How uncached transfers reach the medium: "direct", "sync" or "memory".
  std::string IoName() const;

  // Returns 0 (ERROR_SUCCESS) or the Windows error code of the failure.
  // Uncached transfers (those of handles opened without buffering or with
  // write-through, and the driver's own) are on the medium when they
  // return; cached ones may stay in the host's page cache.
  uint32_t Read(uint64_t byteOffset, void* buffer, uint32_t bytes, bool uncached = true);
  uint32_t Write(uint64_t byteOffset, const void* buffer, uint32_t bytes, bool uncached = true);
  // Cached writes reach the medium; 0 or the Windows error.
  uint32_t Flush();
  // The medium refuses every write (a protected disk, or an image the host lets us only read).
  bool WriteProtected() const { return config_.writeProtected || readOnlyImage_; }

  // Counters for tests: transfers attempted, and failures.
  uint64_t reads = 0, writes = 0, failedReads = 0, failedWrites = 0;
  uint64_t outOfRange = 0;  // transfers that reached past the end of the disk

 private:
  void ChargeTransfer(uint32_t bytes);
  bool Load(uint64_t offset, void* buffer, uint32_t bytes, bool uncached);
  bool Store(uint64_t offset, const void* buffer, uint32_t bytes, bool uncached);
  // The transfer itself, on an image without the lock held: a disk with a
  // command queue takes requests from several threads at once (the block
  // copy reads on threads beside the one that writes, maybe on the same
  // disk). The lock guards the counters, the faults and a disk in memory.
  bool Loaded(std::unique_lock<std::mutex>& hold, uint64_t offset, void* buffer, uint32_t bytes, bool uncached);
  bool Stored(std::unique_lock<std::mutex>& hold, uint64_t offset, const void* buffer, uint32_t bytes,
              bool uncached);
  bool FaultsOnDisk(std::string* error) const;
  std::mutex transfer_;
  DiskConfig config_;
  SimClock* clock_;
  ImageFile image_;
  FileIdentity identity_;
  bool readOnlyImage_ = false;
  uint64_t sizeBytes_ = 0;
};

}  // namespace sim
