#include "filecopy/copy_paths.h"

#include "platform/system.h"
#include "platform/text.h"
#include "platform/winapi.h"

namespace filecopy {

namespace {

// Upper case as NTFS compares names, for the letters a path usually holds.
wchar_t Fold(wchar_t c) {
  if (c >= L'a' && c <= L'z') return wchar_t(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return wchar_t(c - 32);
  return c;
}

std::wstring FoldAll(std::wstring s) {
  for (wchar_t& c : s) c = Fold(c);
  return s;
}

bool StartsWith(const std::wstring& s, const std::wstring& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

// The components as Windows reads a path outside the long form: "/" as
// "\", "." and ".." resolved, trailing dots and blanks dropped; in upper
// case with fold.
std::vector<std::wstring> Components(const std::wstring& raw, bool fold) {
  auto folded = [fold](const std::wstring& s) { return fold ? FoldAll(s) : s; };
  std::wstring p = raw;
  for (wchar_t& c : p)
    if (c == L'/') c = L'\\';
  if (StartsWith(p, L"\\\\?\\UNC\\")) p = L"\\\\" + p.substr(8);
  else if (StartsWith(p, L"\\\\?\\") || StartsWith(p, L"\\\\.\\")) p = p.substr(4);
  std::vector<std::wstring> parts;
  size_t at = 0;
  if (StartsWith(p, L"\\\\")) {
    size_t server = p.find(L'\\', 2);
    if (server == std::wstring::npos || server == 2) return {};
    size_t share = p.find(L'\\', server + 1);
    std::wstring name = p.substr(server + 1, share == std::wstring::npos ? std::wstring::npos : share - server - 1);
    if (name.empty()) return {};
    parts.push_back(L"\\\\" + folded(p.substr(2, server - 2)) + L"\\" + folded(name));
    at = share == std::wstring::npos ? p.size() : share;
  } else {
    if (p.size() < 2 || p[1] != L':' || !((p[0] >= L'A' && p[0] <= L'Z') || (p[0] >= L'a' && p[0] <= L'z')))
      return {};
    parts.push_back(std::wstring{fold ? Fold(p[0]) : p[0], L':'});
    at = 2;
  }
  while (at < p.size()) {
    size_t next = p.find(L'\\', at);
    if (next == std::wstring::npos) next = p.size();
    std::wstring part = p.substr(at, next - at);
    at = next + 1;
    // Windows drops trailing dots and spaces of a component.
    while (!part.empty() && (part.back() == L'.' || part.back() == L' ') && part != L"." && part != L"..")
      part.pop_back();
    if (part.empty() || part == L".") continue;
    if (part == L"..") {
      if (parts.size() > 1) parts.pop_back();
      continue;
    }
    parts.push_back(folded(part));
  }
  return parts;
}

}  // namespace

std::vector<std::wstring> PathComponents(const std::wstring& raw) { return Components(raw, true); }

std::wstring NormalPath(const std::wstring& path) {
  std::vector<std::wstring> parts = Components(path, false);
  if (parts.empty()) return L"";
  std::wstring out = parts[0];
  for (size_t i = 1; i < parts.size(); ++i) out += L"\\" + parts[i];
  return out;
}

bool SameOrNested(const std::wstring& a, const std::wstring& b) {
  std::vector<std::wstring> x = PathComponents(a), y = PathComponents(b);
  // Paths that cannot be read are taken as overlapping: nothing is written
  // where the copy cannot tell.
  if (x.empty() || y.empty()) return true;
  size_t common = std::min(x.size(), y.size());
  for (size_t i = 0; i < common; ++i)
    if (x[i] != y[i]) return false;
  return true;
}

std::wstring OverlapFolder(const SourceEntry& source) {
  if (source.isFolder) return source.path;
  std::wstring p = WithoutTrailingSeparator(source.path);
  size_t slash = p.find_last_of(L"\\/");
  return slash == std::wstring::npos ? p : p.substr(0, slash + 1);
}

std::wstring FinalPath(const std::wstring& path) {
  std::wstring final = platform::Sys().GetFinalPathName(path);
  return final.empty() || PathComponents(final).empty() ? path : final;
}

bool Overlaps(const SourceEntry& source, const std::wstring& destination) {
  std::wstring folder = OverlapFolder(source);
  return SameOrNested(folder, destination) || SameOrNested(FinalPath(folder), FinalPath(destination));
}

bool AnyOverlaps(const std::vector<SourceEntry>& sources, const std::wstring& destination) {
  for (const SourceEntry& s : sources)
    if (Overlaps(s, destination)) return true;
  return false;
}

DestinationProblem CheckDestination(const std::wstring& destination) {
  std::wstring d = text::Trim(destination);
  if (d.empty()) return DestinationProblem::Empty;
  if (StartsWith(d, L"::") || PathComponents(d).empty()) return DestinationProblem::NotAFolder;
  std::vector<std::wstring> parts = PathComponents(d);
  static const wchar_t* kProfile[] = {L"WINDOWS", L"SYSTEM32", L"CONFIG", L"SYSTEMPROFILE"};
  for (size_t i = 1; i + 4 <= parts.size(); ++i) {
    bool match = true;
    for (size_t k = 0; k < 4; ++k) match &= parts[i + k] == kProfile[k];
    if (match) return DestinationProblem::SystemProfile;
  }
  uint32_t a = platform::Sys().GetFileAttributes(d.size() == 2 ? d + L"\\" : d);
  if (a == win::INVALID_FILE_ATTRIBUTES || !(a & win::FILE_ATTRIBUTE_DIRECTORY)) return DestinationProblem::Missing;
  return DestinationProblem::None;
}

std::wstring VolumeRootOf(const std::wstring& path) {
  if (StartsWith(path, L"\\\\")) {
    size_t server = path.find(L'\\', 2);
    if (server == std::wstring::npos) return path + L"\\";
    size_t share = path.find(L'\\', server + 1);
    return share == std::wstring::npos ? path + L"\\" : path.substr(0, share + 1);
  }
  if (path.size() >= 2 && path[1] == L':') return path.substr(0, 2) + L"\\";
  return L"";
}

std::wstring WithoutTrailingSeparator(const std::wstring& path) {
  std::wstring p = path;
  while (p.size() > 1 && (p.back() == L'\\' || p.back() == L'/')) p.pop_back();
  return p;
}

std::wstring LastComponent(const std::wstring& path) {
  std::wstring p = WithoutTrailingSeparator(path);
  if (p.size() == 2 && p[1] == L':') return L"";
  if (VolumeRootOf(p) == p + L"\\" && StartsWith(p, L"\\\\")) return L"";
  size_t slash = p.find_last_of(L"\\/");
  return slash == std::wstring::npos ? p : p.substr(slash + 1);
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
  if (name.empty()) return folder;
  if (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) return folder + name;
  return folder + L"\\" + name;
}

}  // namespace filecopy
