#include "duplicate/volume_copy.h"

#include <algorithm>
#include <deque>
#include <optional>

#include "app/app_state.h"
#include "platform/reparse_data.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/winapi.h"

namespace duplicate {

namespace {

constexpr int kMaxDepth = 256;
constexpr int kRepairs = 3;
constexpr uint32_t kScriptWaitMs = 60000;

// The long form of a root, so that deep paths are not held to MAX_PATH:
// "C:" -> "\\?\C:"; volume names and shadow copies lose a trailing "\".
std::wstring WithoutTrailingSlash(const std::wstring& root) {
  std::wstring r = root;
  while (!r.empty() && r.back() == L'\\') r.pop_back();
  return r;
}

std::wstring LongRoot(const std::wstring& root) {
  std::wstring r = WithoutTrailingSlash(root);
  if (r.size() == 2 && r[1] == L':') return L"\\\\?\\" + r;
  return r;
}

std::wstring Latin1Line(const std::wstring& line) {
  std::wstring out;
  for (wchar_t c : line) out.push_back(c < 256 ? c : L'?');
  return out;
}

bool IsLink(const platform::FindData& fd) {
  return (fd.attributes & win::FILE_ATTRIBUTE_REPARSE_POINT) &&
         (fd.reparseTag == win::IO_REPARSE_TAG_MOUNT_POINT || fd.reparseTag == win::IO_REPARSE_TAG_SYMLINK);
}

class VolumeCopier {
 public:
  VolumeCopier(const std::wstring& destinationRoot, const std::wstring& sourceRoot, const std::wstring& readRoot,
               const VolumeCopyOptions& options, VolumeCopyStats* stats, VolumeCopyObserver* observer)
      : destRoot_(LongRoot(destinationRoot)),
        destShown_(tools::NormalVolumeRoot(destinationRoot)),
        readRoot_(LongRoot(readRoot)),
        shownRoot_(WithoutTrailingSlash(sourceRoot)),
        options_(options),
        stats_(*stats),
        observer_(observer) {}

  VolumeCopyResult Run() {
    auto& sys = platform::Sys();
    if (!transfer_.Ready()) return Failed(destShown_, FileStep::CreateDestination, win::ERROR_NOT_ENOUGH_MEMORY);
    std::wstring fs;
    if (!sys.GetVolumeInformation(destShown_, &fs)) return Failed(destShown_, FileStep::Folder, sys.GetLastError());
    // Only NTFS keeps short names and access rights; elsewhere setting
    // them would fail for every file.
    transferOptions_.shortNames = transferOptions_.security = fs == L"NTFS";
    int errorsBefore = stats_.FileErrorCount + stats_.VerifyErrorCount + stats_.WriteErrorCount;
    // The copy goes through the cache and is flushed at its end; the verify
    // pass only reads, and writes its rare repairs through.
    std::optional<DestinationFlush> flush;
    if (!options_.verify) flush.emplace(destRoot_);
    transferOptions_.writeThrough = !flush || !flush->Cached();
    CopyTree(L"", 0, nullptr);
    if (!cancelled_ && !stopped_) RecreateReparsePoints();
    if (!cancelled_ && !stopped_ && !options_.verify) Label();
    // What was copied is on the disk before the volume is reported, stopped or not.
    // A flush that fails is a write error of the volume, not a file that
    // was not copied: it is listed first, so that no cap hides it.
    uint32_t flushError = 0;
    if (flush && !flush->Flush(&flushError)) {
      ++stats_.WriteErrorCount;
      ListFirst(&stats_.FileErrors, {destShown_, DescribeFailure(FileStep::Flush, flushError, 0)});
      ++stats_.VolumeErrors;
    }
    if (cancelled_) return VolumeCopyResult::Cancelled;
    if (stopped_) return VolumeCopyResult::Failed;
    int errorsAfter = stats_.FileErrorCount + stats_.VerifyErrorCount + stats_.WriteErrorCount;
    return errorsAfter > errorsBefore ? VolumeCopyResult::CompletedWithErrors : VolumeCopyResult::Completed;
  }

 private:
  struct Link {
    std::wstring rel;
    std::vector<uint8_t> data;  // its own copy, rebuilt from what was read
    platform::FindData meta;
    const platform::FindData* folder;  // the folder that holds it (none at the root)
  };

