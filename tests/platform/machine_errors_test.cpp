// What a simulated PC refuses to be built from, as the console reports it
// (exit code 2, "vektrel-cli: ..." naming the problem), what it never does
// to an image file, and the machine a command line stands for.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "support/sim_fixture.h"

using namespace testing_support;
namespace fs = std::filesystem;

class MachineErrorsTest : public ::testing::Test {
 protected:
  // A hang (a folder or a FIFO read as a disk) fails the case instead of the run.
  int Cli(const std::string& args, std::string* out) {
    return Shell("timeout 60 " + std::string(VEKTREL_BIN_DIR) + "/vektrel-cli " + args, out);
  }
  std::string Image(const std::string& name, uint64_t bytes) {
    std::string path = dir_.File(name);
    std::ofstream(path, std::ios::binary).close();
    fs::resize_file(path, bytes);
    return path;
  }
  TempDir dir_;
};

TEST_F(MachineErrorsTest, WhatIsNotADiskImageIsRefusedByName) {
  std::string img = Image("disk.img", 1 << 20);  // 2048 sectors
  std::string empty = Image("empty.img", 100);
  std::string folder = dir_.File("folder");
  fs::create_directory(folder);
  std::string fifo = dir_.File("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::string socketPath = dir_.File("sock");
  int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  ASSERT_LT(socketPath.size(), sizeof addr.sun_path);
  std::strcpy(addr.sun_path, socketPath.c_str());
  ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  struct Case {
    std::string args;
    std::string shows;
  } cases[] = {
      {"--disk " + folder, "disk image " + folder + " is a folder"},
      {"--disk /dev/zero", "disk image /dev/zero is a character device"},
      {"--disk " + fifo, "disk image " + fifo + " is a FIFO"},
      {"--disk " + socketPath, "disk image " + socketPath + " is a socket"},
      {"--disk /proc/cpuinfo", "/proc/cpuinfo has no size the kernel can report"},
      {"--disk /proc/self/status", "/proc/self/status has no size the kernel can report"},
      {"--disk " + empty, "is smaller than one sector (100 bytes)"},
      {"--machine " + folder, "machine file " + folder + " is a folder"},
      {"--machine /dev/zero", "machine file /dev/zero is not a regular file"},
      {"--disk " + img + ",bad=2048", "bad=2048-2048 lies past the end of the disk (2048 sectors, the last is 2047)"},
      {"--disk " + img + ",corrupt=100-5000", "corrupt=100-5000 lies past the end of the disk"},
      {"--disk " + img + ",flaky=4096:2", "flaky=4096:2 lies past the end of the disk"},
  };
  for (const Case& c : cases) {
    std::string out;
    EXPECT_EQ(Cli(c.args + " disks", &out), 2) << c.args << "\n" << out;
    EXPECT_NE(out.find("vektrel-cli: "), std::string::npos) << c.args << "\n" << out;
    EXPECT_NE(out.find(c.shows), std::string::npos) << c.args << "\n" << out;
  }
  close(sock);
  std::string out;
  EXPECT_EQ(Cli("--disk " + img + ",bad=2047 disks", &out), 0) << "the last sector is on the disk\n" << out;
}

TEST_F(MachineErrorsTest, OneFileIsNeverTwoDrives) {
  std::string img = Image("disk.img", 1 << 20);
  std::string other = Image("other.img", 1 << 20);
  fs::create_directory(dir_.File("sub"));
  fs::create_symlink(img, dir_.File("link.img"));
  fs::create_hard_link(img, dir_.File("hard.img"));
  std::string machine = WriteInstalledMachine(dir_.File("machine.ini"), {img});
  struct Case {
    std::string args;
    std::string second;  // how the second listing named the file
  } cases[] = {
      {"--disk " + img + " --disk " + img, img},
      {"--disk " + img + " --disk " + dir_.File("sub/../disk.img"), dir_.File("sub/../disk.img")},
      {"--disk " + img + " --disk " + dir_.File("link.img"), dir_.File("link.img")},
      {"--disk " + img + " --disk " + dir_.File("hard.img") + ",model=Other", dir_.File("hard.img")},
      {"--machine " + machine + " --disk " + dir_.File("./disk.img"), dir_.File("./disk.img")},
      {"--disk " + img + " --disk " + other + " --disk " + img, img},
  };
  for (const Case& c : cases) {
    std::string out;
    EXPECT_EQ(Cli(c.args + " disks", &out), 2) << c.args << "\n" << out;
    EXPECT_NE(out.find("vektrel-cli: disk images " + img + " (drive 0) and " + c.second), std::string::npos)
        << c.args << "\n" << out;
    EXPECT_NE(out.find("are the same file"), std::string::npos) << c.args << "\n" << out;
  }
  std::string out;
  EXPECT_EQ(Cli("--disk " + img + " --disk " + other + " disks", &out), 0) << out;
}

TEST_F(MachineErrorsTest, SizeOnlyMakesAMissingImageAndNeverChangesALength) {
  std::string img = Image("disk.img", 1 << 20);
  fs::create_directory(dir_.File("folder"));
  struct Case {
    std::string option;
    int code;
    std::string shows;
    std::string file;      // the image that must exist afterwards with `bytes` ("" none)
    uint64_t bytes;
    std::string leftOut;  // a path that must not exist afterwards
  } cases[] = {
      {img + ",size=2MiB", 2, "is 1048576 bytes long, not the size= given (2097152 bytes)", img, 1 << 20, ""},
      {img + ",size=512KiB", 2, "is 1048576 bytes long, not the size= given (524288 bytes)", img, 1 << 20, ""},
      {img + ",size=1MiB", 0, "Disk0", img, 1 << 20, ""},
      {dir_.File("new/deeper/made.img") + ",size=3MiB", 0, "Disk0", dir_.File("new/deeper/made.img"), 3 << 20, ""},
      {dir_.File("huge/a/b.img") + ",size=9000000TiB", 2, "too large for a file", "", 0, dir_.File("huge")},
      {img + "/sub/x.img,size=1MiB", 2, "cannot make folder " + img + "/sub", img, 1 << 20, img + "/sub"},
      // The folders are made, then the file cannot be: they go again.
      {dir_.File("made/twice/../../folder") + ",size=1MiB", 2, "cannot create disk image", "", 0, dir_.File("made")},
      {dir_.File("absent.img"), 2, "does not exist and no size= was given", "", 0, dir_.File("absent.img")},
  };
  for (const Case& c : cases) {
    std::string out;
    EXPECT_EQ(Cli("--disk " + c.option + " disks", &out), c.code) << c.option << "\n" << out;
    EXPECT_NE(out.find(c.shows), std::string::npos) << c.option << "\n" << out;
    if (c.code == 2) {
      EXPECT_NE(out.find("vektrel-cli: "), std::string::npos) << out;
    }
    if (!c.file.empty()) {
      EXPECT_EQ(fs::file_size(c.file), c.bytes) << c.option;
    }
    std::error_code ec;
    if (!c.leftOut.empty()) {
      EXPECT_FALSE(fs::exists(c.leftOut, ec)) << c.option << ": left behind";
    }
  }
}

// A machine of --disk images alone is a Windows PE boot: no given disk holds
// the running Windows. A machine file still describes an installed one.
TEST_F(MachineErrorsTest, DiskOptionsAloneAreABootMediumAndAMachineFileAnInstalledWindows) {
  std::string img = Image("disk.img", 64 << 20);
  std::string out;
  ASSERT_EQ(Cli("--disk " + img + " part create --disk 0 --size 32 --kind primary --fs NTFS", &out), 0) << out;
  std::string machine = WriteInstalledMachine(dir_.File("machine.ini"), {img + ",bus=Sata"});
  std::string disks = "--disk " + img + ",bus=Sata ";
  struct Case {
    std::string args;
    int code;
    std::string shows;
  } cases[] = {
      {disks + "info", 0, "IsWinPE:      true"},
      {disks + "info", 0, "AppDirectory: X:\\Vektrel"},
      {"--machine " + machine + " info", 0, "IsWinPE:      false"},
      {"--machine " + machine + " --yes wipe --partition 0:1 --method 0", 1, "holds the Windows you are running"},
      {disks + "--json disks", 0, "\"BusName\":\"SATA\",\"BusCode\":3"},
      {disks + "--json disks", 0, "{\"index\":0,\"DriveNumber\":0,"},
      {disks + "--yes wipe --partition 0:1 --method 0", 0, "Completed"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Cli(c.args, &out), c.code) << c.args << "\n" << out;
    EXPECT_NE(out.find(c.shows), std::string::npos) << c.args << "\n" << out;
  }
}
