#include "support/file_tree.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/bytes.h"
#include "platform/reparse_data.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "support/sim_fixture.h"

namespace testing_support {

namespace {

platform::System& S() { return platform::Sys(); }

bool Note(bool ok, const std::wstring& what, const std::wstring& path) {
  if (!ok) ADD_FAILURE() << text::ToUtf8(what + L" " + path) << " failed with " << S().GetLastError();
  return ok;
}

bool SetLink(const std::wstring& path, const reparse::LinkData& link) {
  if (!Note(S().CreateDirectory(path), L"folder for link", path)) return false;
  platform::Handle h = S().CreateFile(path, win::GENERIC_READ | win::GENERIC_WRITE, 0, win::OPEN_EXISTING,
                                      win::FILE_FLAG_BACKUP_SEMANTICS | win::FILE_FLAG_OPEN_REPARSE_POINT);
  std::vector<uint8_t> data = reparse::BuildLinkData(link);
  uint32_t got = 0;
  bool ok = S().DeviceIoControl(h, win::FSCTL_SET_REPARSE_POINT, data.data(), uint32_t(data.size()), nullptr, 0, &got);
  S().CloseHandle(h);
  return Note(ok, L"link", path);
}

std::wstring LinkTargetOf(const std::wstring& path) {
  platform::Handle h = S().CreateFile(path, win::GENERIC_READ, win::FILE_SHARE_READ, win::OPEN_EXISTING,
                                      win::FILE_FLAG_BACKUP_SEMANTICS | win::FILE_FLAG_OPEN_REPARSE_POINT);
  std::vector<uint8_t> data(win::MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
  uint32_t got = 0;
  bool ok = S().DeviceIoControl(h, win::FSCTL_GET_REPARSE_POINT, nullptr, 0, data.data(), uint32_t(data.size()), &got);
  S().CloseHandle(h);
  reparse::LinkData link;
  if (!ok || !reparse::ParseLinkData(data.data(), got, &link)) return L"(unreadable)";
  return reparse::LinkTarget(link, L"<here>");
}

std::vector<uint8_t> DaclOf(const std::wstring& path) {
  std::vector<uint8_t> sd;
  S().GetFileSecurity(path, win::DACL_SECURITY_INFORMATION, &sd);
  return sd;
}

void Compare(const std::wstring& source, const std::wstring& copy, const std::wstring& rel, int depth,
             const std::vector<std::wstring>& skipAtRoot, int maxDepth, std::vector<TreeDifference>* out) {
  auto differs = [&](const std::wstring& path, const std::wstring& what) { out->push_back({path, what}); };
  auto list = [](const std::wstring& folder) {
    std::map<std::wstring, platform::FindData> entries;
    std::vector<platform::FindData> found;
    if (S().FindFiles(folder + L"\\*", &found))
      for (auto& f : found)
        if (f.name != L"." && f.name != L"..") entries[f.name] = f;
    return entries;
  };
  auto want = list(source + rel), have = list(copy + rel);
  for (auto& [name, s] : want) {
    bool skipped = false;
    for (auto& n : skipAtRoot) skipped |= depth == 0 && text::EqualsIgnoreCase(n, name);
    std::wstring path = rel + L"\\" + name;
    auto it = have.find(name);
    if (skipped) {
      if (it != have.end()) differs(path, L"copied although it is left out");
      continue;
    }
    bool folder = s.attributes & win::FILE_ATTRIBUTE_DIRECTORY;
    if (it == have.end()) {
      if (!(folder && depth + 1 > maxDepth)) differs(path, L"missing");
      continue;
    }
    const platform::FindData& c = it->second;
    if (folder && depth + 1 > maxDepth) differs(path, L"copied although too deep");
    uint32_t mask = ~uint32_t(win::FILE_ATTRIBUTE_NORMAL);
    if ((s.attributes & mask) != (c.attributes & mask)) differs(path, L"attributes");
    if (s.times.creation != c.times.creation || s.times.lastWrite != c.times.lastWrite ||
        s.times.lastAccess != c.times.lastAccess)
      differs(path, L"times");
    if (!s.shortName.empty() && s.shortName != c.shortName) differs(path, L"short name " + c.shortName);
    if (s.reparseTag != c.reparseTag) differs(path, L"reparse tag");
    if (s.reparseTag) {
      if (LinkTargetOf(source + path) != LinkTargetOf(copy + path)) differs(path, L"link target");
      continue;
    }
    if (DaclOf(source + path) != DaclOf(copy + path)) differs(path, L"access rights");
    if (folder) {
      Compare(source, copy, path, depth + 1, skipAtRoot, maxDepth, out);
    } else if (s.size != c.size || ReadSimFile(S(), source + path) != ReadSimFile(S(), copy + path)) {
      differs(path, L"contents");
    }
  }
  for (auto& [name, c] : have)
    if (!want.count(name)) differs(rel + L"\\" + name, L"not in the source");
}

}  // namespace

bool MakeFolder(const std::wstring& path, uint32_t attributes) {
  return Note(S().CreateDirectory(path), L"folder", path) &&
         (!attributes || Note(S().SetFileAttributes(path, attributes), L"folder attributes", path));
}

bool MakeFile(const std::wstring& path, const std::string& bytes, uint32_t attributes) {
  return Note(WriteSimFile(S(), path, bytes) == 0, L"file", path) &&
         (!attributes || Note(S().SetFileAttributes(path, attributes), L"file attributes", path));
}

bool SetTimes(const std::wstring& path, const platform::FileTimes& times) {
  platform::Handle h = S().CreateFile(path, win::GENERIC_WRITE, win::FILE_SHARE_READ, win::OPEN_EXISTING,
                                      win::FILE_FLAG_BACKUP_SEMANTICS | win::FILE_FLAG_OPEN_REPARSE_POINT);
  bool ok = S().SetFileTime(h, times);
  S().CloseHandle(h);
  return Note(ok, L"times", path);
}

bool SetShortName(const std::wstring& path, const std::wstring& shortName) {
  platform::Handle h = S().CreateFile(path, win::GENERIC_ALL, 0, win::OPEN_EXISTING, win::FILE_FLAG_BACKUP_SEMANTICS);
  bool ok = S().SetFileShortName(h, shortName);
  S().CloseHandle(h);
  return Note(ok, L"short name", path);
}

std::vector<uint8_t> DaclFor(uint32_t aliasRid) {
  // Self-relative: header, then an ACL with one allow-all ACE for S-1-5-32-rid.
  std::vector<uint8_t> sd(20 + 8 + 8 + 16, 0);
  sd[0] = 1;
  bytes::Put16(sd.data() + 2, 0x8004);  // self-relative, DACL present
  bytes::Put32(sd.data() + 16, 20);
  uint8_t* acl = sd.data() + 20;
  acl[0] = 2;
  bytes::Put16(acl + 2, 32);
  bytes::Put16(acl + 4, 1);
  uint8_t* ace = acl + 8;
  bytes::Put16(ace + 2, 24);
  bytes::Put32(ace + 4, 0x001F01FF);
  uint8_t sid[16] = {1, 2, 0, 0, 0, 0, 0, 5};
  bytes::Put32(sid + 8, 32);
  bytes::Put32(sid + 12, aliasRid);
  std::copy(sid, sid + 16, ace + 8);
  return sd;
}

bool SetDacl(const std::wstring& path, const std::vector<uint8_t>& descriptor) {
  return Note(S().SetFileSecurity(path, win::DACL_SECURITY_INFORMATION, descriptor), L"security", path);
}

bool MakeJunction(const std::wstring& path, const std::wstring& target) {
  return SetLink(path, reparse::MountPointTo(target));
}

bool MakeDirectoryLink(const std::wstring& path, const std::wstring& target, bool relative) {
  reparse::LinkData link = reparse::SymbolicLinkTo(target, true);
  if (!relative) link.flags = 0;
  return SetLink(path, link);
}

std::vector<TreeDifference> CompareTrees(const std::wstring& source, const std::wstring& copy,
                                         const std::vector<std::wstring>& skipAtRoot, int maxDepth) {
  std::vector<TreeDifference> out;
  Compare(source, copy, L"", 0, skipAtRoot, maxDepth, &out);
  return out;
}

}  // namespace testing_support
