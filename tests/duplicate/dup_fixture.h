// A simulated PC for the duplication engines: source and destination disks
// made in a temporary folder (partitions written by the simulated driver,
// volumes with files), the duplication's process-wide state reset, and a
// progress that records what the engines told the page.
#pragma once

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "disk/disk_table.h"
#include "disk/partition_table.h"
#include "disk/volume_map.h"
#include "duplicate/copy_progress.h"
#include "duplicate/duplication_job.h"
#include "duplicate/layout_plan.h"
#include "partition/format_request.h"
#include "partition/layout_slots.h"
#include "partition/partition_fixture.h"
#include "support/image_tools.h"
#include "support/sim_fixture.h"

namespace testing_support {

// What the engines showed, and a hook to act between transfers (a cancel).
struct RecordingProgress : duplicate::CopyProgress {
  std::vector<std::wstring> statuses;
  int64_t high = 0, position = -1;
  int pumps = 0;
  std::function<void(int pumps)> onPump;
  void Status(const std::wstring& text) override { statuses.push_back(text); }
  void Range(int64_t, int64_t h) override { high = h; }
  void Position(int64_t pos) override { position = pos; }
  void Pump() override {
    ++pumps;
    if (onPump) onPump(pumps);
  }
};

struct DupPart {
  uint64_t start = 0;
  uint64_t length = 0;
  uint8_t type = 0x07;
  std::string fileSystem = "NTFS";  // "" leaves it unformatted
};

class DupTest : public SimTest {
 protected:
  DupTest() {
    // Windows and the program live on a drive of their own, so that no
    // test volume is the running system's.
    config_.programPath = L"W:\\Vektrel\\vektrel.exe";
    config_.windowsDir = L"W:\\Windows";
    duplicate::ResetDuplicationJob();
    duplicate::ResetPlanState();
    partition::ResetLayoutState();
    partition::ResetFormatState();
    disk::ResetPartitionState();
    disk::ResetVolumeMaps();
    disk::ResetDiskTable();
  }

  // MBR groups written by the simulated driver (the MBR, then one group per
  // extended boot record), boot sectors included, then mounted.
  void Layout(int drive, const std::vector<std::vector<DupPart>>& groups, uint32_t signature = 0x5EC70000u) {
    std::vector<std::vector<MbrPart>> mbr;
    for (const auto& g : groups) {
      mbr.emplace_back();
      for (const DupPart& p : g) mbr.back().push_back({p.start, p.length, p.type, p.fileSystem});
    }
    ASSERT_EQ(WriteMbrGroups(Sim().Disk(drive), signature + uint32_t(drive), mbr), 0u);
    Sim().Mounts().Mount();
    disk::RefreshDiskModel();
  }

  std::string FolderOf(wchar_t letter) {
    auto v = Sim().Mounts().ByLetter(letter);
    EXPECT_TRUE(v) << "no volume " << char(letter);
    return v ? v->hostFolder : std::string();
  }
  // A file of that size in the volume's folder (sparse: it only counts as used).
  void PutFile(wchar_t letter, const std::string& path, uint64_t bytes = 1) {
    std::filesystem::path p = std::filesystem::path(FolderOf(letter)) / path;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary).close();
    std::filesystem::resize_file(p, bytes);
  }

  // Fills sectors [first, first + count) of an image with a pattern that
  // names each sector (its LBA in every 8 bytes, and the drive's mark).
  void FillPattern(int drive, uint64_t first, uint64_t count, uint8_t mark = 0xA5) {
    std::fstream f(ImagePath(drive), std::ios::in | std::ios::out | std::ios::binary);
    std::vector<uint8_t> s(512);
    for (uint64_t lba = first; lba < first + count; ++lba) {
      for (int k = 0; k < 64; ++k) {
        uint64_t v = lba * 0x9E3779B97F4A7C15ull + uint64_t(k) * 0x100000001B3ull;
        for (int b = 0; b < 8; ++b) s[size_t(8 * k + b)] = uint8_t(v >> (8 * b));
      }
      s[0] = mark;
      f.seekp(std::streamoff(lba * 512));
      f.write(reinterpret_cast<const char*>(s.data()), 512);
    }
  }

  std::vector<uint8_t> Sectors(int drive, uint64_t first, uint64_t count) {
    std::vector<uint8_t> out(size_t(count) * 512);
    std::ifstream f(ImagePath(drive), std::ios::binary);
    f.seekg(std::streamoff(first * 512));
    f.read(reinterpret_cast<char*>(out.data()), std::streamsize(out.size()));
    return out;
  }

  // The job of a whole-disk duplication from disk index 1 to 2.
  void DiskToDisk(duplicate::CopyKind mode = duplicate::CopyKind::SectorBySector, int from = 1, int to = 2) {
    auto& j = duplicate::DuplicationJob;
    j.CopyMode = mode;
    j.SourceDisk = from;
    j.SourceStart = 0;
    j.SourceLength = disk::DiskAt(from)->SizeSectors;
    j.DestinationDisk = to;
    j.DestinationStart = 0;
    j.DestinationLength = disk::DiskAt(to)->SizeSectors;
  }

  bool Shown(const std::wstring& key) const {
    for (auto& m : host_.messages)
      if (m.text == key) return true;
    return false;
  }

  RecordingProgress progress_;
};

}  // namespace testing_support
