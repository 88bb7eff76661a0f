// The simulated PC's disks and raw access through the program's own
// sector routines: bounds, faults, write protection, device paths.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "disk/disk_access.h"
#include "platform/system.h"
#include "platform/winapi.h"
#include "support/sim_fixture.h"

using namespace testing_support;

class RawAccessTest : public SimTest {};

TEST_F(RawAccessTest, ThreeTerabyteDiskReadsItsLastSectorAndFailsOneFurther) {
  AddDisk("size=3TiB");
  Boot();
  const uint64_t last = (3ull << 40) / 512 - 1;
  EXPECT_EQ(disk::GetDiskSizeSectors(0), last + 1);
  ASSERT_NE(disk::OpenDiskReadOnly(0), platform::kNullHandle);
  std::vector<uint8_t> buf(512, 0xEE);
  // A write at the very end lands where a 64-bit seek puts it.
  std::vector<uint8_t> pattern(512, 0x5A);
  disk::CloseCurrentDisk();
  ASSERT_NE(disk::OpenDiskReadWrite(0), platform::kNullHandle);
  EXPECT_NE(disk::WriteCurrentDisk(pattern.data(), last, 1), 0);
  EXPECT_EQ(disk::ReadCurrentDisk(buf.data(), last, 1), 0);
  EXPECT_EQ(buf, pattern);
  EXPECT_EQ(disk::IoErrorCount, 0);
  std::vector<uint8_t> before = buf;
  EXPECT_EQ(disk::ReadCurrentDisk(buf.data(), last + 1, 1), -1);
  EXPECT_EQ(disk::IoErrorCount, 1);
  EXPECT_EQ(buf, before) << "a failed read leaves the buffer as it was";
  disk::CloseCurrentDisk();
  EXPECT_EQ(disk::OpenDiskCount, 0);
}

TEST_F(RawAccessTest, WriteProtectedDiskMakesExactlyFiveAttempts) {
  AddDisk("size=1MiB,wp=1");
  Boot();
  ASSERT_NE(disk::OpenDiskReadWrite(0), platform::kNullHandle);
  std::vector<uint8_t> buf(512, 1);
  EXPECT_EQ(disk::WriteCurrentDisk(buf.data(), 10, 1), 0);
  EXPECT_EQ(disk::IoErrorCount, 5);
  EXPECT_EQ(Sim().Disk(0).writes, 5u);
  disk::CloseCurrentDisk();
}

TEST_F(RawAccessTest, SizeIsTheExactLengthNotTheCylinderRoundedOne) {
  // 1000 sectors is not a whole number of 255 x 63 cylinders.
  AddDisk("size=1000s");
  AddDisk("size=8MiB,spt=255");
  Boot();
  EXPECT_EQ(disk::GetDiskSizeSectors(0), 1000u);
  EXPECT_EQ(disk::LastSectorsPerTrack, 63u);
  EXPECT_EQ(disk::GetDiskSizeSectors(1), 16384u);
  EXPECT_EQ(disk::LastSectorsPerTrack, 63u) << "255 sectors per track is kept at the BIOS limit";
  EXPECT_EQ(disk::GetDiskSizeSectors(7), 0u) << "a drive that does not exist has no size";
}

TEST_F(RawAccessTest, DriveNumbersAboveNineOpen) {
  for (int i = 0; i < 12; ++i) AddDisk("size=64KiB");
  Boot();
  EXPECT_EQ(disk::PhysicalDrivePath(11), L"\\\\.\\PhysicalDrive11");
  EXPECT_EQ(disk::GetDiskSizeSectors(11), 128u);
  EXPECT_EQ(disk::GetDiskSizeSectors(12), 0u);
}

TEST_F(RawAccessTest, InjectedFaultsReachTransfers) {
  AddDisk("size=1MiB,bad=100-101,flaky=200:2,corrupt=300-300");
  Boot();
  ASSERT_NE(disk::OpenDiskReadWrite(0), platform::kNullHandle);
  std::vector<uint8_t> buf(8 * 512, 0);
  struct Case {
    uint64_t lba;
    uint32_t count;
    int expected;
  } reads[] = {
      {96, 4, 0},     // just before the bad range
      {98, 4, -1},    // overlaps it
      {101, 1, -1},   // its last sector
      {102, 1, 0},    // after it
      {200, 1, -1},   // flaky: first failure
      {199, 2, -1},   // flaky: second failure (the read covers it)
      {200, 1, 0},    // then it reads
  };
  for (const Case& c : reads) EXPECT_EQ(disk::ReadCurrentDisk(buf.data(), c.lba, c.count), c.expected) << c.lba;
  EXPECT_EQ(disk::IoErrorCount, 4);

  std::vector<uint8_t> data(2 * 512, 0x40);
  ASSERT_NE(disk::WriteCurrentDisk(data.data(), 299, 2), 0);
  ASSERT_EQ(disk::ReadCurrentDisk(buf.data(), 299, 2), 0);
  EXPECT_EQ(buf[0], 0x40) << "sector 299 is outside the corrupting range";
  EXPECT_EQ(buf[512], 0x41) << "sector 300 is stored with one bit flipped";
  EXPECT_EQ(std::memcmp(buf.data() + 513, data.data() + 513, 511), 0);
  disk::CloseCurrentDisk();
}

TEST_F(RawAccessTest, AccessRightsFollowTheOpenAndTheControlCode) {
  AddDisk("size=1MiB");
  Boot();
  auto& sys = platform::Sys();
  // A query-only handle (access 0) answers the geometry but cannot read.
  platform::Handle h = sys.CreateFile(disk::PhysicalDrivePath(0), 0, 3, win::OPEN_EXISTING, 0);
  ASSERT_TRUE(platform::IsValid(h));
  win::DiskGeometry g{};
  uint32_t got = 0;
  EXPECT_TRUE(sys.DeviceIoControl(h, win::IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &g, sizeof g, &got));
  win::LengthInfo len{};
  EXPECT_FALSE(sys.DeviceIoControl(h, win::IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &len, sizeof len, &got));
  EXPECT_EQ(sys.GetLastError(), win::ERROR_ACCESS_DENIED);
  uint8_t buf[512];
  EXPECT_FALSE(sys.ReadFile(h, buf, 512, &got));
  sys.CloseHandle(h);
  // Uncached transfers are whole sectors.
  h = disk::OpenDiskHandle(0);
  ASSERT_NE(h, platform::kNullHandle);
  EXPECT_EQ(disk::ReadSectors(h, buf, 0, 1), 512u);
  EXPECT_TRUE(sys.SetFilePointer(h, 100));
  EXPECT_FALSE(sys.ReadFile(h, buf, 512, &got));
  EXPECT_EQ(sys.GetLastError(), win::ERROR_INVALID_PARAMETER);
  sys.CloseHandle(h);
}
