#include "disk/partition_types.h"

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

bool IsKnownPartitionType(uint8_t type) {
  for (const auto& row : PartitionTypeTable)
    if (row.type == type) return true;
  return false;
}

std::wstring PartitionTypeName(int type) {
  if (type < 0 || type > 0xFF) return L"";
  for (const auto& row : PartitionTypeTable)
    if (row.type == type) {
      std::wstring name = text::Trim(text::Widen(row.name));
      return name.empty() ? L"N/A" : name;
    }
  return L"";
}

}  // namespace disk
