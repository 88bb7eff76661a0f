#include "duplicate/block_loop.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <numeric>

#include "app/language.h"
#include "disk/disk_access.h"
#include "duplicate/duplication_job.h"
#include "duplicate/side_worker.h"
#include "platform/system.h"
#include "platform/winapi.h"
#include "ui/window.h"

namespace duplicate {

using platform::Handle;
using platform::Sys;

namespace {

constexpr uint32_t kSector = disk::kSectorBytes;
// About a megabyte per transfer: uncached transfers of one track each run
// at a fraction of the disk's speed, and larger ones gained nothing while
// reads run ahead of the transfer being written (8 MiB measured a fifth
// slower on a disk that takes its requests one at a time).
constexpr uint32_t kTransferBytes = 1u << 20;
// Transfers in flight: the reads run up to this many transfers ahead of the
// one being written or compared, so that the disk always has the next read
// queued and never waits for the loop to come round.
constexpr int kDepth = 4;
constexpr size_t kAlign = 4096;
constexpr int kRepairAttempts = 3;
// The bar is at most a few hundred pixels wide: about a thousand steps.
constexpr uint64_t kProgressSteps = 1024;

// A 4 KiB aligned buffer from the heap, so that uncached transfers need no
// bounce buffer on the way.
class AlignedBuffer {
 public:
  bool Allocate(size_t bytes) {
    memory_.reset(new (std::nothrow) uint8_t[bytes + kAlign]);
    if (!memory_) return false;
    data_ = memory_.get() + (kAlign - reinterpret_cast<uintptr_t>(memory_.get()) % kAlign) % kAlign;
    return true;
  }
  uint8_t* data() const { return data_; }

 private:
  std::unique_ptr<uint8_t[]> memory_;
  uint8_t* data_ = nullptr;
};

bool ReadAll(Handle h, uint8_t* buffer, uint64_t lba, uint32_t count) {
  return disk::ReadSectors(h, buffer, lba, count) == count * kSector;
}

bool WriteAll(Handle h, const uint8_t* buffer, uint64_t lba, uint32_t count) {
  return disk::WriteSectors(h, buffer, lba, count) == count * kSector;
}

class BlockLoop {
 public:
  BlockLoop(CopyProgress& progress, const SectorCopyRange& r, bool verify,
            const std::function<int64_t(uint64_t)>& positionOf)
      : progress_(progress), r_(r), verify_(verify), positionOf_(positionOf),
        n_(std::max<uint32_t>(1, r.blockSectors)), transfer_(TransferSectorsFor(n_)),
        step_(std::max<uint64_t>(n_, r.length / kProgressSteps)) {}

  ~BlockLoop() {
    FinishReads();  // no read may outlive the handles
    if (platform::IsValid(destinationReader_)) Sys().CloseHandle(destinationReader_);
    if (platform::IsValid(source_)) Sys().CloseHandle(source_);
    if (platform::IsValid(destination_)) Sys().CloseHandle(destination_);
  }

