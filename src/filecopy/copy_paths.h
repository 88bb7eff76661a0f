// Paths of the file copy: how two spellings of one folder are recognised
// as the same (letter case, "/" for "\", doubled or trailing separators,
// "." and "..", the "\\?\" prefix), whether a destination overlaps a
// source, and which destinations are refused outright.
#pragma once

#include <string>
#include <vector>

namespace filecopy {

struct SourceEntry {
  bool isFolder = false;
  std::wstring path;  // "C:\Data", "C:\Data\a.txt", "\\server\share"
};

// The path's components in upper case, the first one the drive ("C:") or
// "\\SERVER\SHARE"; empty for a path that names no drive or share.
std::vector<std::wstring> PathComponents(const std::wstring& path);

// The path as Windows reads it outside the long form, letter case kept:
// "C:/Data/./Sub." is "C:\Data\Sub", "C:\" is "C:"; "" for a path that
// names no drive or share.
std::wstring NormalPath(const std::wstring& path);

// True when the two paths are the same folder or one lies inside the other.
bool SameOrNested(const std::wstring& a, const std::wstring& b);

// The folder a source stands for in the overlap test: a folder itself, a
// file the folder that holds it.
std::wstring OverlapFolder(const SourceEntry& source);

// Where the path really leads, every junction and symbolic link on the
// way followed to its final target; the path as given when it cannot be
// opened (a missing path holds no link to follow).
std::wstring FinalPath(const std::wstring& path);

// True when copying the source into destination would write into the
// source or onto it: the destination is the source folder (or the folder
// of a source file), lies inside it, or holds it, as spelled or as reached
// through the junctions and links on either path.
bool Overlaps(const SourceEntry& source, const std::wstring& destination);
bool AnyOverlaps(const std::vector<SourceEntry>& sources, const std::wstring& destination);

enum class DestinationProblem {
  None,
  Empty,          // nothing chosen
  NotAFolder,     // a shell item ("::{...}") or a path with no drive or share
  SystemProfile,  // the system account's profile, which the browse dialog may offer
  Missing,        // not an existing folder
};
// An existing folder is all that is required: an empty drive root is fine.
DestinationProblem CheckDestination(const std::wstring& destination);

// The root the path's volume is read through: "C:\" or "\\server\share\".
std::wstring VolumeRootOf(const std::wstring& path);
// The last component ("" for a root), and the path without a trailing "\".
std::wstring LastComponent(const std::wstring& path);
std::wstring WithoutTrailingSeparator(const std::wstring& path);
// folder + "\" + name without a doubled "\".
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);

}  // namespace filecopy
