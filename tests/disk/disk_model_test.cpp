// The disk table, identification and the volume maps on simulated PCs.
#include <gtest/gtest.h>

#include "app/disk_list.h"
#include "app/format_size.h"
#include "app/language.h"
#include "disk/disk_access.h"
#include "disk/disk_table.h"
#include "disk/identify.h"
#include "disk/volume_map.h"
#include "platform/sim/boot_sectors.h"
#include "platform/sim/sim_layout.h"
#include "platform/winapi.h"
#include "support/image_tools.h"
#include "support/sim_fixture.h"

using namespace testing_support;

class DiskModelTest : public SimTest {
 protected:
  // Partitions written by the simulated driver itself, with file systems.
  void Partition(int drive, std::vector<std::pair<uint64_t, uint64_t>> parts, std::vector<std::string> fs,
                 uint8_t type = 0x07) {
    std::vector<MbrPart> mbr;
    for (size_t i = 0; i < parts.size(); ++i) mbr.push_back({parts[i].first, parts[i].second, type, fs[i]});
    ASSERT_EQ(WriteMbrGroups(Sim().Disk(drive), 0x1000u + uint32_t(drive), {mbr}), 0u);
  }
};

TEST_F(DiskModelTest, DisksAreNumberedInDriveOrderWithGapsClosed) {
  AddDisk("size=1MiB,model=First");
  AddDisk("missing=1");
  AddDisk("size=2MiB,model=Third Disk,bus=Scsi,serial=SER123");
  Boot();
  disk::RefreshDiskModel();
  ASSERT_EQ(disk::DiskCount, 2);
  EXPECT_EQ(disk::DiskTable[1].DriveNumber, 0);
  EXPECT_EQ(disk::DiskTable[2].DriveNumber, 2);
  EXPECT_EQ(disk::DiskTable[2].SizeSectors, 4096u);
  EXPECT_EQ(disk::DiskTable[2].Model, L"Third Disk");
  EXPECT_EQ(disk::DiskTable[2].BusName, L"SCSI");
  EXPECT_EQ(disk::LastIdentifiedSerial, "SER123") << "a SCSI serial is taken as it is";
}

TEST_F(DiskModelTest, RegistryCountLimitsTheTable) {
  for (int i = 0; i < 3; ++i) AddDisk("size=1MiB");
  config_.diskCount = 0;
  Boot();
  disk::RefreshDiskModel();
  EXPECT_EQ(disk::DiskCount, 0);
  EXPECT_TRUE(app::BuildDiskListRows().empty());

  config_.diskCount = 7;  // more than answer: the scan stops after drive 16
  Boot();
  disk::RefreshDiskModel();
  EXPECT_EQ(disk::DiskCount, 7);
  EXPECT_EQ(disk::DiskTable[3].DriveNumber, 2);
  EXPECT_EQ(disk::DiskTable[4].DriveNumber, -1);
}

TEST_F(DiskModelTest, BusCodesAndSerials) {
  // The list shows the bus the drive reports; the old coarse code stays
  // beside it.
  struct Case {
    const char* bus;
    const wchar_t* name;
    uint8_t code;
  } cases[] = {{"Ata", L"ATA", 1},  {"Scsi", L"SCSI", 2},   {"Sata", L"SATA", 3}, {"Raid", L"RAID", 3},
               {"Usb", L"USB", 3},  {"Nvme", L"NVMe", 3},   {"Sas", L"SAS", 3},   {"iScsi", L"iSCSI", 3},
               {"Sd", L"SD", 3},    {"Virtual", L"Virtual", 3}, {"1394", L"1394", 3}, {"Unknown", L"Unknown", 3}};
  for (auto& c : cases) {
    config_.disks.clear();
    AddDisk(std::string("size=1MiB,model=M,serial=WD-WCC4N1234567,bus=") + c.bus);
    Boot();
    disk::RefreshDiskModel();
    EXPECT_EQ(disk::DiskTable[1].BusName, c.name) << c.bus;
    EXPECT_EQ(disk::IdentifyRecords[0].BusCode, c.code) << c.bus;
    // Other buses report the serial in the old hexadecimal byte-swapped
    // form, which decodes back to the text.
    EXPECT_EQ(disk::LastIdentifiedSerial, "WD-WCC4N1234567") << c.bus;
  }
  EXPECT_EQ(disk::DecodeHexSerial("3157"), "W1");  // "57" first, then "31"
  EXPECT_EQ(disk::DecodeHexSerial("2000zz41"), " A") << "zero bytes drop out, other characters count as 0";
  EXPECT_FALSE(disk::SerialLooksReal("  ------"));
  EXPECT_TRUE(disk::SerialLooksReal(std::string(19, ' ') + "Z"));
}

TEST_F(DiskModelTest, IdentifyDataWordsAreSwapped) {
  uint8_t data[512] = {};
  const char serial[] = "S3Z9NB0K12345       ";                      // 20 characters
  const char model[] = "Samsung SSD 860 EVO 500GB               ";  // 40 characters
  for (int i = 0; i < 20; i += 2) {
    data[20 + i] = uint8_t(serial[i + 1]);
    data[21 + i] = uint8_t(serial[i]);
  }
  for (int i = 0; i < 40; i += 2) {
    data[54 + i] = uint8_t(model[i + 1]);
    data[55 + i] = uint8_t(model[i]);
  }
  disk::IdentifyStrings s = disk::ParseIdentifyData(data);
  EXPECT_EQ(s.model, "Samsung SSD 860 EVO 500GB");
  EXPECT_EQ(s.serial, "S3Z9NB0K12345");
}