  LoopOutcome Run() {
    DuplicationJobRecord& job = DuplicationJob;
    // The source is opened for reading only: nothing this loop does can
    // reach it with a write.
    source_ = OpenReader(r_.sourceDrive);
    destination_ = disk::OpenDiskHandle(r_.destinationDrive);
    if (!platform::IsValid(source_) || !platform::IsValid(destination_)) return LoopOutcome::NoDisk;
    // Smaller transfers, down to one block, when memory is short. Buffers
    // [k] hold the transfer the loop writes (or compares), the others
    // receive the next ones meanwhile.
    for (;;) {
      size_t bytes = size_t(transfer_) * kSector;
      bool ok = true;
      for (int i = 0; i < kDepth && ok; ++i)
        ok = data_[i].Allocate(bytes) && (!verify_ || compare_[i].Allocate(bytes));
      if (ok) break;
      if (transfer_ <= n_) return LoopOutcome::NoMemory;
      transfer_ = std::max(n_, transfer_ / 2 / n_ * n_);
    }
    // The verify pass reads the destination on a handle of its own, beside
    // the one its repairs write with.
    if (verify_) destinationReader_ = OpenReader(r_.destinationDrive);

    job.CopiedSectors = 0;
    job.LastPosition = 0;
    Show(0, true);
    uint64_t pos = 0;
    LoopOutcome outcome = LoopOutcome::Done;
    int k = 0;
    for (int i = 0; i < kDepth; ++i) QueueRead(i);
    while (pos < r_.length) {
      Sys().SetThreadExecutionState(win::ES_SYSTEM_REQUIRED);
      job.LastPosition = pos;
      progress_.Pump();
      if (job.CancelRequested) {
        outcome = LoopOutcome::Cancelled;
        break;
      }
      uint32_t count = Count(pos);
      sourceRead_.WaitFor(sourceTicket_[k]);
      destinationRead_.WaitFor(destinationTicket_[k]);
      if (verify_) {
        Compare(k, pos, count);
      } else {
        Counted(&read_[k].unreadable);
        WriteDestination(data_[k].data(), pos, count);
      }
      QueueRead(k);
      k = (k + 1) % kDepth;
      pos += count;
      job.CopiedSectors = pos;
      Show(pos, false);
    }
    FinishReads();
    if (outcome == LoopOutcome::Done) job.LastPosition = pos;
    Show(pos, true);
    return outcome;
  }

 private:
  // What the reads of one transfer found.
  struct Read {
    std::vector<uint64_t> unreadable;    // source sectors that could not be read (copying)
    std::vector<bool> sourceHoles;       // per sector of the transfer (verifying)
    std::vector<bool> destinationHoles;  // per block of the transfer (verifying)
  };

  // A handle that only reads, uncached.
  static Handle OpenReader(int drive) {
    return Sys().CreateFile(disk::PhysicalDrivePath(drive), win::GENERIC_READ,
                            win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING,
                            win::FILE_FLAG_WRITE_THROUGH | win::FILE_FLAG_NO_BUFFERING);
  }

  // The sectors of the transfer at pos.
  uint32_t Count(uint64_t pos) const { return uint32_t(std::min<uint64_t>(transfer_, r_.length - pos)); }

  // Queues the read of the next transfer not yet queued into buffers [k],
  // which the loop is done with.
  void QueueRead(int k) {
    if (queuedPos_ >= r_.length) return;
    uint64_t pos = queuedPos_;
    queuedPos_ += Count(pos);
    ReadAhead(k, pos);
  }

  // Starts reading the transfer at pos into buffers [k]: the source, and
  // verifying the destination too, each on a thread of its own.
  void ReadAhead(int k, uint64_t pos) {
    uint32_t count = Count(pos);
    Read& r = read_[k];
    r.unreadable.clear();
    if (verify_) {
      r.sourceHoles.assign(count, false);
      r.destinationHoles.assign((count + n_ - 1) / n_, false);
    }
    sourceTicket_[k] = sourceRead_.Start([this, k, pos, count] {
      ReadSource(data_[k].data(), pos, count, verify_ ? &read_[k].sourceHoles : nullptr, &read_[k].unreadable);
    });
    if (!verify_) return;
    if (platform::IsValid(destinationReader_))
      destinationTicket_[k] =
          destinationRead_.Start([this, k, pos, count] { ReadDestination(destinationReader_, k, pos, count); });
    else
      ReadDestination(destination_, k, pos, count);
  }

  // Drops the reads not yet begun and waits for those under way.
  void FinishReads() {
    sourceRead_.Finish();
    destinationRead_.Finish();
  }

  // The unreadable sectors a read met, counted and listed (on the loop's
  // own thread).
  void Counted(std::vector<uint64_t>* lbas) {
    for (uint64_t lba : *lbas) AddUnreadableSector(lba);
    lbas->clear();
  }

