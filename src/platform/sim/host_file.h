// A file of the host machine, read and written at explicit offsets. The
// simulated PC keeps its volume files in these (disk images are ImageFile).
#pragma once

#include <cstdint>
#include <string>

namespace sim {

class HostFile {
 public:
  HostFile() = default;
  ~HostFile();
  HostFile(const HostFile&) = delete;
  HostFile& operator=(const HostFile&) = delete;
  HostFile(HostFile&& o) noexcept;
  HostFile& operator=(HostFile&& o) noexcept;

  enum class Mode { Read, ReadWrite, CreateReadWrite, TruncateReadWrite };
  bool Open(const std::string& path, Mode mode);
  void Close();
  bool IsOpen() const;
  // Whole transfers or failure: a short read at the end of the file counts
  // as a read of what was there, reported in *done.
  bool ReadAt(uint64_t offset, void* buffer, size_t bytes, size_t* done) const;
  bool WriteAt(uint64_t offset, const void* buffer, size_t bytes);
  // Puts what was written on the medium (a write-through handle's promise).
  bool Sync();
  // The file will be read from start to end: a larger read-ahead.
  void ReadingSequentially();

 private:
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
};

// Puts every cached write of the host file system that holds folder on the
// medium (what flushing a whole volume promises).
bool SyncFileSystemOf(const std::string& folder);

}  // namespace sim