TEST_F(DiskModelTest, DiskWithoutModelIsLeftOutOfTheList) {
  AddDisk("size=1MiB,model=");
  AddDisk("size=1MiB,model=Named");
  Boot();
  auto rows = app::BuildDiskListRows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].cells[1], L"Named");
  EXPECT_EQ(rows[0].cells[0], app::T(L"IDS_Drive") + L"1");
}

TEST_F(DiskModelTest, VolumesGetLettersFromCInDiskOrder) {
  AddDisk("size=128MiB");
  AddDisk("size=64MiB,removable=1");
  sim::DriveConfig cd;
  cd.letter = L'E';
  cd.driveType = 5;
  config_.drives.push_back(cd);
  sim::VolumeConfig pinned;
  pinned.disk = 1;
  pinned.startLba = 40000;
  pinned.letter = L'R';
  config_.volumes.push_back(pinned);
  Boot();
  Partition(0, {{2048, 30000}, {40000, 30000}, {80000, 70000}}, {"NTFS", "", "FAT32"});
  Partition(1, {{2048, 30000}, {40000, 30000}}, {"FAT", "NTFS"});
  // Windows notices the new tables when the driver is told to look again.
  for (int d = 0; d < 2; ++d) {
    platform::Handle h = disk::OpenDiskHandle(d);
    uint32_t got = 0;
    EXPECT_TRUE(platform::Sys().DeviceIoControl(h, win::IOCTL_DISK_UPDATE_PROPERTIES, nullptr, 0, nullptr, 0, &got));
    platform::Sys().CloseHandle(h);
  }
  disk::RefreshDiskModel();
  // C D (E is the CD drive) F on disk 0, G and the pinned R on disk 1.
  ASSERT_EQ(disk::VolumeCount, 5);
  std::wstring letters;
  for (int k = 1; k <= disk::VolumeCount; ++k) letters.push_back(wchar_t(disk::VolumeTable[k].Letter));
  EXPECT_EQ(letters, L"CDFGR");
  EXPECT_EQ(disk::DriveLetterOf(2048, 0), L'C');
  EXPECT_EQ(disk::DriveLetterOf(2048, 1), L'G') << "the same start on another disk";
  EXPECT_EQ(disk::DriveLetterOf(5, 0), -1);
  EXPECT_EQ(disk::FileSystemTypeOfLetter(L'C'), disk::kFsNtfs);
  EXPECT_EQ(disk::FileSystemTypeOfLetter(L'D'), 0) << "RAW: a letter but no file system";
  EXPECT_EQ(disk::FileSystemTypeOfLetter(L'F'), disk::kFsFat32);
  EXPECT_EQ(disk::FileSystemTypeOfLetter(L'G'), disk::kFsFat);
  EXPECT_EQ(platform::Sys().GetDriveType(L"G:\\"), win::DRIVE_REMOVABLE);
  EXPECT_EQ(disk::LetterDiskMap[L'E' - L'B'].DiskNumberPlusOne, 1) << "the CD drive answers with a device number";
  EXPECT_EQ(disk::CountVolumesOnDisk(0), 3);
  EXPECT_EQ(disk::CountVolumesOnDisk(1), 2);
  EXPECT_EQ(disk::VolumeTable[1].PartitionNumber, 1u);
  EXPECT_EQ(disk::VolumeTable[3].PartitionNumber, 3u);
  EXPECT_FALSE(disk::VolumeNameAt(0, 40000 * 512).empty());
  EXPECT_TRUE(disk::VolumeNameAt(0, 12345 * 512).empty());
}

TEST_F(DiskModelTest, UsedSpaceCountsFilesInWholeClusters) {
  AddDisk("size=64MiB,model=Data");
  sim::VolumeConfig v;
  v.disk = 0;
  v.startLba = 2048;
  v.files = dir_.File("vol");
  config_.volumes.push_back(v);
  WriteHostFile(dir_.File("vol") + "/a.txt", std::vector<uint8_t>(1, 'x'));
  WriteHostFile(dir_.File("vol") + "/sub/b.bin", std::vector<uint8_t>(4097, 'y'));
  Boot();
  Partition(0, {{2048, 100000}}, {"NTFS"});
  platform::Handle h = disk::OpenDiskHandle(0);
  uint32_t got = 0;
  platform::Sys().DeviceIoControl(h, win::IOCTL_DISK_UPDATE_PROPERTIES, nullptr, 0, nullptr, 0, &got);
  platform::Sys().CloseHandle(h);
  disk::RefreshDiskModel();
  // 1 byte -> 4 KiB, 4097 bytes -> 8 KiB: 12 KiB = 24 sectors.
  EXPECT_EQ(disk::UsedSectorsOfLetter(L'C'), 24u);
  auto rows = app::BuildDiskListRows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].cells[1], L"NTFS  (C:)");
  EXPECT_EQ(rows[1].cells[3], app::FormatSize(24));
  EXPECT_EQ(rows[0].cells[3], app::FormatSize(24)) << "the disk row sums its partitions";
}

TEST(FormatSizeTest, Units) {
  struct Case {
    uint64_t sectors;
    const wchar_t* text;
  } cases[] = {
      {0, L"0 Byte"},         {1, L"512 Byte"},         {2, L"0.00 MB"},    {1024, L"0.50 MB"},
      {2048, L"1 MB"},        {3072, L"1.50 MB"},       {2097152, L"1 GB"}, {976773168, L"465.76 GB"},
      {2147483648ull, L"1 TB"}, {3ull << 30, L"1.50 TB"}, {204800, L"100 MB"},
  };
  for (auto& c : cases) EXPECT_EQ(app::FormatSize(c.sectors), c.text) << c.sectors;
}
