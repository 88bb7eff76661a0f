// How a fuzz input becomes a disk: eight bytes give the disk's size in
// sectors, then each 520-byte record is a sector number (eight bytes) and
// the sector's 512 bytes. Sectors not given read as zeros.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/bytes.h"
#include "platform/sim/machine_config.h"
#include "platform/sim/sim_system.h"

namespace fuzzing {

inline constexpr uint64_t kMaxDiskSectors = 1ull << 36;  // 32 TiB

inline sim::DiskConfig DiskFromInput(const uint8_t* data, size_t size) {
  sim::DiskConfig d;
  d.image = "fuzz";
  d.model = "Fuzz Disk";
  d.memory = std::make_shared<sim::MemoryImage>();
  uint64_t sectors = size >= 8 ? bytes::Get64(data) % kMaxDiskSectors + 1 : 1;
  d.sizeBytes = sectors * 512;
  for (size_t at = 8; at + 520 <= size; at += 520) {
    uint64_t lba = bytes::Get64(data + at) % sectors;
    d.memory->sectors[lba].assign(data + at + 8, data + at + 520);
  }
  return d;
}

// A simulated PC with the input's disk as its only drive; nullptr when the
// machine cannot be built.
inline std::unique_ptr<sim::SimSystem> MachineFromInput(const uint8_t* data, size_t size) {
  sim::MachineConfig config;
  config.disks.push_back(DiskFromInput(data, size));
  config.programHost = "/nonexistent/vektrel-fuzz";
  config.filesRoot = "/nonexistent/vektrel-fuzz";
  std::string error;
  return sim::SimSystem::Create(config, &error);
}

inline void AppendSector(std::vector<uint8_t>* input, uint64_t lba, const std::vector<uint8_t>& sector) {
  uint8_t l[8];
  bytes::Put64(l, lba);
  input->insert(input->end(), l, l + 8);
  input->insert(input->end(), sector.begin(), sector.end());
  input->resize(input->size() + 512 - sector.size(), 0);
}

}  // namespace fuzzing
