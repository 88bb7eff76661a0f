// One file copied or compared in 4 MiB chunks, with what Windows keeps
// beside its bytes: attributes, the three times, the access-control list
// and the short name. The basic duplication copies volumes with it, and the
// file copy wizard copies chosen files and folders with it.
//
// A file either arrives whole or not at all: a failed open, a read error
// anywhere in the source, a short or failed write, or a cancel removes the
// partial destination and reports the step, the Windows error and the
// offset. Metadata that cannot be set leaves the copied file in place and
// is reported as well.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/system.h"

namespace duplicate {

// The unit of a copy: progress is reported, and a cancel is looked at,
// after each chunk, and a file written through is written a chunk at a time.
inline constexpr uint32_t kChunkBytes = 4u << 20;
// Through the cache, and in a comparison, the bytes move in slices small
// enough to stay in the processor's cache between the read that fills the
// buffer and the write or comparison that takes it: with a whole chunk the
// second pass over the buffer comes from memory, which costs a third of the
// copying time.
inline constexpr uint32_t kSliceBytes = 256u << 10;

enum class FileStep {
  None,
  OpenSource,
  CreateDestination,
  Read,
  Write,
  OpenDestination,
  ReadDestination,
  Differs,
  Attributes,
  Times,
  Security,
  ShortName,
  Folder,
  ListFolder,
  TooDeep,
  Link,
  Label,
  Flush,
  Cancelled,
};

// Why a file was not copied, in words for the summary and the console
// ("cannot read the source at byte 65536: data error (23)").
std::wstring DescribeFailure(FileStep step, uint32_t error, uint64_t offset);

struct TransferResult {
  bool ok = false;         // the destination has the source's bytes (or, verifying, they are equal)
  bool cancelled = false;  // stopped on request; nothing left behind
  uint64_t bytes = 0;      // bytes of the file handled
  FileStep step = FileStep::None;  // the failure (or, with ok, a metadata step that failed)
  uint32_t error = 0;
  uint64_t offset = 0;
  bool shortWrite = false;  // the destination took fewer bytes than it was given
};

struct TransferOptions {
  bool security = true;    // copy the access-control list
  bool shortNames = true;  // keep the source's short name (NTFS destinations)
  // Each write on the disk before it returns; false: through the cache,
  // for a destination a DestinationFlush puts on the disk at the end.
  bool writeThrough = true;
};

// A copy's files go through the system's cache when their volume can be
// flushed as a whole: one flush at the end puts all of them on the disk,
// where writing each one through waits for the disk once per file, which
// costs more than the copying on a tree of small files. A destination that
// cannot be flushed so (a network folder, a volume this account may not
// open) has its files written through.
class DestinationFlush {
 public:
  // destination: any path on the volume ("E:\\Backup", "\\\\?\\Volume{...}\\").
  explicit DestinationFlush(const std::wstring& destination);
  ~DestinationFlush();
  DestinationFlush(const DestinationFlush&) = delete;
  DestinationFlush& operator=(const DestinationFlush&) = delete;

  // Files may be written through the cache.
  bool Cached() const;
  // Everything written to the volume is on the disk. False with the
  // Windows error: the copy is then not known to be on the disk.
  bool Flush(uint32_t* error);

 private:
  platform::Handle volume_;
};

// Called after every chunk with the bytes of the file done so far; false
// asks to stop.
using ChunkProgress = std::function<bool(uint64_t bytesOfFile)>;

class FileTransfer {
 public:
  // The chunk buffers are taken once, here, and reused for every file.
  FileTransfer();
  bool Ready() const { return first_ != nullptr && second_ != nullptr; }

  // Copies source to destination (created anew, written through unless the
  // options say otherwise) and gives
  // it meta's attributes and times, the source's access-control list and
  // short name.
  TransferResult Copy(const std::wstring& source, const std::wstring& destination, const platform::FindData& meta,
                      const TransferOptions& options, const ChunkProgress& progress);
  // Compares destination with source, both opened for reading only.
  TransferResult Verify(const std::wstring& source, const std::wstring& destination, const ChunkProgress& progress);

 private:
  TransferResult Fail(FileStep step, uint32_t error, uint64_t offset);
  void ApplyMetadata(platform::Handle destination, const std::wstring& path, const platform::FindData& meta,
                     const std::vector<uint8_t>& security, const TransferOptions& options, TransferResult* result);
  std::unique_ptr<uint8_t[]> firstStore_, secondStore_;
  uint8_t* first_ = nullptr;
  uint8_t* second_ = nullptr;
};

// A copied folder gets the source folder's access-control list, short
// name, times and attributes, after its contents (which would move its
// times again). Each step that fails is passed to failed with its error.
using StepFailure = std::function<void(FileStep step, uint32_t error)>;
void ApplyFolderMetadata(const std::wstring& source, const std::wstring& destination, const platform::FindData& meta,
                         const TransferOptions& options, const StepFailure& failed);

// The attribute bits a copy carries over (not directory, reparse point,
// compression or sparseness, which the file system decides).
uint32_t CopiedAttributes(uint32_t attributes);

}  // namespace duplicate