  VolumeCopyResult Failed(const std::wstring& path, FileStep step, uint32_t error) {
    stats_.AddError(path, DescribeFailure(step, error, 0));
    return VolumeCopyResult::Failed;
  }
  void Error(const std::wstring& rel, FileStep step, uint32_t error, uint64_t offset = 0) {
    stats_.AddError(shownRoot_ + rel, (options_.verify ? L"verify: " : L"") + DescribeFailure(step, error, offset));
  }
  bool Tick(const std::wstring& rel, uint64_t bytes) {
    if (cancelled_) return false;
    if (observer_) {
      std::wstring path = shownRoot_ + rel;
      if (!observer_->Progress(VolumeCopyProgress{stats_, path, bytes, options_.verify})) cancelled_ = true;
    }
    return !cancelled_;
  }
  void Handled(uint64_t bytes) {
    handledBytes_ += bytes;
    stats_.CopiedSectors += handledBytes_ / 512;
    handledBytes_ %= 512;
  }

  // One folder: listed once, its files copied, its folders walked, its
  // links recorded. False stops the volume (cancel, or the operator).
  bool CopyTree(const std::wstring& rel, int depth, const platform::FindData* self) {
    auto& sys = platform::Sys();
    if (!Tick(rel, 0)) return false;
    if (NotCopied(rel)) return true;  // the copy pass said so
    std::vector<platform::FindData> entries;
    if (!sys.FindFiles(readRoot_ + rel + L"\\*", &entries)) {
      uint32_t err = sys.GetLastError();
      if (err == win::ERROR_FILE_NOT_FOUND) return true;  // an empty root
      Error(rel, FileStep::ListFolder, err);
      if (!options_.verify) stats_.NotCopied.push_back(rel);
      return FolderFailed(rel);
    }
    for (const platform::FindData& fd : entries) {
      if (fd.name == L"." || fd.name == L"..") continue;
      if (depth == 0 && SkippedAtVolumeRoot(fd.name)) {
        ++stats_.Skipped;
        continue;
      }
      std::wstring child = rel + L"\\" + fd.name;
      if (IsLink(fd)) {
        RecordLink(child, fd, self);
      } else if (fd.attributes & win::FILE_ATTRIBUTE_DIRECTORY) {
        if (!CopyFolder(child, fd, depth + 1)) return false;
      } else {
        CopyOneFile(child, fd);
      }
      if (cancelled_ || stopped_) return false;
    }
    return true;
  }

  // Verifying: the copy pass could not copy the file, or list or create
  // the folder, and counted it already.
  bool NotCopied(const std::wstring& rel) const {
    return options_.notCopied && std::binary_search(options_.notCopied->begin(), options_.notCopied->end(), rel);
  }

  bool FolderFailed(const std::wstring& rel) {
    if (observer_ && !observer_->ContinueAfterFolderError(shownRoot_ + rel, destShown_ + rel.substr(rel.empty() ? 0 : 1)))
      stopped_ = true;
    return !stopped_;
  }

  bool CopyFolder(const std::wstring& rel, const platform::FindData& fd, int depth) {
    auto& sys = platform::Sys();
    if (depth > kMaxDepth) {
      if (!options_.notCopied) Error(rel, FileStep::TooDeep, 0);  // else the copy pass said so
      return true;
    }
    std::wstring dest = destRoot_ + rel;
    if (!options_.verify && !sys.CreateDirectory(dest) && sys.GetLastError() != win::ERROR_ALREADY_EXISTS) {
      Error(rel, FileStep::Folder, sys.GetLastError());
      stats_.NotCopied.push_back(rel);
      return FolderFailed(rel);
    }
    if (!CopyTree(rel, depth, &folders_.emplace_back(fd))) return false;
    if (options_.verify) return true;
    FolderMetadata(rel, fd);
    ++stats_.FoldersCopied;
    return true;
  }

  void FolderMetadata(const std::wstring& rel, const platform::FindData& fd) {
    ApplyFolderMetadata(readRoot_ + rel, destRoot_ + rel, fd, transferOptions_,
                        [&](FileStep step, uint32_t error) { Error(rel, step, error); });
  }

