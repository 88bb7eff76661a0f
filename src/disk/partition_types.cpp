#include "disk/partition_types.h"

#include <cstdio>

#include "platform/text.h"

namespace disk {

const PartitionTypeRow PartitionTypeTable[83] = {
    {0x01, "FAT12     "}, {0x02, "XENIX root"}, {0x03, "XENIX usr "}, {0x04, "FAT16     "}, {0x06, "FAT16     "},
    {0x07, "NTFS      "}, {0x08, "AIX       "}, {0x09, "AIX       "}, {0x0A, "OS/2 Boot "}, {0x0B, "FAT32     "},
    {0x0C, "FAT32     "}, {0x0E, "FAT16     "}, {0x10, "OPUS      "}, {0x11, "FAT12     "}, {0x12, "Compaq    "},
    {0x14, "FAT16     "}, {0x16, "FAT16     "}, {0x17, "NTFS      "}, {0x1B, "FAT32     "}, {0x1C, "FAT32     "},
    {0x1E, "FAT16     "}, {0x24, "NEC DOS   "}, {0x38, "THEOS     "}, {0x39, "Plan 9    "}, {0x3C, "PartnMagic"},
    {0x40, "Venix     "}, {0x41, "PPC Boot  "}, {0x42, "Dynamic   "}, {0x4D, "QNX4.x    "}, {0x4E, "QNX4.x    "},
    {0x4F, "QNX4.x    "}, {0x50, "OnTrack   "}, {0x51, "OnTrack   "}, {0x52, "CP/M      "}, {0x53, "OnTrack   "},
    {0x54, "OnTrack   "}, {0x55, "EZ-Drive  "}, {0x56, "Golden Bow"}, {0x5C, "PriamEdisk"}, {0x61, "SpeedStor "},
    {0x63, "GNU       "}, {0x64, "Netware   "}, {0x65, "Netware   "}, {0x70, "DiskSecure"}, {0x75, "PC/IX     "},
    {0x80, "Minix     "}, {0x81, "Minix/L   "}, {0x82, "Linux     "}, {0x83, "Linux     "}, {0x84, "OS/2x     "},
    {0x85, "Linux     "}, {0x86, "NTFS      "}, {0x87, "NTFS      "}, {0x8E, "Linux LVM "}, {0x93, "Amoeba    "},
    {0x94, "AmoebaBBT "}, {0x9F, "BSD/OS    "}, {0xA0, "Thinkpad  "}, {0xA5, "BSD/386   "}, {0xA6, "OpenBSD   "},
    {0xA7, "NeXTSTEP  "}, {0xB7, "BSDI      "}, {0xB8, "BSDI      "}, {0xC1, "DRDOS     "}, {0xC4, "DRDOS     "},
    {0xC6, "DRDOS     "}, {0xC7, "Syrinx    "}, {0xDA, "Non-FSdata"}, {0xDB, "CP/M      "}, {0xDE, "Dell      "},
    {0xE4, "SpeedStor "}, {0xEB, "BeOS      "}, {0xEE, "EFI GPT   "}, {0xEF, "EFI       "}, {0xF1, "SpeedStor "},
    {0xF2, "DOS       "}, {0xF4, "SpeedStor "}, {0xFB, "VMWARE    "}, {0xFC, "VMWARESWAP"}, {0xFD, "Linux raid"},
    {0xFE, "LANstep   "}, {0xFF, "BBT       "}, {0x27, "EISA CFG  "},
};

namespace {

struct GptTypeRow {
  bytes::Guid type;
  int code;          // the MBR type of the same use; 0 for none
  const char* name;  // as the plan and the lists print it
};
const GptTypeRow kGptTypes[] = {
    // C12A7328-F81F-11D2-BA4B-00A0C93EC93B: EFI system partition
    {{{0x28, 0x73, 0x2A, 0xC1, 0x1F, 0xF8, 0xD2, 0x11, 0xBA, 0x4B, 0x00, 0xA0, 0xC9, 0x3E, 0xC9, 0x3B}}, 0xEF, "EFI system"},
    // 0FC63DAF-8483-4772-8E79-3D69D8477DE4: Linux file system data
    {{{0xAF, 0x3D, 0xC6, 0x0F, 0x83, 0x84, 0x72, 0x47, 0x8E, 0x79, 0x3D, 0x69, 0xD8, 0x47, 0x7D, 0xE4}}, 0x83, "Linux data"},
    // 4F68BCE3-E8CD-4DB1-96E7-FBCAF984B709: Linux root (x86-64)
    {{{0xE3, 0xBC, 0x68, 0x4F, 0xCD, 0xE8, 0xB1, 0x4D, 0x96, 0xE7, 0xFB, 0xCA, 0xF9, 0x84, 0xB7, 0x09}}, 0x83, "Linux root"},
    // 933AC7E1-2EB4-4F13-B844-0E14E2AEF915: Linux /home
    {{{0xE1, 0xC7, 0x3A, 0x93, 0xB4, 0x2E, 0x13, 0x4F, 0xB8, 0x44, 0x0E, 0x14, 0xE2, 0xAE, 0xF9, 0x15}}, 0x83, "Linux home"},
    // 0657FD6D-A4AB-43C4-84E5-0933C84B4F4F: Linux swap
    {{{0x6D, 0xFD, 0x57, 0x06, 0xAB, 0xA4, 0xC4, 0x43, 0x84, 0xE5, 0x09, 0x33, 0xC8, 0x4B, 0x4F, 0x4F}}, 0x82, "Linux swap"},
    // E6D6D379-F507-44C2-A23C-238F2A3DF928: Linux LVM
    {{{0x79, 0xD3, 0xD6, 0xE6, 0x07, 0xF5, 0xC2, 0x44, 0xA2, 0x3C, 0x23, 0x8F, 0x2A, 0x3D, 0xF9, 0x28}}, 0x8E, "Linux LVM"},
    // A19D880F-05FC-4D3B-A006-743F0F84911E: Linux RAID
    {{{0x0F, 0x88, 0x9D, 0xA1, 0xFC, 0x05, 0x3B, 0x4D, 0xA0, 0x06, 0x74, 0x3F, 0x0F, 0x84, 0x91, 0x1E}}, 0xFD, "Linux RAID"},
    // The Windows types have no code: with a volume the file system names
    // them, without one the list leaves them unnamed.
    // EBD0A0A2-B9E5-4433-87C0-68B6B72699C7: basic data
    {{{0xA2, 0xA0, 0xD0, 0xEB, 0xE5, 0xB9, 0x33, 0x44, 0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7}}, 0, "Basic data"},
    // E3C9E316-0B5C-4DB8-817D-F92DF00215AE: Microsoft reserved
    {{{0x16, 0xE3, 0xC9, 0xE3, 0x5C, 0x0B, 0xB8, 0x4D, 0x81, 0x7D, 0xF9, 0x2D, 0xF0, 0x02, 0x15, 0xAE}}, 0,
     "Microsoft reserved"},
    // DE94BBA4-06D1-4D40-A16A-BFD50179D6AC: Windows recovery
    {{{0xA4, 0xBB, 0x94, 0xDE, 0xD1, 0x06, 0x40, 0x4D, 0xA1, 0x6A, 0xBF, 0xD5, 0x01, 0x79, 0xD6, 0xAC}}, 0,
     "Windows recovery"},
};

}  // namespace

int GptPartitionTypeCode(const bytes::Guid& type) {
  for (const GptTypeRow& row : kGptTypes)
    if (row.type == type) return row.code;
  return 0;
}

std::wstring GptPartitionTypeName(const bytes::Guid& type) {
  for (const GptTypeRow& row : kGptTypes)
    if (row.type == type) return text::Widen(row.name);
  return L"";
}

std::wstring GuidText(const bytes::Guid& g) {
  char buf[40];
  const uint8_t* b = g.b;
  std::snprintf(buf, sizeof buf, "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", b[3], b[2],
                b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
  return text::Widen(buf);
}

bool IsKnownPartitionType(uint8_t type) {
  for (const auto& row : PartitionTypeTable)
    if (row.type == type) return true;
  return false;
}

std::wstring PartitionTypeName(int type) {
  if (type == kTypeInUse) return L"In-use";
  if (type < 0 || type > 0xFF) return L"";
  for (const auto& row : PartitionTypeTable)
    if (row.type == type) {
      std::wstring name = text::Trim(text::Widen(row.name));
      return name.empty() ? L"N/A" : name;
    }
  return L"";
}

}  // namespace disk
