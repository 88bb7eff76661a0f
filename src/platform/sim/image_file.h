// The host file behind a simulated drive: a regular file or a block device.
// Uncached transfers reach the medium before they return, as they do on
// Windows through a handle opened without buffering and with write-through:
// direct I/O where the host file system allows it, otherwise a data sync
// after each write. Cached transfers go through the host's page cache.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

namespace sim {

// How uncached transfers reach the image.
enum class ImageIo {
  Direct,  // direct I/O on the host file (one transfer, bounced only when the buffer is unaligned)
  Sync,    // through the page cache, with a data sync before a write returns
};
const char* ImageIoName(ImageIo io);

// The host's identity of a file: the same file has the same identity
// whatever the path that named it (links, "..", other spellings).
struct FileIdentity {
  uint64_t device = 0;
  uint64_t file = 0;
  bool operator==(const FileIdentity& o) const { return device == o.device && file == o.file; }
};

class ImageFile {
 public:
  ImageFile() = default;
  ~ImageFile();
  ImageFile(const ImageFile&) = delete;
  ImageFile& operator=(const ImageFile&) = delete;

  // Opens an image. A missing one is made (sparse) when sizeBytes is given;
  // an existing one must then be exactly that long, and its length is never
  // changed. A size that cannot be made leaves neither a file nor the
  // folders made for it. An image without write permission opens read-only.
  bool Open(const std::string& path, uint64_t sizeBytes, std::string* error);
  void Close();

  uint64_t Size() const { return size_; }
  bool ReadOnly() const { return readOnly_; }
  FileIdentity Identity() const { return identity_; }
  ImageIo Io() const { return io_; }

  // Whole transfers or failure. A read that meets the end of the file
  // early (the image shrank under the machine) reads zeros there.
  bool Read(uint64_t offset, void* buffer, size_t bytes, bool uncached);
  bool Write(uint64_t offset, const void* buffer, size_t bytes, bool uncached);
  // Cached writes reach the medium.
  bool Flush();

 private:
  bool OpenExisting(const std::string& path, uint64_t sizeBytes, std::string* error);
  void CloseHandles();
  void ChooseDirectIo(const std::string& path);
  bool DirectFits(uint64_t offset, size_t bytes) const;
  uint8_t* Bounce(size_t bytes);

#ifdef _WIN32
  void* handle_ = nullptr;
  void* durable_ = nullptr;  // the same file opened with write-through
#else
  int fd_ = -1;
  int directFd_ = -1;
  size_t memoryAlign_ = 4096;
  size_t offsetAlign_ = 512;
#endif
  // Transfers run from several threads at once; the one bounce buffer is
  // theirs one at a time.
  std::mutex bounceLock_;
  uint8_t* bounce_ = nullptr;
  size_t bounceBytes_ = 0;
  uint64_t size_ = 0;
  bool readOnly_ = false;
  FileIdentity identity_;
  ImageIo io_ = ImageIo::Sync;
};

}  // namespace sim
