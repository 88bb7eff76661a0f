#include "filecopy/file_copy.h"

#include <algorithm>

#include "app/app_state.h"
#include "duplicate/file_transfer.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/winapi.h"

namespace filecopy {

namespace {

using duplicate::DescribeFailure;
using duplicate::FileStep;

constexpr int kMaxDepth = 256;

bool IsLink(const platform::FindData& fd) { return IsJunctionOrLink(fd); }

bool IsFolder(const platform::FindData& fd) { return (fd.attributes & win::FILE_ATTRIBUTE_DIRECTORY) != 0; }

// The long form, so that deep trees are not held to MAX_PATH. It takes
// names as they are, so the path is first read as Windows reads it
// elsewhere ("E:/Backup", "E:\Backup.", "E:\x\..\Backup" are all "E:\Backup").
std::wstring LongPath(const std::wstring& path) {
  std::wstring p = WithoutTrailingSeparator(path);
  if (p.rfind(L"\\\\?\\", 0) == 0) return p;
  if (std::wstring normal = NormalPath(p); !normal.empty()) p = normal;
  if (p.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + p.substr(2);
  if (p.size() >= 2 && p[1] == L':') return L"\\\\?\\" + p;
  return p;
}

// A folder's entries, listed once; false with the error when it cannot be
// listed (an empty folder lists fine).
bool ListFolder(const std::wstring& folder, std::vector<platform::FindData>* entries, uint32_t* error) {
  auto& sys = platform::Sys();
  entries->clear();
  if (sys.FindFiles(folder + L"\\*", entries)) return true;
  *error = sys.GetLastError();
  return *error == win::ERROR_FILE_NOT_FOUND || *error == win::ERROR_NO_MORE_FILES;
}

// What FindFirstFileW says of one path; a drive root has no entry of its
// own and is described from its attributes.
bool Describe(const std::wstring& path, platform::FindData* fd, uint32_t* error) {
  auto& sys = platform::Sys();
  std::vector<platform::FindData> found;
  std::wstring p = WithoutTrailingSeparator(path);
  if (LastComponent(p).empty()) {
    uint32_t a = sys.GetFileAttributes(p + L"\\");
    if (a == win::INVALID_FILE_ATTRIBUTES) {
      *error = sys.GetLastError();
      return false;
    }
    *fd = platform::FindData{};
    fd->attributes = a;
    return true;
  }
  if (!sys.FindFiles(LongPath(p), &found) || found.empty()) {
    *error = sys.GetLastError();
    if (*error == 0 || *error == win::ERROR_NO_MORE_FILES) *error = win::ERROR_FILE_NOT_FOUND;
    return false;
  }
  *fd = found.front();
  return true;
}

class Copier {
 public:
  Copier(const FileCopyOptions& options, FileCopyStats* stats, FileCopyObserver* observer)
      : options_(options), stats_(*stats), observer_(observer) {
    transferOptions_.shortNames = false;
  }

  FileCopyResult Run(const std::vector<SourceEntry>& sources, const std::wstring& destination) {
    auto& sys = platform::Sys();
    if (CheckDestination(destination) != DestinationProblem::None) {
      stats_.AddError(destination, DescribeFailure(FileStep::Folder, win::ERROR_PATH_NOT_FOUND, 0));
      return FileCopyResult::Failed;
    }
    for (const SourceEntry& s : sources) {
      if (Overlaps(s, destination)) {
        stats_.AddError(s.path, L"the destination overlaps the source");
        return FileCopyResult::Failed;
      }
    }
    if (!transfer_.Ready()) {
      stats_.AddError(destination, DescribeFailure(FileStep::CreateDestination, win::ERROR_NOT_ENOUGH_MEMORY, 0));
      return FileCopyResult::Failed;
    }
    std::wstring fs;
    if (sys.GetVolumeInformation(VolumeRootOf(destination), &fs)) transferOptions_.security = fs == L"NTFS";
    stats_.TotalBytes = 0;
    for (const SourceEntry& s : sources) stats_.TotalBytes += SourceBytes(s);
    duplicate::DestinationFlush flush(destination);
    transferOptions_.writeThrough = !flush.Cached();
    for (const SourceEntry& s : sources) {
      CopyEntry(s, destination);
      if (cancelled_) break;
    }
    // What was copied is on the disk before the copy reports, stopped or not.
    uint32_t flushError = 0;
    if (!flush.Flush(&flushError))
      stats_.AddError(destination, DescribeFailure(FileStep::Flush, flushError, 0), true);
    stats_.ShadowCopies = shadows_.Made();
    shadows_.Release();
    if (cancelled_) return FileCopyResult::Cancelled;
    return stats_.FileErrorCount > 0 ? FileCopyResult::CompletedWithErrors : FileCopyResult::Completed;
  }

 private:
  // Where a source is read: through its volume's shadow copy when there is
  // one (made once per volume for the whole copy).
  std::wstring ReadPath(const std::wstring& source) {
    std::wstring root = VolumeRootOf(source);
    if (!options_.readThroughShadow || app::IsWinPE || root.size() != 3) return source;
    const tools::ShadowAnswer& answer = shadows_.For(root);
    if (!answer.IsShadow()) {
      bool known = false;
      for (auto& [r, why] : stats_.LiveVolumes) known |= text::EqualsIgnoreCase(r, root);
      if (!known && answer.problem != tools::ShadowProblem::NotNeeded) stats_.LiveVolumes.emplace_back(root, answer.problem);
      return source;
    }
    return JoinPath(answer.path, source.size() > root.size() ? source.substr(root.size()) : L"");
  }

  bool Tick(const std::wstring& shown, uint64_t ofFile) {
    if (!cancelled_ && observer_ && !observer_->Progress(FileCopyProgress{stats_, shown, stats_.BytesCopied + ofFile}))
      cancelled_ = true;
    return !cancelled_;
  }

  void Error(const std::wstring& shown, FileStep step, uint32_t error, uint64_t offset = 0) {
    stats_.AddError(shown, DescribeFailure(step, error, offset));
  }

  void CopyEntry(const SourceEntry& s, const std::wstring& destination) {
    std::wstring shown = WithoutTrailingSeparator(s.path);
    std::wstring read = ReadPath(shown);
    bool root = LastComponent(shown).empty();
    platform::FindData fd;
    uint32_t error = 0;
    // A drive root has no entry of its own, on the volume or in its shadow.
    if (!Describe(root ? shown : read, &fd, &error)) {
      Error(shown, FileStep::OpenSource, error);
      return;
    }
    std::wstring dest = LongPath(JoinPath(destination, LastComponent(shown)));
    // Chosen by name, an entry the copy never takes is the operator's
    // choice not carried out: an error, not a quiet skip.
    if (!root && (IsLink(fd) || SkippedByFileCopy(fd))) {
      if (IsLink(fd)) ++stats_.LinksSkipped;
      stats_.AddError(shown, SkipReason(fd));
      return;
    }
    if (IsFolder(fd)) {
      CopyFolder(shown, LongPath(read), dest, fd, 1, root);
    } else {
      CopyFile(shown, LongPath(read), dest, fd, true);
    }
  }

  // An entry already in the destination that is a junction or link would
  // take the copy somewhere else, maybe into a source: it is left alone.
  bool LeadsElsewhere(const std::wstring& shown, const std::wstring& dest) {
    uint32_t a = platform::Sys().GetFileAttributes(dest);
    if (a == win::INVALID_FILE_ATTRIBUTES || !(a & win::FILE_ATTRIBUTE_REPARSE_POINT)) return false;
    stats_.AddError(shown, L"the destination holds a junction or link of that name, not copied");
    return true;
  }

  // existing: the destination folder was there before the copy, so the
  // file's name may be taken already.
  void CopyFile(const std::wstring& shown, const std::wstring& read, const std::wstring& dest,
                const platform::FindData& fd, bool existing) {
    if (!Tick(shown, 0)) return;
    if (existing && LeadsElsewhere(shown, dest)) return;
    duplicate::TransferResult r =
        transfer_.Copy(read, dest, fd, transferOptions_, [&](uint64_t bytes) { return Tick(shown, bytes); });
    if (r.cancelled) return;
    if (r.ok) {
      ++stats_.FilesCopied;
      stats_.BytesCopied += r.bytes;
    }
    if (r.step != FileStep::None) Error(shown, r.step, r.error, r.offset);
    Tick(shown, 0);
  }

  // One folder: made, listed once, its contents copied, then its own
  // attributes and times. A root source fills the destination itself.
  void CopyFolder(const std::wstring& shown, const std::wstring& read, const std::wstring& dest,
                  const platform::FindData& fd, int depth, bool root) {
    auto& sys = platform::Sys();
    if (!Tick(shown, 0)) return;
    if (depth > kMaxDepth) {
      Error(shown, FileStep::TooDeep, 0);
      return;
    }
    // A root source fills a destination that is there already.
    bool existing = root;
    if (!root && !sys.CreateDirectory(dest)) {
      if (sys.GetLastError() != win::ERROR_ALREADY_EXISTS) {
        Error(shown, FileStep::Folder, sys.GetLastError());
        return;
      }
      if (LeadsElsewhere(shown, dest)) return;
      // A file of that name is not the folder: its contents would have
      // nowhere to go, and the folder's attributes would land on the file.
      uint32_t there = sys.GetFileAttributes(dest);
      if (there == win::INVALID_FILE_ATTRIBUTES || !(there & win::FILE_ATTRIBUTE_DIRECTORY)) {
        Error(shown, FileStep::Folder, there == win::INVALID_FILE_ATTRIBUTES ? sys.GetLastError()
                                                                             : win::ERROR_ALREADY_EXISTS);
        return;
      }
      existing = true;
    }
    std::vector<platform::FindData> entries;
    uint32_t error = 0;
    if (!ListFolder(read, &entries, &error)) {
      Error(shown, FileStep::ListFolder, error);
      return;
    }
    for (const platform::FindData& e : entries) {
      if (e.name == L"." || e.name == L"..") continue;
      std::wstring childShown = JoinPath(shown, e.name);
      if (SkippedByFileCopy(e)) {
        ++stats_.Skipped;
        stats_.AddSkipped(childShown, SkipReason(e));
      } else if (IsLink(e)) {
        ++stats_.LinksSkipped;
        stats_.AddSkipped(childShown, SkipReason(e));
      } else if (IsFolder(e)) {
        CopyFolder(childShown, read + L"\\" + e.name, dest + L"\\" + e.name, e, depth + 1, false);
      } else {
        CopyFile(childShown, read + L"\\" + e.name, dest + L"\\" + e.name, e, existing);
      }
      if (cancelled_) return;
    }
    if (root) return;
    FolderMetadata(shown, read, dest, fd);
    ++stats_.FoldersCopied;
  }

  void FolderMetadata(const std::wstring& shown, const std::wstring& read, const std::wstring& dest,
                      const platform::FindData& fd) {
    duplicate::ApplyFolderMetadata(read, dest, fd, transferOptions_,
                                   [&](FileStep step, uint32_t error) { Error(shown, step, error); });
  }

  FileCopyOptions options_;
  FileCopyStats& stats_;
  FileCopyObserver* observer_;
  duplicate::FileTransfer transfer_;
  duplicate::TransferOptions transferOptions_;
  tools::ShadowSession shadows_;
  bool cancelled_ = false;
};

uint64_t FolderBytes(const std::wstring& folder, int depth) {
  if (depth > kMaxDepth) return 0;
  std::vector<platform::FindData> entries;
  uint32_t error = 0;
  if (!ListFolder(folder, &entries, &error)) return 0;
  uint64_t total = 0;
  for (const platform::FindData& e : entries) {
    if (e.name == L"." || e.name == L".." || SkippedByFileCopy(e) || IsLink(e)) continue;
    total += IsFolder(e) ? FolderBytes(folder + L"\\" + e.name, depth + 1) : e.size;
  }
  return total;
}

}  // namespace

void FileCopyStats::AddError(const std::wstring& path, const std::wstring& reason, bool first) {
  ++FileErrorCount;
  if (first) {
    duplicate::ListFirst(&FileErrors, {path, reason});
  } else if (FileErrors.size() < duplicate::kMaxListedErrors) {
    FileErrors.push_back({path, reason});
  }
}

void FileCopyStats::AddSkipped(const std::wstring& path, const std::wstring& reason) {
  ++SkippedCount;
  if (SkippedEntries.size() < duplicate::kMaxListedErrors) SkippedEntries.push_back({path, reason});
}

std::wstring SkipReason(const platform::FindData& entry) {
  if (IsJunctionOrLink(entry)) return L"junction or symbolic link, not followed";
  if (!SkippedByFileCopy(entry)) return L"";
  return IsFolder(entry) ? L"system folder, skipped" : L"system file, skipped";
}

bool IsJunctionOrLink(const platform::FindData& fd) {
  return (fd.attributes & win::FILE_ATTRIBUTE_REPARSE_POINT) &&
         (fd.reparseTag == win::IO_REPARSE_TAG_MOUNT_POINT || fd.reparseTag == win::IO_REPARSE_TAG_SYMLINK);
}

bool SkippedByFileCopy(const platform::FindData& entry) {
  const std::wstring& n = entry.name;
  if (text::EqualsIgnoreCase(n, L"System Volume Information")) return true;
  std::wstring head = text::UpperAscii(n.substr(0, 8));
  if (head == L"RECYCLED" || head == L"RECYCLER" || head == L"$RECYCLE") return true;
  return !IsFolder(entry) && (text::EqualsIgnoreCase(n, L"pagefile.sys") || text::EqualsIgnoreCase(n, L"hiberfil.sys") ||
                              text::EqualsIgnoreCase(n, L"swapfile.sys"));
}

uint64_t SourceBytes(const SourceEntry& source) {
  platform::FindData fd;
  uint32_t error = 0;
  std::wstring p = WithoutTrailingSeparator(source.path);
  if (!Describe(p, &fd, &error) || IsLink(fd)) return 0;
  return IsFolder(fd) ? FolderBytes(LongPath(p), 1) : fd.size;
}

FileCopyResult CopySources(const std::vector<SourceEntry>& sources, const std::wstring& destination,
                           const FileCopyOptions& options, FileCopyStats* stats, FileCopyObserver* observer) {
  Copier copier(options, stats, observer);
  return copier.Run(sources, destination);
}

uint32_t Percent(uint64_t done, uint64_t total) {
  if (total == 0 || done >= total) return 100;
  // Both scaled down alike until done * 100 fits; short of the end it is
  // never 100.
  while (done > UINT64_MAX / 100) {
    done >>= 1;
    total >>= 1;
  }
  return std::min<uint32_t>(99, uint32_t(done * 100 / total));
}

uint64_t RemainingSeconds(uint64_t done, uint64_t total, uint64_t elapsedSeconds) {
  if (done == 0 || done >= total) return 0;
  long double whole = (long double)elapsedSeconds * (long double)total / (long double)done;
  return uint64_t(whole) > elapsedSeconds ? uint64_t(whole) - elapsedSeconds : 0;
}

}  // namespace filecopy
