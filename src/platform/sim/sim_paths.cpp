// Windows paths on the simulated PC: drive letters, volume names, the
// long form "\\?\C:\...", the program's folder and the drives that are no
// partitions, resolved to host paths without regard to case, as NTFS and
// FAT compare names. Junctions and symbolic links on the way are followed
// (at most 63 of them, as Windows does), and paths of the short form are
// held to MAX_PATH.
#include <filesystem>

#include "platform/reparse_data.h"
#include "platform/sim/short_names.h"
#include "platform/sim/sim_snapshot.h"
#include "platform/sim/sim_object.h"
#include "platform/text.h"
#include "platform/winapi.h"

namespace fs = std::filesystem;

namespace sim {

namespace {

constexpr size_t kMaxPath = 260;
constexpr int kMaxLinksFollowed = 63;

// The long form "\\?\" splits at "\" only: a "/" there is part of a name.
std::vector<std::wstring> SplitComponents(const std::wstring& rest, bool longForm) {
  std::vector<std::wstring> parts;
  std::wstring cur;
  for (wchar_t c : rest) {
    if (c == L'\\' || (c == L'/' && !longForm)) {
      if (!cur.empty()) parts.push_back(cur);
      cur.clear();
    } else {
      cur.push_back(c);
    }
  }
  if (!cur.empty()) parts.push_back(cur);
  return parts;
}

std::wstring FolderOf(const std::wstring& path) {
  size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? L"" : path.substr(0, slash);
}

bool IsMetaFileName(const std::wstring& name) {
  return FoldName(name).rfind(FoldName(text::Widen(MetaStore::kFileName)), 0) == 0;
}

bool ValidName(const std::wstring& name) {
  for (wchar_t c : name)
    if (c < 32 || std::wstring(L"<>:\"|?*/").find(c) != std::wstring::npos) return false;
  return true;
}

}  // namespace

bool SimSystem::SplitPath(const std::wstring& path, std::string* hostRoot, std::wstring* rest,
                          std::shared_ptr<SimVolume>* volume) {
  if (volume) volume->reset();
  if (text::StartsWithIgnoreCase(path, L"\\\\?\\Volume{")) {
    size_t close = path.find(L'}');
    if (close == std::wstring::npos) return false;
    auto v = mounts_->ByName(path.substr(0, close + 1));
    if (!v) return false;
    *hostRoot = v->hostFolder;
    *rest = path.substr(close + 1);
    if (volume) *volume = v;
    return true;
  }
  if (path.size() > 2 && path[0] == L'\\' && path[1] == L'\\') return SplitSharePath(path, hostRoot, rest);
  if (path.size() < 2 || path[1] != L':') return false;
  wchar_t letter = text::UpperAscii(path[0]);
  // The program's own folder first: it may lie on a drive that is not a
  // partition at all (the RAM disk of a boot medium).
  std::wstring appDir = FolderOf(config_.programPath);
  if (!appDir.empty() && text::StartsWithIgnoreCase(path, appDir) &&
      (path.size() == appDir.size() || path[appDir.size()] == L'\\')) {
    *hostRoot = config_.programHost;
    *rest = path.substr(appDir.size());
    return true;
  }
  if (const SimDrive* d = mounts_->DriveByLetter(letter)) {
    if (d->config.files.empty()) return false;
    *hostRoot = d->config.files;
    *rest = path.substr(2);
    return true;
  }
  if (auto v = mounts_->ByLetter(letter)) {
    *hostRoot = v->hostFolder;
    *rest = path.substr(2);
    if (volume) *volume = v;
    return true;
  }
  return false;
}

uint32_t SimSystem::Resolve(const std::wstring& path, bool allowMissingLast, bool followLast, Resolved* out) {
  std::wstring current = path;
  for (int hops = 0; hops <= kMaxLinksFollowed; ++hops) {
    std::wstring redirect;
    uint32_t err = ResolveOnce(current, allowMissingLast, followLast, out, &redirect);
    if (err || redirect.empty()) return err;
    current = redirect;
  }
  return win::ERROR_CANT_RESOLVE_FILENAME;
}

uint32_t SimSystem::ResolveOnce(const std::wstring& pathIn, bool allowMissingLast, bool followLast, Resolved* out,
                                std::wstring* redirect) {
  *out = Resolved{};
  std::wstring path = pathIn;
  std::wstring shadowRest;
  if (int number = SimSnapshot::NumberOf(path, &shadowRest))
    return ResolveInSnapshot(number, shadowRest, allowMissingLast, followLast, out, redirect);
  if (text::StartsWithIgnoreCase(path, L"\\\\?\\GLOBALROOT")) return win::ERROR_PATH_NOT_FOUND;
  bool longForm = false;
  if (text::StartsWithIgnoreCase(path, L"\\\\?\\") && path.size() >= 6 && path[5] == L':') {
    path = path.substr(4);
    longForm = true;
  } else if (text::StartsWithIgnoreCase(path, L"\\\\?\\Volume{")) {
    longForm = true;
  } else if (text::StartsWithIgnoreCase(path, L"\\\\?\\UNC\\")) {
    path = L"\\\\" + path.substr(8);
    longForm = true;
  }
  if (!longForm && path.size() >= kMaxPath) return win::ERROR_FILENAME_EXCED_RANGE;
  std::string root;
  std::wstring rest;
  std::shared_ptr<SimVolume> volume;
  if (!SplitPath(path, &root, &rest, &volume)) return win::ERROR_PATH_NOT_FOUND;
  std::error_code ec;
  if (!dirs_.Known(root)) fs::create_directories(root, ec);  // volume folders are made on demand
  out->root = root;
  out->volume = volume;
  out->longForm = longForm;

  struct Step {
    std::string host, key;
    std::wstring windows;
  };
  Step cur{root, "", path.substr(0, path.size() - rest.size())};
  while (!cur.windows.empty() && cur.windows.back() == L'\\') cur.windows.pop_back();
  std::vector<Step> up;
  bool curIsFolder = true;  // known from the folder listings, without asking the host again
  std::vector<std::wstring> parts = SplitComponents(rest, longForm);
  for (size_t i = 0; i < parts.size(); ++i) {
    std::wstring part = parts[i];
    // The long form takes names as they are: "." and ".." are no names.
    if (longForm && (part == L"." || part == L"..")) return win::ERROR_INVALID_NAME;
    if (!longForm) {
      // Windows drops the trailing dots and blanks of a name.
      while (!part.empty() && (part.back() == L'.' || part.back() == L' ') && part != L"." && part != L"..")
        part.pop_back();
      if (part.empty()) continue;
    }
    if (part == L".") continue;
    if (part == L"..") {
      if (!up.empty()) {
        cur = up.back();
        up.pop_back();
        curIsFolder = true;
      }
      continue;
    }
    bool last = i + 1 == parts.size();
    // The metadata file belongs to the file system, like NTFS's own files.
    if (cur.key.empty() && IsMetaFileName(part)) return win::ERROR_ACCESS_DENIED;
    bool folder = false;
    std::string found = dirs_.Find(cur.host, FoldName(part), &folder);
    if (found.empty()) {
      if (!last) return win::ERROR_PATH_NOT_FOUND;
      if (!allowMissingLast) return win::ERROR_FILE_NOT_FOUND;
      if (!ValidName(part)) return win::ERROR_INVALID_NAME;
      std::string name = text::ToUtf8(part);
      out->host = (fs::path(cur.host) / name).string();
      out->key = cur.key.empty() ? name : cur.key + "/" + name;
      out->windows = cur.windows + L"\\" + part;
      return 0;
    }
    Step next{(fs::path(cur.host) / found).string(), cur.key.empty() ? found : cur.key + "/" + found,
              cur.windows + L"\\" + text::FromUtf8(found)};
    if (!last || followLast) {
      const FileMeta* meta = Store(root).Find(next.key);
      if (meta && !meta->reparse.empty()) {
        reparse::LinkData link;
        std::wstring target;
        if (reparse::ParseLinkData(meta->reparse.data(), meta->reparse.size(), &link))
          target = reparse::LinkTarget(link, cur.windows);
        if (target.empty()) return win::ERROR_PATH_NOT_FOUND;
        for (size_t k = i + 1; k < parts.size(); ++k) target += L"\\" + parts[k];
        *redirect = target;
        return 0;
      }
    }
    if (!last && !folder) return win::ERROR_PATH_NOT_FOUND;
    up.push_back(cur);
    cur = next;
    curIsFolder = folder;
  }
  out->host = cur.host;
  out->key = cur.key;
  out->windows = cur.windows;
  out->exists = true;
  out->directory = curIsFolder;
  return 0;
}

std::string SimSystem::HostPathOf(const std::wstring& path, bool allowMissingLast) {
  Resolved r;
  if (Resolve(path, allowMissingLast, true, &r) != 0) return "";
  return r.host;
}

}  // namespace sim