  // Reads count sectors of the source at pos; runs on a reading thread, so
  // it touches nothing but the buffer and the lists it is given. A transfer
  // that fails is read again block by block, and a block that fails sector
  // by sector: every readable sector is kept, every unreadable one becomes
  // zeros and goes to lbas. With holes set, the sectors that could not be
  // read are marked there (the verify pass does not judge them).
  void ReadSource(uint8_t* buffer, uint64_t pos, uint32_t count, std::vector<bool>* holes,
                  std::vector<uint64_t>* lbas) {
    if (ReadAll(source_, buffer, r_.sourceStart + pos, count)) return;
    for (uint32_t b = 0; b < count; b += n_) {
      uint32_t c = std::min(n_, count - b);
      uint8_t* block = buffer + size_t(b) * kSector;
      if (ReadAll(source_, block, r_.sourceStart + pos + b, c)) continue;
      for (uint32_t s = 0; s < c; ++s) {
        uint64_t lba = r_.sourceStart + pos + b + s;
        if (ReadAll(source_, block + size_t(s) * kSector, lba, 1)) continue;
        std::memset(block + size_t(s) * kSector, 0, kSector);
        lbas->push_back(lba);
        if (holes) (*holes)[b + s] = true;
      }
    }
  }

  // Writes count sectors at pos; when the transfer fails, each block gets
  // two attempts of its own, and every block that stays unwritten counts.
  void WriteDestination(const uint8_t* buffer, uint64_t pos, uint32_t count) {
    if (WriteAll(destination_, buffer, r_.destinationStart + pos, count)) return;
    for (uint32_t b = 0; b < count; b += n_) {
      uint32_t c = std::min(n_, count - b);
      const uint8_t* block = buffer + size_t(b) * kSector;
      uint64_t lba = r_.destinationStart + pos + b;
      if (!WriteAll(destination_, block, lba, c) && !WriteAll(destination_, block, lba, c)) {
        ++DuplicationJob.WriteErrorCount;
        DuplicationJob.UnwrittenSectors += c;
      }
    }
  }

  // Reads the destination's blocks of a transfer into compare_[k] through
  // handle; marks the blocks that cannot be read (they count as different).
  void ReadDestination(Handle handle, int k, uint64_t pos, uint32_t count) {
    uint8_t* buffer = compare_[k].data();
    if (ReadAll(handle, buffer, r_.destinationStart + pos, count)) return;
    for (uint32_t b = 0; b < count; b += n_) {
      uint32_t c = std::min(n_, count - b);
      if (!ReadAll(handle, buffer + size_t(b) * kSector, r_.destinationStart + pos + b, c))
        read_[k].destinationHoles[b / n_] = true;
    }
  }

  // Compares buffers [k], read from both disks, block by block; a block
  // that differs is repaired.
  void Compare(int k, uint64_t pos, uint32_t count) {
    const Read& r = read_[k];
    for (uint32_t b = 0; b < count; b += n_) {
      uint32_t c = std::min(n_, count - b);
      uint8_t* want = data_[k].data() + size_t(b) * kSector;
      uint8_t* got = compare_[k].data() + size_t(b) * kSector;
      // A source sector that cannot be read now says nothing about the
      // destination: it is not judged, and not overwritten. When the
      // destination's block could not be read either, its buffer holds
      // nothing of it: the block is written again with zeros in that
      // sector, which is then listed as such.
      const bool destinationRead = !r.destinationHoles[b / n_];
      bool holes = false;
      for (uint32_t s = 0; s < c; ++s) {
        if (!r.sourceHoles[b + s]) continue;
        holes = true;
        if (destinationRead) std::memcpy(want + size_t(s) * kSector, got + size_t(s) * kSector, kSector);
        else AddUnreadableSector(r_.sourceStart + pos + b + s);
      }
      bool same = (destinationRead && std::memcmp(want, got, size_t(c) * kSector) == 0) ||
                  RepairBlock(want, got, pos + b, c);
      if (!same) continue;
      // The copy now holds every sector of the block read this time:
      // those the copy pass wrote as zeros are zeros no more, also beside
      // a sector that failed again.
      if (!holes) {
        ClearUnreadableSectors(r_.sourceStart + pos + b, c);
        continue;
      }
      for (uint32_t s = 0; s < c;) {
        uint32_t e = s;
        while (e < c && !r.sourceHoles[b + e]) ++e;
        ClearUnreadableSectors(r_.sourceStart + pos + b + s, e - s);
        s = e + 1;
      }
    }
  }

