#include "partition/format_request.h"

#include <string>

#include "app/app_state.h"
#include "platform/system.h"
#include "platform/winapi.h"

namespace partition {

FormatRequestRecord FormatRequest;
FormatProgressRecord FormatProgress;

namespace {

constexpr uint32_t kRemovableMedia = 11;
constexpr uint32_t kFixedMedia = 12;

bool CallFormatEx(const std::wstring& root, uint32_t media, const wchar_t* fileSystem, bool quick,
                  uint32_t clusterBytes) {
  return platform::Sys().FormatEx(root, media, fileSystem, L"", quick, clusterBytes, FormatCallback);
}

}  // namespace

bool FileSystemFits(const std::wstring& fileSystem, uint64_t sectors) {
  uint64_t mb = sectors / 2048;
  bool fat32 = fileSystem == L"FAT32" || (fileSystem == L"FAT" && mb > 4095);
  return !fat32 || mb > 32767 || sectors >= kFat32MinSectors;
}

bool FormatCallback(uint32_t command, uint32_t, void* argument) {
  switch (command) {
    case kFormatProgress:
      if (argument) FormatProgress.percent = int32_t(*static_cast<const uint32_t*>(argument));
      break;
    case kFormatDone:
      // The success value first: the dialog reads it once it sees done.
      FormatProgress.succeeded = argument && *static_cast<const uint8_t*>(argument) != 0;
      ++FormatProgress.completions;
      FormatProgress.done = true;
      break;
    case kFormatOutput:
      FormatProgress.textOutput = argument;
      break;
    default:
      break;
  }
  return true;
}

void RunFormatEx(const FormatRequestRecord& r) {
  bool called = false;
  if (r.driveIndex >= 0 && r.driveIndex < 26) {
    wchar_t letter = wchar_t(L'A' + r.driveIndex);
    std::wstring root = std::wstring(1, letter) + L":\\";
    if (r.fileSystemCode == 7) {
      // Outside Windows PE the drives before D: hold the running system.
      if ((letter >= L'D' && letter <= L'Z') || app::IsWinPE)
        called = CallFormatEx(root, kFixedMedia, L"NTFS", r.quick, uint32_t(r.clusterSectors) * 512);
    } else {
      uint32_t type = platform::Sys().GetDriveType(root);
      uint32_t media = type == win::DRIVE_REMOVABLE ? kRemovableMedia : type == win::DRIVE_FIXED ? kFixedMedia : 0;
      if (media) called = CallFormatEx(root, media, r.fat32 ? L"FAT32" : L"FAT", r.quick, 0);
    }
  }
  if (!called || FormatProgress.completions == 0) {
    FormatProgress.succeeded = false;
    FormatProgress.done = true;
  }
}

void ResetFormatState() {
  FormatRequest = FormatRequestRecord{};
  FormatProgress.percent = 0;
  FormatProgress.done = false;
  FormatProgress.completions = 0;
  FormatProgress.succeeded = false;
  FormatProgress.textOutput = nullptr;
}

}  // namespace partition
