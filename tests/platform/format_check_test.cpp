// Every format of the simulated format library, on MBR and GPT partitions,
// leaves a volume the host's own checkers find clean. FAT, FAT16 and FAT32
// volumes get their whole empty file system, so fsck.fat must find nothing
// to mend and blkid must read type and label. An NTFS format writes only
// the boot sector and its backup in the volume's last sector (the files
// live in a host folder), so the honest check there is that ntfs-3g takes
// the boot sector and stops only at the $MFT the simulation never writes,
// and that it falls back to the backup when the first copy is gone.
#include <gtest/gtest.h>

#include "platform/sim/sim_layout.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "support/image_tools.h"
#include "support/sim_fixture.h"

using namespace testing_support;

namespace {

constexpr uint64_t kStart = 2048;

uint32_t WriteGptPartition(sim::SimDisk& disk, uint64_t length) {
  if (uint32_t err = sim::CreateEmptyDisk(disk, win::PARTITION_STYLE_GPT, 0, bytes::Guid{{7}}, 128)) return err;
  sim::DriverLayout l;
  if (!sim::ReadDriverLayout(disk, &l)) return win::ERROR_GEN_FAILURE;
  sim::DriverPartition p;
  p.startLba = kStart;
  p.lengthSectors = length;
  p.partitionNumber = 1;
  p.gptType = sim::kGptBasicData;
  p.gptId = bytes::Guid{{9, 9}};
  l.entries = {p};
  return sim::WriteDriverLayout(disk, l);
}

}  // namespace

class FormatCheckTest : public SimTest {
 protected:
  FormatCheckTest() {
    // Windows and the program on the boot medium: C: is free to format.
    config_.programPath = L"X:\\Vektrel\\vektrel.exe";
    config_.windowsDir = L"X:\\Windows";
  }
  bool Format(const std::wstring& fs, const std::wstring& label) {
    bool success = false;
    Sim().FormatEx(L"C:\\", 12, fs, label, true, 0, [&](uint32_t command, uint32_t, void* arg) {
      if (command == 11) success = *static_cast<uint8_t*>(arg) != 0;
      return true;
    });
    return success;
  }
};

TEST_F(FormatCheckTest, EveryFormatChecksClean) {
  const bool fat = HaveTool("fsck.fat") && HaveTool("blkid");
  const bool ntfs = HaveTool("ntfsfix") && HaveTool("ntfsinfo");
  if (!fat && !ntfs) GTEST_SKIP() << "fsck.fat, blkid and ntfs-3g missing";
  struct Case {
    bool gpt;
    const wchar_t* fs;
    uint64_t sectors;
    const wchar_t* label;
    const char* version;  // as blkid names it
    const char* blkidLabel;
  } cases[] = {
      {false, L"FAT", 4096, L"", "FAT12", ""},
      {true, L"FAT", 4148, L"", "FAT12", ""},  // a count between the types: the end is left out
      {false, L"FAT", 131072, L"data 1", "FAT16", "DATA 1"},
      {true, L"FAT", 8388608, L"", "FAT16", ""},  // 4 GiB: the most clusters of 64 KiB
      {false, L"FAT32", 81920, L"", "FAT32", ""},
      {true, L"FAT32", 614400, L"Backup", "FAT32", "BACKUP"},  // eight sectors per cluster
      {false, L"NTFS", 65536, L"", "", ""},
      {true, L"NTFS", 65536, L"", "", ""},
  };
  int n = 0;
  for (const Case& c : cases) {
    bool isNtfs = std::wstring(c.fs) == L"NTFS";
    if (isNtfs ? !ntfs : !fat) continue;
    std::string name = "case" + std::to_string(n++);
    SCOPED_TRACE(name + (c.gpt ? " GPT " : " MBR ") + text::ToUtf8(c.fs) + " " + std::to_string(c.sectors));
    config_.disks.clear();
    AddDisk("size=" + std::to_string(kStart + c.sectors + 2048) + "s", name + ".img");
    Boot();
    ASSERT_EQ(c.gpt ? WriteGptPartition(Sim().Disk(0), c.sectors)
                    : WriteMbrGroups(Sim().Disk(0), 0x1234, {{{kStart, c.sectors, 0x07, ""}}}),
              0u);
    Sim().Mounts().Mount();
    ASSERT_TRUE(Format(c.fs, c.label));
    std::string volume = dir_.File(name + ".vol");
    ASSERT_TRUE(CopyRegion(ImagePath(0), kStart, c.sectors, volume));
    std::string out;
    if (!isNtfs) {
      EXPECT_EQ(Shell("fsck.fat -n " + volume, &out), 0) << out;
      EXPECT_EQ(out.find("ifferen"), std::string::npos) << out;
      Shell("blkid -p -s VERSION -s LABEL -o value " + volume, &out);
      EXPECT_EQ(out, (*c.blkidLabel ? c.blkidLabel + std::string("\n") : "") + c.version + "\n");
      continue;
    }
    Shell("ntfsinfo -m " + volume, &out);
    EXPECT_NE(out.find("Failed to load $MFT"), std::string::npos) << "the boot sector is taken\n" << out;
    EXPECT_EQ(out.find("signature is missing"), std::string::npos) << out;
    EXPECT_EQ(ReadSectorAt(volume, c.sectors - 1), ReadSectorAt(volume, 0)) << "the backup boot sector";
    WriteSectorAt(volume, 0, std::vector<uint8_t>(512, 0));
    Shell("ntfsfix -n " + volume, &out);
    EXPECT_NE(out.find("The alternate bootsector is usable"), std::string::npos) << out;
  }
}
