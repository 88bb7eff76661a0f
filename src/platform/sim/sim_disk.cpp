#include "platform/sim/sim_disk.h"

#include <cstring>

#include "platform/winapi.h"

namespace sim {

SimDisk::SimDisk(DiskConfig config, SimClock* clock) : config_(std::move(config)), clock_(clock) {}

bool SimDisk::Open(std::string* error) {
  if (config_.memory) {
    sizeBytes_ = (config_.sizeBytes / 512) * 512;
    if (sizeBytes_ == 0) {
      *error = "a disk in memory needs a size";
      return false;
    }
    return FaultsOnDisk(error);
  }
  if (!image_.Open(config_.image, config_.sizeBytes, error)) return false;
  readOnlyImage_ = image_.ReadOnly();
  identity_ = image_.Identity();
  sizeBytes_ = (image_.Size() / 512) * 512;
  return FaultsOnDisk(error);
}

bool SimDisk::FaultsOnDisk(std::string* error) const {
  const uint64_t sectors = Sectors();
  auto past = [&](const std::string& what) {
    *error = "disk image " + config_.image + ": " + what + " lies past the end of the disk (" +
             std::to_string(sectors) + " sectors, the last is " + std::to_string(sectors - 1) + ")";
    return false;
  };
  auto range = [](const char* key, const SectorRange& r) {
    return std::string(key) + "=" + std::to_string(r.first) + "-" + std::to_string(r.last);
  };
  for (const SectorRange& r : config_.bad)
    if (r.last >= sectors) return past(range("bad", r));
  for (const SectorRange& r : config_.corrupt)
    if (r.last >= sectors) return past(range("corrupt", r));
  for (const FlakySector& f : config_.flaky)
    if (f.lba >= sectors) return past("flaky=" + std::to_string(f.lba) + ":" + std::to_string(f.failures));
  return true;
}

std::string SimDisk::IoName() const { return config_.memory ? "memory" : ImageIoName(image_.Io()); }

bool SimDisk::Load(uint64_t offset, void* buffer, uint32_t bytes, bool uncached) {
  if (!config_.memory) return image_.Read(offset, buffer, bytes, uncached);
  auto* out = static_cast<uint8_t*>(buffer);
  for (uint32_t i = 0; i < bytes / 512; ++i) {
    auto it = config_.memory->sectors.find(offset / 512 + i);
    if (it == config_.memory->sectors.end()) std::memset(out + i * 512, 0, 512);
    else std::memcpy(out + i * 512, it->second.data(), 512);
  }
  return true;
}

bool SimDisk::Store(uint64_t offset, const void* buffer, uint32_t bytes, bool uncached) {
  if (!config_.memory) return image_.Write(offset, buffer, bytes, uncached);
  const auto* in = static_cast<const uint8_t*>(buffer);
  for (uint32_t i = 0; i < bytes / 512; ++i)
    config_.memory->sectors[offset / 512 + i].assign(in + i * 512, in + (i + 1) * 512);
  return true;
}

bool SimDisk::Loaded(std::unique_lock<std::mutex>& hold, uint64_t offset, void* buffer, uint32_t bytes,
                     bool uncached) {
  if (config_.memory) return Load(offset, buffer, bytes, uncached);
  hold.unlock();
  bool ok = image_.Read(offset, buffer, bytes, uncached);
  hold.lock();
  return ok;
}

bool SimDisk::Stored(std::unique_lock<std::mutex>& hold, uint64_t offset, const void* buffer, uint32_t bytes,
                     bool uncached) {
  if (config_.memory) return Store(offset, buffer, bytes, uncached);
  hold.unlock();
  bool ok = image_.Write(offset, buffer, bytes, uncached);
  hold.lock();
  return ok;
}

uint32_t SimDisk::Flush() {
  std::lock_guard<std::mutex> hold(transfer_);
  if (config_.memory || WriteProtected()) return 0;
  return image_.Flush() ? 0 : win::ERROR_GEN_FAILURE;
}

void SimDisk::ChargeTransfer(uint32_t bytes) {
  // A fixed command overhead plus the media rate.
  double us = 50.0 + double(bytes) / (config_.megabytesPerSecond * 1048576.0) * 1e6;
  clock_->Charge(uint64_t(us));
}

uint32_t SimDisk::Read(uint64_t offset, void* buffer, uint32_t bytes, bool uncached) {
  std::unique_lock<std::mutex> hold(transfer_);
  ++reads;
  ChargeTransfer(bytes);
  auto fail = [&](uint32_t code) {
    ++failedReads;
    return code;
  };
  if (offset % 512 || bytes % 512) return fail(win::ERROR_INVALID_PARAMETER);
  if (offset >= sizeBytes_ || bytes > sizeBytes_ - offset) {
    ++outOfRange;
    return fail(win::ERROR_SECTOR_NOT_FOUND);
  }
  uint64_t lba = offset / 512, count = bytes / 512;
  for (const SectorRange& r : config_.bad)
    if (r.Overlaps(lba, count)) return fail(win::ERROR_CRC);
  bool flakyFailed = false;
  for (FlakySector& f : config_.flaky)
    if (f.failures > 0 && f.lba >= lba && f.lba < lba + count) {
      --f.failures;
      flakyFailed = true;
    }
  if (flakyFailed) return fail(win::ERROR_CRC);
  return Loaded(hold, offset, buffer, bytes, uncached) ? 0 : fail(win::ERROR_GEN_FAILURE);
}

uint32_t SimDisk::Write(uint64_t offset, const void* buffer, uint32_t bytes, bool uncached) {
  std::unique_lock<std::mutex> hold(transfer_);
  ++writes;
  ChargeTransfer(bytes);
  auto fail = [&](uint32_t code) {
    ++failedWrites;
    return code;
  };
  if (config_.writeProtected || readOnlyImage_) return fail(win::ERROR_WRITE_PROTECT);
  if (offset % 512 || bytes % 512) return fail(win::ERROR_INVALID_PARAMETER);
  if (offset >= sizeBytes_ || bytes > sizeBytes_ - offset) {
    ++outOfRange;
    return fail(win::ERROR_SECTOR_NOT_FOUND);
  }
  uint64_t lba = offset / 512, count = bytes / 512;
  bool corrupting = false;
  for (const SectorRange& r : config_.corrupt)
    if (r.Overlaps(lba, count)) corrupting = true;
  if (!corrupting) return Stored(hold, offset, buffer, bytes, uncached) ? 0 : fail(win::ERROR_GEN_FAILURE);
  // The medium stores the data with one bit flipped in every sector of the
  // corrupting range; only a read-back can tell.
  std::vector<uint8_t> copy(static_cast<const uint8_t*>(buffer), static_cast<const uint8_t*>(buffer) + bytes);
  for (uint64_t i = 0; i < count; ++i)
    for (const SectorRange& r : config_.corrupt)
      if (r.Contains(lba + i)) {
        copy[i * 512] ^= 0x01;
        break;
      }
  return Stored(hold, offset, copy.data(), bytes, uncached) ? 0 : fail(win::ERROR_GEN_FAILURE);
}

}  // namespace sim
