// Short (8.3) names as NTFS and FAT make them: a name that is already a
// legal 8.3 name keeps none; others get the first six usable characters,
// "~1" to "~4", and then two characters, four hexadecimal digits of a
// checksum and "~N", with the first three usable characters of the
// extension.
#pragma once

#include <functional>
#include <string>

namespace sim {

// Upper case as the file system compares names (ASCII, Latin-1, Latin
// Extended-A, Greek, Cyrillic and the full-width letters).
wchar_t FoldChar(wchar_t c);
std::wstring FoldName(const std::wstring& name);

// A name DOS programs can use as it is (case aside).
bool IsLegal83(const std::wstring& name);
// A name SetFileShortName accepts: legal 8.3 and no lower case letters
// beyond what folding changes.
bool IsValidShortName(const std::wstring& name);

// The short name for a long one; taken(name) tells whether a folded short
// name is already used in the folder.
std::wstring GenerateShortName(const std::wstring& longName, const std::function<bool(const std::wstring&)>& taken);

}  // namespace sim
