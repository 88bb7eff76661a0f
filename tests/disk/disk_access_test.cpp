// The sector routines at the edges of what can be addressed: a sector
// number or count whose byte value does not fit fails the transfer and
// never wraps around to a sector near the start of the disk.
#include <gtest/gtest.h>

#include <cstring>

#include "disk/disk_access.h"
#include "support/sim_fixture.h"

using namespace testing_support;

class DiskAccessTest : public SimTest {
 protected:
  DiskAccessTest() { disk::ResetDiskAccessState(); }
  ~DiskAccessTest() override { disk::ResetDiskAccessState(); }
};

TEST_F(DiskAccessTest, TransfersThatCannotBeAddressedFail) {
  AddDisk("size=1000s,model=Small");
  Boot();
  ASSERT_NE(disk::OpenDiskReadWrite(0), platform::kNullHandle);
  alignas(4096) static uint8_t buffer[2 * 512];
  struct Case {
    uint64_t lba;
    uint32_t count;
    bool ok;
  } cases[] = {
      {999, 1, true},
      {999, 2, false},
      {1000, 1, false},
      {(1ull << 55) + 1, 1, false},  // its byte offset wraps to sector 1
      {1ull << 54, 1, false},        // 2^63 bytes: a negative file offset on Windows
      {UINT64_MAX, 1, false},
      {0, 1u << 23, false},  // 2^32 bytes: the byte count wraps to 0
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lba);
    disk::IoErrorCount = 0;
    std::memset(buffer, 0x5A, sizeof buffer);
    EXPECT_EQ(disk::ReadCurrentDisk(buffer, c.lba, c.count), c.ok ? 0 : -1);
    EXPECT_EQ(disk::IoErrorCount, c.ok ? 0 : 1);
    EXPECT_EQ(disk::WriteCurrentDisk(buffer, c.lba, c.count) != 0, c.ok);
    EXPECT_EQ(disk::IoErrorCount, c.ok ? 0 : 6) << "five write attempts";
  }
  disk::CloseCurrentDisk();
  std::vector<uint8_t> image = ReadHostFile(ImagePath(0));
  for (size_t i = 0; i < 999 * 512; ++i) ASSERT_EQ(image[i], 0) << "byte " << i << " was written";
}
