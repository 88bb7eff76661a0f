#include "platform/sim/sim_disk.h"

#include <cstring>
#include <filesystem>

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
    return true;
  }
  std::error_code ec;
  bool exists = std::filesystem::exists(config_.image, ec);
  if (!exists) {
    if (config_.sizeBytes == 0) {
      *error = "disk image " + config_.image + " does not exist and no size= was given";
      return false;
    }
    auto parent = std::filesystem::path(config_.image).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent, ec);
    if (!file_.Open(config_.image, HostFile::Mode::CreateReadWrite) || !file_.Resize(config_.sizeBytes)) {
      *error = "cannot create disk image " + config_.image;
      return false;
    }
  } else if (!file_.Open(config_.image, HostFile::Mode::ReadWrite)) {
    if (!file_.Open(config_.image, HostFile::Mode::Read)) {
      *error = "cannot open disk image " + config_.image;
      return false;
    }
    readOnlyImage_ = true;
  }
  uint64_t actual = file_.Size();
  if (config_.sizeBytes && actual < config_.sizeBytes && !readOnlyImage_) {
    // A size= larger than the file grows the image (sparse).
    if (file_.Resize(config_.sizeBytes)) actual = config_.sizeBytes;
  }
  sizeBytes_ = (actual / 512) * 512;
  if (sizeBytes_ == 0) {
    *error = "disk image " + config_.image + " is smaller than one sector";
    return false;
  }
  return true;
}

bool SimDisk::Load(uint64_t offset, void* buffer, uint32_t bytes) {
  if (!config_.memory) {
    size_t done = 0;
    if (!file_.ReadAt(offset, buffer, bytes, &done)) return false;
    if (done < bytes) std::memset(static_cast<uint8_t*>(buffer) + done, 0, bytes - done);
    return true;
  }
  auto* out = static_cast<uint8_t*>(buffer);
  for (uint32_t i = 0; i < bytes / 512; ++i) {
    auto it = config_.memory->sectors.find(offset / 512 + i);
    if (it == config_.memory->sectors.end()) std::memset(out + i * 512, 0, 512);
    else std::memcpy(out + i * 512, it->second.data(), 512);
  }
  return true;
}

bool SimDisk::Store(uint64_t offset, const void* buffer, uint32_t bytes) {
  if (!config_.memory) return file_.WriteAt(offset, buffer, bytes);
  const auto* in = static_cast<const uint8_t*>(buffer);
  for (uint32_t i = 0; i < bytes / 512; ++i)
    config_.memory->sectors[offset / 512 + i].assign(in + i * 512, in + (i + 1) * 512);
  return true;
}

void SimDisk::ChargeTransfer(uint32_t bytes) {
  // A fixed command overhead plus the media rate.
  double us = 50.0 + double(bytes) / (config_.megabytesPerSecond * 1048576.0) * 1e6;
  clock_->Charge(uint64_t(us));
}

uint32_t SimDisk::Read(uint64_t offset, void* buffer, uint32_t bytes) {
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
  return Load(offset, buffer, bytes) ? 0 : fail(win::ERROR_GEN_FAILURE);
}

uint32_t SimDisk::Write(uint64_t offset, const void* buffer, uint32_t bytes) {
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
  if (!corrupting) return Store(offset, buffer, bytes) ? 0 : fail(win::ERROR_GEN_FAILURE);
  // The medium stores the data with one bit flipped in every sector of the
  // corrupting range; only a read-back can tell.
  std::vector<uint8_t> copy(static_cast<const uint8_t*>(buffer), static_cast<const uint8_t*>(buffer) + bytes);
  for (uint64_t i = 0; i < count; ++i)
    for (const SectorRange& r : config_.corrupt)
      if (r.Contains(lba + i)) {
        copy[i * 512] ^= 0x01;
        break;
      }
  return Store(offset, copy.data(), bytes) ? 0 : fail(win::ERROR_GEN_FAILURE);
}

}  // namespace sim