  void CopyOneFile(const std::wstring& rel, const platform::FindData& fd) {
    std::wstring source = readRoot_ + rel, dest = destRoot_ + rel;
    auto progress = [&](uint64_t bytes) { return Tick(rel, bytes); };
    if (!options_.verify) {
      TransferResult r = transfer_.Copy(source, dest, fd, transferOptions_, progress);
      if (r.cancelled) return;
      Handled(r.bytes);
      if (r.shortWrite) ++stats_.WriteErrorCount;
      if (r.ok) {
        ++stats_.FilesCopied;
        stats_.CopiedBytes += r.bytes;
      } else {
        stats_.NotCopied.push_back(rel);
      }
      if (r.step != FileStep::None) Error(rel, r.step, r.error, r.offset);
      // The file's bytes are among the handled ones now: none are its own.
      Tick(rel, 0);
      return;
    }
    if (NotCopied(rel)) return;
    // A repair goes over the file again from its start: the bar stays where
    // the comparison had reached until the repair passes it.
    uint64_t reached = 0;
    auto checking = [&](uint64_t bytes) {
      reached = std::max(reached, bytes);
      return Tick(rel, reached);
    };
    TransferResult v = transfer_.Verify(source, dest, checking);
    if (v.cancelled) return;
    if (!v.ok) {
      // A copy that differs is written again, up to three times; what
      // stays different, or cannot be compared, is a verify error.
      ++stats_.VerifyErrorCount;
      for (int attempt = 0; attempt < kRepairs && v.step == FileStep::Differs; ++attempt) {
        TransferResult again = transfer_.Copy(source, dest, fd, transferOptions_, checking);
        if (again.cancelled) return;
        if (!again.ok) {
          // The repair failed and took the copy with it: what stopped it is
          // the reason, not the copy that is now missing.
          if (again.shortWrite) ++stats_.WriteErrorCount;
          v = again;
          break;
        }
        v = transfer_.Verify(source, dest, checking);
        if (v.cancelled) return;
        if (v.ok) {
          --stats_.VerifyErrorCount;
          break;
        }
      }
      if (!v.ok) Error(rel, v.step, v.error, v.offset);
    }
    // What the last comparison (or the repair that failed) went through.
    Handled(v.bytes);
    Tick(rel, 0);
  }

