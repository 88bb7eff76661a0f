// A simulated PC for the file copy tests: two 2 GiB disks of NTFS volumes,
// the sources on disk 0 and on disk 1 a roomy destination and a small one
// that fills up; an installed Windows (read through shadow copies) or
// Windows PE. Failures are looked up by path and reason.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "platform/text.h"
#include "support/image_tools.h"
#include "support/sim_fixture.h"
#include "tools/shadow_copy.h"

namespace testing_support {

class CopyMachineTest : public SimTest {
 protected:
  CopyMachineTest() { tools::ResetShadowClient(); }
  ~CopyMachineTest() override { tools::ResetShadowClient(); }

  // sourceVolumes NTFS volumes of 1,000,000 sectors on disk 0 (or one of
  // 2,000,000); disk 1 holds 2,000,000 sectors and then 16,384.
  void CopyMachine(bool installed, int sourceVolumes) {
    config_.windowsDir = L"C:\\Windows";
    config_.programPath = L"C:\\Program Files\\Vektrel\\vektrel.exe";
    config_.shadowLibraries = {L"Vshadow32.dll"};
    AddDisk("size=2GiB");
    AddDisk("size=2GiB");
    Boot();
    std::vector<MbrPart> sources = {{2048, 2000000, 0x07, "NTFS"}};
    if (sourceVolumes == 2) sources = {{2048, 1000000, 0x07, "NTFS"}, {1002048, 1000000, 0x07, "NTFS"}};
    ASSERT_EQ(WriteMbrGroups(Sim().Disk(0), 0x1111, {sources}), 0u);
    ASSERT_EQ(WriteMbrGroups(Sim().Disk(1), 0x2222, {{{2048, 2000000, 0x07, "NTFS"}, {2002048, 16384, 0x07, "NTFS"}}}),
              0u);
    Sim().Mounts().Mount();
    app::IsWinPE = !installed;
    app::AppDirectory = L"C:\\Program Files\\Vektrel";
  }

  // True when errors (each with .path and .reason) hold one for path whose
  // reason contains the given words; a failure lists them all otherwise.
  template <class Errors>
  static bool HasError(const Errors& errors, const std::wstring& path, const std::wstring& reason) {
    for (auto& e : errors)
      if (text::EqualsIgnoreCase(e.path, path) && e.reason.find(reason) != std::wstring::npos) return true;
    std::string all;
    for (auto& e : errors) all += text::ToUtf8(e.path + L": " + e.reason) + "\n";
    ADD_FAILURE() << "no error " << text::ToUtf8(path + L": " + reason) << " among\n" << all;
    return false;
  }
};

}  // namespace testing_support
