// Finding the system disk (which the deletion wizard refuses) and a blank
// disk, on an installed Windows and on a boot medium.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/app_state.h"
#include "duplicate/system_disk.h"
#include "erase/region_fixture.h"
#include "support/image_tools.h"

using namespace testing_support;

class SystemDiskTest : public RegionTest {
 protected:
  // Makes a file or folder in the host folder of the volume with that letter.
  void Put(wchar_t letter, const std::string& name, bool folder) {
    auto v = Sim().Mounts().ByLetter(letter);
    ASSERT_TRUE(v);
    std::filesystem::path p = std::filesystem::path(v->hostFolder) / name;
    std::filesystem::create_directories(folder ? p : p.parent_path());
    if (!folder) std::ofstream(p).put('x');
  }
};

TEST_F(SystemDiskTest, InstalledWindowsIsFoundByItsLetterAndTheLargestEmptyDiskIsBlank) {
  config_.windowsDir = L"D:\\Windows";
  AddDisk("size=8MiB,model=Data");
  AddDisk("size=8MiB,model=Small Empty");
  AddDisk("size=16MiB,model=System");
  AddDisk("size=12MiB,model=Large Empty");
  AddDisk("size=4MiB,model=Small Empty Too");
  Boot();
  Layout(0, {{2048, 8000, "NTFS"}});  // C:
  Layout(2, {{2048, 8000, "NTFS"}});  // D:
  app::ReadStartupValues();
  duplicate::DetectSystemAndBlankDisks();
  EXPECT_EQ(duplicate::SystemDisk, 3);
  EXPECT_EQ(duplicate::SystemPartitionText, L"IDS_Partition (D:)");
  EXPECT_EQ(duplicate::BlankDisk, 4);

  duplicate::MarkerMode = true;
  std::vector<uint8_t> marked(512, 0);
  std::memcpy(marked.data() + 16, duplicate::kOneClickMark, 19);
  WriteSectorAt(ImagePath(1), 0, marked);
  duplicate::DetectSystemAndBlankDisks();
  EXPECT_EQ(duplicate::BlankDisk, 2) << "the marked disk, not the largest one";
}

TEST_F(SystemDiskTest, OnTheBootMediumTheVolumeWithWindowsAndBootFilesCounts) {
  config_.programPath = L"X:\\Vektrel\\vektrel.exe";
  config_.windowsDir = L"X:\\Windows";
  AddDisk("size=8MiB,model=Data");
  AddDisk("size=8MiB,model=Installed");
  Boot();
  Layout(0, {{2048, 8000, "NTFS"}});  // C: a Windows folder but nothing to start it
  Layout(1, {{2048, 8000, "NTFS"}});  // D: Windows and a page file, no boot manager
  Put(L'C', "Windows", true);
  Put(L'D', "Windows/System32", true);
  Put(L'D', "pagefile.sys", false);
  app::ReadStartupValues();
  ASSERT_TRUE(app::IsWinPE);
  EXPECT_FALSE(duplicate::IsSystemVolume(L"C:"));
  EXPECT_TRUE(duplicate::IsSystemVolume(L"D:"));
  duplicate::DetectSystemAndBlankDisks();
  EXPECT_EQ(duplicate::SystemDisk, 2);
  EXPECT_EQ(duplicate::BlankDisk, -1);
}
