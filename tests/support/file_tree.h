// Trees of files on the simulated PC for the copy tests: made through the
// simulated PC's own calls (attributes, times, security, short names,
// links), and compared entry by entry (names, attributes, times, sizes,
// contents, short names, access rights, link targets).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/system.h"

namespace testing_support {

// Each a step that must succeed; false with a note otherwise.
bool MakeFolder(const std::wstring& path, uint32_t attributes = 0);
bool MakeFile(const std::wstring& path, const std::string& bytes, uint32_t attributes = 0);
bool SetTimes(const std::wstring& path, const platform::FileTimes& times);
bool SetShortName(const std::wstring& path, const std::wstring& shortName);
// A DACL that grants one well-known SID (S-1-5-32-<rid>) full control.
std::vector<uint8_t> DaclFor(uint32_t aliasRid);
bool SetDacl(const std::wstring& path, const std::vector<uint8_t>& descriptor);
// Junctions and directory links with their Windows target.
bool MakeJunction(const std::wstring& path, const std::wstring& target);
bool MakeDirectoryLink(const std::wstring& path, const std::wstring& target, bool relative);

struct TreeDifference {
  std::wstring path;
  std::wstring what;
};

// Compares the tree under `copy` with the tree under `source`, leaving out
// the names in skipAtRoot and the folders deeper than maxDepth below the
// roots; links are compared by their targets and not followed.
std::vector<TreeDifference> CompareTrees(const std::wstring& source, const std::wstring& copy,
                                         const std::vector<std::wstring>& skipAtRoot, int maxDepth = 256);

}  // namespace testing_support
