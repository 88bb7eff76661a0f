// Transfers of the simulated disks as Windows makes them: a write through a
// handle without buffering or with write-through is on the medium when it
// returns, whatever the caller's buffer alignment; handles opened without
// those flags may stay cached.
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <fcntl.h>

#include <vector>

#include "platform/system.h"
#include "platform/winapi.h"
#include "support/image_tools.h"
#include "support/sim_fixture.h"

using namespace testing_support;

namespace {

// Whether any page of the byte range is in the host's page cache.
bool InPageCache(const std::string& path, uint64_t offset, uint64_t bytes) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const uint64_t page = uint64_t(::sysconf(_SC_PAGESIZE));
  uint64_t first = offset / page * page, end = (offset + bytes + page - 1) / page * page;
  void* map = ::mmap(nullptr, size_t(end - first), PROT_READ, MAP_SHARED, fd, off_t(first));
  ::close(fd);
  if (map == MAP_FAILED) return false;
  std::vector<unsigned char> resident(size_t((end - first) / page));
  bool any = false;
  if (::mincore(map, size_t(end - first), resident.data()) == 0)
    for (unsigned char r : resident) any |= (r & 1) != 0;
  ::munmap(map, size_t(end - first));
  return any;
}

}  // namespace

class ImageIoTest : public SimTest {};

TEST_F(ImageIoTest, UncachedWritesReachTheMediumBeforeTheyReturn) {
  AddDisk("size=4MiB");
  Boot();
  const std::string mode = Sim().Disk(0).IoName();
  ASSERT_TRUE(mode == "direct" || mode == "sync") << mode;
  constexpr uint32_t kUncached = win::FILE_FLAG_NO_BUFFERING | win::FILE_FLAG_WRITE_THROUGH;
  struct Case {
    uint32_t flags;
    uint64_t lba;
    uint32_t sectors;
    size_t misalign;  // bytes the caller's buffer lies off a page boundary
  } cases[] = {
      {kUncached, 8, 8, 0},      // one page, aligned
      {kUncached, 100, 3, 0},    // sectors inside a page
      {kUncached, 1024, 64, 1},  // a buffer at an odd address is bounced
      {kUncached, 2000, 16, 16},
      {win::FILE_FLAG_WRITE_THROUGH, 3000, 8, 0},
      {0, 4000, 8, 0},  // cached, as Windows may keep it
  };
  auto& sys = platform::Sys();
  for (const Case& c : cases) {
    SCOPED_TRACE("lba " + std::to_string(c.lba));
    const size_t bytes = size_t(c.sectors) * 512;
    // Pages of the image that are in the host's cache before the write.
    ReadSectorAt(ImagePath(0), c.lba);
    std::vector<uint8_t> storage(bytes + 8192);
    uint8_t* buffer = storage.data() + (4096 - reinterpret_cast<uintptr_t>(storage.data()) % 4096) + c.misalign;
    for (size_t i = 0; i < bytes; ++i) buffer[i] = uint8_t(c.lba + i * 7);
    std::vector<uint8_t> wrote(buffer, buffer + bytes);

    platform::Handle h = sys.CreateFile(L"\\\\.\\PhysicalDrive0", win::GENERIC_READ | win::GENERIC_WRITE,
                                        win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING, c.flags);
    ASSERT_TRUE(platform::IsValid(h));
    uint32_t done = 0;
    ASSERT_TRUE(sys.SetFilePointer(h, c.lba * 512));
    ASSERT_TRUE(sys.WriteFile(h, buffer, uint32_t(bytes), &done));
    ASSERT_EQ(done, bytes);
    // Direct transfers leave no copy in the host's cache to be written
    // later. (A host that takes only 4 KiB direct transfers syncs smaller ones.)
    bool wholePages = c.lba % 8 == 0 && c.sectors % 8 == 0;
    if (mode == "direct" && (c.flags & win::FILE_FLAG_NO_BUFFERING) && wholePages) {
      EXPECT_FALSE(InPageCache(ImagePath(0), c.lba * 512, bytes));
    }
    std::fill(buffer, buffer + bytes, 0);
    ASSERT_TRUE(sys.SetFilePointer(h, c.lba * 512));
    ASSERT_TRUE(sys.ReadFile(h, buffer, uint32_t(bytes), &done));
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + bytes), wrote) << "read back through the handle";
    sys.CloseHandle(h);
    for (uint32_t s = 0; s < c.sectors; ++s)
      ASSERT_EQ(ReadSectorAt(ImagePath(0), c.lba + s), std::vector<uint8_t>(wrote.begin() + s * 512, wrote.begin() + (s + 1) * 512))
          << "the image holds sector " << c.lba + s;
  }
}

TEST_F(ImageIoTest, EachDiskSaysHowItsTransfersReachTheMedium) {
  AddDisk("size=1MiB");
  config_.disks.push_back(config_.disks[0]);
  config_.disks[1].image = "memory";
  config_.disks[1].memory = std::make_shared<sim::MemoryImage>();
  std::string out;
  Boot();
  EXPECT_EQ(Sim().Disk(1).IoName(), "memory");
  ASSERT_EQ(Shell(std::string(VEKTREL_BIN_DIR) + "/vektrel-cli --json --disk " + ImagePath(0) + " info", &out), 0);
  EXPECT_NE(out.find("\"disks\":[{\"DriveNumber\":0,\"image\":\"" + ImagePath(0) + "\",\"DiskIo\":\"" +
                     Sim().Disk(0).IoName() + "\"}]"),
            std::string::npos)
      << out;
  ASSERT_EQ(Shell(std::string(VEKTREL_BIN_DIR) + "/vektrel-cli --disk " + ImagePath(0) + " info", &out), 0);
  EXPECT_NE(out.find("Disk 0 I/O:   " + Sim().Disk(0).IoName() + "  " + ImagePath(0)), std::string::npos) << out;
}
