// The REPARSE_DATA_BUFFER of junctions (mount points) and symbolic links,
// as FSCTL_GET_REPARSE_POINT returns it and FSCTL_SET_REPARSE_POINT takes it:
//
//   0  ReparseTag u32, 4 ReparseDataLength u16 (bytes after the first 8),
//   6  Reserved u16,
//   8  SubstituteNameOffset, 10 SubstituteNameLength,
//   12 PrintNameOffset, 14 PrintNameLength (u16 each, in bytes, relative to
//      the path buffer),
//   16 the path buffer of a mount point; a symbolic link has Flags u32 at 16
//      and its path buffer at 20.
//
// Link data read from a volume is untrusted: every length and offset is
// bounded before it is used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace reparse {

struct LinkData {
  uint32_t tag = 0;             // IO_REPARSE_TAG_MOUNT_POINT or IO_REPARSE_TAG_SYMLINK
  std::wstring substituteName;  // "\??\C:\Users", or a relative path of a relative link
  std::wstring printName;       // "C:\Users"
  uint32_t flags = 0;           // symbolic links: SYMLINK_FLAG_RELATIVE
};

// The tag of any reparse data (0 when fewer than 8 bytes).
uint32_t TagOf(const uint8_t* data, size_t size);

// Reads the data of a junction or symbolic link; false for other tags and
// for data whose lengths and offsets do not lie inside it.
bool ParseLinkData(const uint8_t* data, size_t size, LinkData* out);

// The bytes for FSCTL_SET_REPARSE_POINT; empty when the names do not fit
// the 16 KiB a reparse point may hold.
std::vector<uint8_t> BuildLinkData(const LinkData& link);

// A junction or absolute link to a Windows path: "\??\" + path as the
// substitute name, the path as the print name.
LinkData MountPointTo(const std::wstring& windowsPath);
LinkData SymbolicLinkTo(const std::wstring& target, bool directory);

// The Windows path a link leads to, seen from the folder that holds it;
// "" when the substitute name is no path this program can follow.
std::wstring LinkTarget(const LinkData& link, const std::wstring& linkFolder);

}  // namespace reparse