  // The block differs: it is written again and read back, up to three
  // times; only a block that stays different counts. True when repaired.
  bool RepairBlock(const uint8_t* want, uint8_t* got, uint64_t pos, uint32_t count) {
    ++DuplicationJob.VerifyErrorCount;
    uint64_t lba = r_.destinationStart + pos;
    for (int attempt = 0; attempt < kRepairAttempts; ++attempt) {
      if (WriteAll(destination_, want, lba, count) && ReadAll(destination_, got, lba, count) &&
          std::memcmp(want, got, size_t(count) * kSector) == 0) {
        --DuplicationJob.VerifyErrorCount;
        return true;
      }
    }
    return false;
  }

  // The page at most about a thousand times a range, and the elapsed time
  // when the second changes.
  void Show(uint64_t pos, bool always) {
    if (always || pos - shownPos_ >= step_) {
      shownPos_ = pos;
      progress_.Position(positionOf_(pos));
      progress_.Copied(pos);
    }
    std::time_t now = Sys().Now();
    if (always || now != shownTime_) {
      shownTime_ = now;
      progress_.Elapsed();
    }
  }

  CopyProgress& progress_;
  const SectorCopyRange r_;
  const bool verify_;
  const std::function<int64_t(uint64_t)>& positionOf_;
  const uint32_t n_;
  uint32_t transfer_;
  const uint64_t step_;
  Handle source_ = platform::kInvalidHandle;
  Handle destination_ = platform::kNullHandle;
  Handle destinationReader_ = platform::kInvalidHandle;
  AlignedBuffer data_[kDepth], compare_[kDepth];
  Read read_[kDepth];
  uint64_t sourceTicket_[kDepth] = {}, destinationTicket_[kDepth] = {};
  uint64_t queuedPos_ = 0;  // where the next read to queue starts
  // After the buffers: the reading threads end before the buffers go.
  SideWorker sourceRead_, destinationRead_;
  uint64_t shownPos_ = 0;
  std::time_t shownTime_ = -1;
};

}  // namespace

uint32_t BlockSectorsFor(uint32_t sectorsPerTrack) {
  uint32_t spt = sectorsPerTrack == 0 || sectorsPerTrack > 63 ? 63 : sectorsPerTrack;
  return 16 * spt;
}

uint32_t TransferSectorsFor(uint32_t blockSectors) {
  constexpr uint32_t kPageSectors = 4096 / kSector;
  uint32_t n = std::max<uint32_t>(1, blockSectors);
  uint32_t blocks = std::max<uint32_t>(1, kTransferBytes / kSector / n);
  // Whole pages: the number of blocks is a multiple of what makes one.
  uint32_t unit = kPageSectors / std::gcd(n, kPageSectors);
  blocks = (blocks + unit - 1) / unit * unit;
  return blocks * n;
}

LoopOutcome RunBlockLoop(CopyProgress& progress, const SectorCopyRange& range, bool verify,
                         const std::function<int64_t(uint64_t)>& positionOf) {
  return BlockLoop(progress, range, verify, positionOf).Run();
}

void ReportLoopFailure(LoopOutcome outcome) {
  if (outcome != LoopOutcome::NoDisk && outcome != LoopOutcome::NoMemory) return;
  ++DuplicationJob.FailedStepCount;
  ui::MessageBox(app::T(outcome == LoopOutcome::NoMemory ? L"IDS_NoMemory" : L"IDS_DiskCannotOpen"),
                 win::MB_OK | win::MB_ICONEXCLAMATION);
}

}  // namespace duplicate
