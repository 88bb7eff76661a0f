// Machine files and --disk options.
#include <gtest/gtest.h>

#include "platform/sim/machine_config.h"
#include "platform/sim/ini.h"

TEST(MachineConfigTest, DiskOptionsParse) {
  sim::DiskConfig d;
  std::string err;
  ASSERT_TRUE(sim::ParseDiskOption("/tmp/a.img,size=1.5GiB,model=Fast Disk 1,bus=Usb,serial=XY12,spt=32,tpc=16,"
                                   "bad=10-20,bad=30-30,flaky=5:3,corrupt=40-41,wp=1,removable=1",
                                   &d, &err))
      << err;
  EXPECT_EQ(d.image, "/tmp/a.img");
  EXPECT_EQ(d.sizeBytes, 3ull << 29);
  EXPECT_EQ(d.model, "Fast Disk 1");
  EXPECT_EQ(d.busType, 7u);
  EXPECT_EQ(d.sectorsPerTrack, 32u);
  EXPECT_EQ(d.tracksPerCylinder, 16u);
  ASSERT_EQ(d.bad.size(), 2u);
  EXPECT_EQ(d.bad[1].first, 30u);
  ASSERT_EQ(d.flaky.size(), 1u);
  EXPECT_EQ(d.flaky[0].failures, 3);
  EXPECT_TRUE(d.writeProtected && d.removable);
}

TEST(MachineConfigTest, BadSettingsAreRefusedWithAReason) {
  const char* bad[] = {"x.img,size=12XB", "x.img,bus=Floppy", "x.img,bad=9-3", "x.img,flaky=7", "x.img,spt=0",
                       "x.img,colour=red", "x.img,wp", ",size=1MiB"};
  for (const char* opt : bad) {
    sim::DiskConfig d;
    std::string err;
    EXPECT_FALSE(sim::ParseDiskOption(opt, &d, &err)) << opt;
    EXPECT_FALSE(err.empty()) << opt;
  }
}

TEST(MachineConfigTest, MachineFileSections) {
  const char* text =
      "; a test machine\n"
      "[machine]\nprogram = X:\\Vektrel\\vektrel.exe\nversion = 6.1\nwow64 = 1\ntime = 2026-01-02 03:04:05\n"
      "[disk]\nimage = a.img\nsize = 1MiB\n"
      "[disk]\nimage = b.img\nsize = 2MiB\nmodel = Second\n"
      "[volume]\ndisk = 0\nstart = 2048\nletter = none\ninuse = 1\n"
      "[drive]\nletter = X\ntype = ramdisk\nfiles = pe\n"
      "[registry]\nHKLM\\Software\\Test\\Value = dword:7\n";
  sim::IniFile ini;
  std::string err;
  ASSERT_TRUE(sim::ParseIni(text, &ini, &err)) << err;
  sim::MachineConfig c;
  ASSERT_TRUE(sim::MachineFromIni(ini, "/base", &c, &err)) << err;
  EXPECT_EQ(c.programPath, L"X:\\Vektrel\\vektrel.exe");
  EXPECT_EQ(c.versionMajor, 6u);
  EXPECT_TRUE(c.wow64);
  EXPECT_EQ(c.startTime, 1767323045);
  ASSERT_EQ(c.disks.size(), 2u);
  EXPECT_EQ(c.disks[0].image, "/base/a.img");
  EXPECT_EQ(c.disks[1].model, "Second");
  ASSERT_EQ(c.volumes.size(), 1u);
  EXPECT_TRUE(c.volumes[0].noLetter && c.volumes[0].inUse);
  ASSERT_EQ(c.drives.size(), 1u);
  EXPECT_EQ(c.drives[0].driveType, 6u);
  ASSERT_EQ(c.registry.size(), 1u);
  EXPECT_EQ(c.registry[0].type, 4u);
  sim::CompleteMachineConfig(&c, "/exe");
  EXPECT_EQ(c.windowsDir, L"X:\\Windows") << "a program on X: runs from Windows PE";

  sim::MachineConfig bad;
  ASSERT_TRUE(sim::ParseIni("[machine]\nclock = sundial\n", &ini, &err));
  EXPECT_FALSE(sim::MachineFromIni(ini, "", &bad, &err));
  EXPECT_NE(err.find("clock"), std::string::npos);
}