  void RecordLink(const std::wstring& rel, const platform::FindData& fd, const platform::FindData* folder) {
    auto& sys = platform::Sys();
    platform::Handle h =
        sys.CreateFile(readRoot_ + rel, win::GENERIC_READ, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE,
                       win::OPEN_EXISTING, win::FILE_FLAG_BACKUP_SEMANTICS | win::FILE_FLAG_OPEN_REPARSE_POINT);
    if (!platform::IsValid(h)) {
      Error(rel, FileStep::Link, sys.GetLastError());
      return;
    }
    std::vector<uint8_t> raw(win::MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
    uint32_t got = 0;
    bool read = sys.DeviceIoControl(h, win::FSCTL_GET_REPARSE_POINT, nullptr, 0, raw.data(), uint32_t(raw.size()), &got);
    uint32_t err = sys.GetLastError();
    sys.CloseHandle(h);
    reparse::LinkData link;
    if (!read || !reparse::ParseLinkData(raw.data(), std::min<size_t>(got, raw.size()), &link)) {
      Error(rel, FileStep::Link, read ? win::ERROR_INVALID_REPARSE_DATA : err);
      return;
    }
    // The link leads where it led on the source: the copy takes the
    // source's place, under the source's drive letter.
    links_.push_back({rel, reparse::BuildLinkData(link), fd, folder});
  }

  // The profile alias folder is made by the system's own command, as a
  // link relative to its volume.
  bool IsAllUsers(const Link& l) const {
    return text::EqualsIgnoreCase(l.rel, L"\\Users\\All Users") && reparse::TagOf(l.data.data(), l.data.size()) ==
                                                                         win::IO_REPARSE_TAG_SYMLINK;
  }

  void RecreateReparsePoints() {
    for (const Link& l : links_) {
      if (cancelled_) return;
      if (options_.verify) {
        VerifyLink(l);
      } else if (IsAllUsers(l) && destShown_.size() == 3) {
        MakeWithMklink(l);
      } else {
        MakeLink(l);
      }
      Tick(l.rel, 0);
    }
    // A link made in a folder moved the folder's times: they are set again.
    auto& sys = platform::Sys();
    const platform::FindData* done = nullptr;
    for (const Link& l : links_) {
      if (options_.verify || !l.folder || l.folder == done) continue;
      done = l.folder;
      std::wstring folder = l.rel.substr(0, l.rel.rfind(L'\\'));
      platform::Handle h = sys.CreateFile(destRoot_ + folder, win::GENERIC_WRITE, win::FILE_SHARE_READ,
                                          win::OPEN_EXISTING, win::FILE_FLAG_BACKUP_SEMANTICS);
      if (!platform::IsValid(h) || !sys.SetFileTime(h, l.folder->times)) Error(folder, FileStep::Times, sys.GetLastError());
      if (platform::IsValid(h)) sys.CloseHandle(h);
    }
  }

  void MakeLink(const Link& l) {
    auto& sys = platform::Sys();
    std::wstring dest = destRoot_ + l.rel;
    bool folder = (l.meta.attributes & win::FILE_ATTRIBUTE_DIRECTORY) != 0;
    bool made = folder ? sys.CreateDirectory(dest)
                       : [&] {
                           platform::Handle f = sys.CreateFile(dest, win::GENERIC_WRITE, 0, win::CREATE_NEW, 0);
                           if (platform::IsValid(f)) sys.CloseHandle(f);
                           return platform::IsValid(f);
                         }();
    if (!made) {
      Error(l.rel, FileStep::Link, sys.GetLastError());
      return;
    }
    platform::Handle h = sys.CreateFile(dest, win::GENERIC_READ | win::GENERIC_WRITE, 0, win::OPEN_EXISTING,
                                        win::FILE_FLAG_BACKUP_SEMANTICS | win::FILE_FLAG_OPEN_REPARSE_POINT);
    uint32_t got = 0;
    if (!platform::IsValid(h) || !sys.DeviceIoControl(h, win::FSCTL_SET_REPARSE_POINT, l.data.data(),
                                                      uint32_t(l.data.size()), nullptr, 0, &got)) {
      Error(l.rel, FileStep::Link, sys.GetLastError());
      if (platform::IsValid(h)) sys.CloseHandle(h);
      if (folder) sys.RemoveDirectory(dest);
      else sys.DeleteFile(dest);
      return;
    }
    LinkMetadata(l, h);
  }

  void MakeWithMklink(const Link& l) {
    auto& sys = platform::Sys();
    std::wstring script = destShown_ + L"qob.cmd";
    std::wstring line = Latin1Line(L"mklink /D  \"" + destShown_ + l.rel.substr(1) + L"\" \"..\\ProgramData\"\r\n");
    std::vector<uint8_t> bytes(line.begin(), line.end());
    platform::Handle f = sys.CreateFile(script, win::GENERIC_WRITE, 0, win::CREATE_ALWAYS, 0);
    uint32_t put = 0;
    bool written = platform::IsValid(f) && sys.WriteFile(f, bytes.data(), uint32_t(bytes.size()), &put) &&
                   put == bytes.size();
    if (platform::IsValid(f)) sys.CloseHandle(f);
    uint32_t code = win::ERROR_FILE_NOT_FOUND;
    if (written) {
      platform::Handle p = sys.ShellExecuteEx(L"open", script, L"", L"", win::SW_HIDE);
      if (p) {
        if (sys.WaitForSingleObject(p, kScriptWaitMs) != win::WAIT_OBJECT_0 || !sys.GetExitCodeProcess(p, &code))
          code = win::ERROR_SEM_TIMEOUT;
        sys.CloseHandle(p);
      }
    }
    sys.DeleteFile(script);
    if (code != 0) {
      Error(l.rel, FileStep::Link, code);
      return;
    }
    platform::Handle h = sys.CreateFile(destRoot_ + l.rel, win::GENERIC_READ | win::GENERIC_WRITE, 0,
                                        win::OPEN_EXISTING,
                                        win::FILE_FLAG_BACKUP_SEMANTICS | win::FILE_FLAG_OPEN_REPARSE_POINT);
    if (!platform::IsValid(h)) {
      Error(l.rel, FileStep::Link, sys.GetLastError());
      return;
    }
    LinkMetadata(l, h);
  }

  void LinkMetadata(const Link& l, platform::Handle h) {
    auto& sys = platform::Sys();
    if (!sys.SetFileTime(h, l.meta.times)) Error(l.rel, FileStep::Times, sys.GetLastError());
    sys.CloseHandle(h);
    uint32_t wanted = CopiedAttributes(l.meta.attributes);
    if (wanted && !sys.SetFileAttributes(destRoot_ + l.rel, wanted))
      Error(l.rel, FileStep::Attributes, sys.GetLastError());
    ++stats_.LinksRecreated;
  }

  void VerifyLink(const Link& l) {
    auto& sys = platform::Sys();
    platform::Handle h = sys.CreateFile(destRoot_ + l.rel, win::GENERIC_READ, win::FILE_SHARE_READ, win::OPEN_EXISTING,
                                        win::FILE_FLAG_BACKUP_SEMANTICS | win::FILE_FLAG_OPEN_REPARSE_POINT);
    std::vector<uint8_t> raw(win::MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
    uint32_t got = 0;
    bool read = platform::IsValid(h) && sys.DeviceIoControl(h, win::FSCTL_GET_REPARSE_POINT, nullptr, 0, raw.data(),
                                                            uint32_t(raw.size()), &got);
    uint32_t err = sys.GetLastError();
    if (platform::IsValid(h)) sys.CloseHandle(h);
    reparse::LinkData want, have;
    bool same = read && reparse::ParseLinkData(l.data.data(), l.data.size(), &want) &&
                reparse::ParseLinkData(raw.data(), std::min<size_t>(got, raw.size()), &have) && want.tag == have.tag &&
                reparse::LinkTarget(want, L"\\") == reparse::LinkTarget(have, L"\\");
    if (same) return;
    ++stats_.VerifyErrorCount;
    Error(l.rel, read ? FileStep::Differs : FileStep::Link, read ? 0 : err);
  }

  void Label() {
    auto& sys = platform::Sys();
    std::wstring label;
    if (!sys.GetVolumeLabel(tools::NormalVolumeRoot(shownRoot_), &label)) return;
    if (!sys.SetVolumeLabel(destShown_, label)) stats_.AddError(destShown_, DescribeFailure(FileStep::Label, sys.GetLastError(), 0));
  }

  std::wstring destRoot_, destShown_, readRoot_, shownRoot_;
  VolumeCopyOptions options_;
  VolumeCopyStats& stats_;
  VolumeCopyObserver* observer_;
  FileTransfer transfer_;
  TransferOptions transferOptions_;
  std::vector<Link> links_;
  std::deque<platform::FindData> folders_;  // of the folders that hold links; the links point into it
  uint64_t handledBytes_ = 0;
  bool cancelled_ = false;
  bool stopped_ = false;
};

}  // namespace

void ListFirst(std::vector<FailedFile>* list, FailedFile failure) {
  list->insert(list->begin(), std::move(failure));
  if (list->size() > kMaxListedErrors) list->pop_back();
}

void VolumeCopyStats::AddError(const std::wstring& path, const std::wstring& reason) {
  ++FileErrorCount;
  if (FileErrors.size() < kMaxListedErrors) FileErrors.push_back({path, reason});
}

bool SkippedAtVolumeRoot(const std::wstring& name) {
  for (const wchar_t* skipped : {L"System Volume Information", L"RECYCLER", L"Recycled", L"pagefile.sys",
                                 L"hiberfil.sys", L"swapfile.sys"})
    if (text::EqualsIgnoreCase(name, skipped)) return true;
  return text::StartsWithIgnoreCase(name, L"$RECYCLE.BIN");
}

VolumeCopyResult CopyPartitionContents(const std::wstring& destinationRoot, const std::wstring& sourceRoot,
                                       const VolumeCopyOptions& options, VolumeCopyStats* stats,
                                       VolumeCopyObserver* observer) {
  // The source through a shadow copy of its volume, one per volume for the
  // whole duplication; without the caller's session one of our own, gone
  // when this returns.
  std::wstring readRoot = sourceRoot;
  tools::ShadowSession own;
  if (options.readThroughShadow && !app::IsWinPE) {
    tools::ShadowSession* session = options.shadows ? options.shadows : &own;
    const tools::ShadowAnswer& answer = session->For(sourceRoot);
    readRoot = answer.path;
    if (!answer.IsShadow() && answer.problem != tools::ShadowProblem::NotNeeded) {
      bool known = false;
      for (auto& [root, why] : stats->LiveVolumes) known |= text::EqualsIgnoreCase(root, sourceRoot);
      if (!known) stats->LiveVolumes.emplace_back(sourceRoot, answer.problem);
    }
  }
  VolumeCopier copier(destinationRoot, sourceRoot, readRoot, options, stats, observer);
  return copier.Run();
}

}  // namespace duplicate
