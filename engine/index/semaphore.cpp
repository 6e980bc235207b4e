#include "engine/index/semaphore.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <memory>
#include <span>

#include "engine/table/error_state.h"
#include "engine/table/files.h"
#include "engine/table/locking.h"
#include "engine/table/work_area.h"
#include "platform/clock.h"
#include "platform/error_codes.h"
#include "platform/file.h"

namespace xb {
namespace {

constexpr int kHandleSlots = 35;  // work areas 1..34 may have a handle
constexpr uint64_t kRegionOffset = 1;
constexpr uint64_t kRegionLength = 4;
constexpr int kMaxReaders = 127;

// Byte 4, after the record: 1 while a writer works. A live writer holds
// the region lock throughout, so whoever holds the region lock and finds
// this byte set knows the writer died in the middle of its update.
constexpr size_t kWriterAtWork = 4;
// Byte 4's values. A dead writer's 1 becomes 2 once its mark is cleared:
// its tags are still owed a rebuild, and whoever opens the index next
// tries again until one succeeds (another program holding the index open
// can make a rebuild fail).
constexpr uint8_t kFlagWriterAtWork = 1;
constexpr uint8_t kFlagRepairOwed = 2;

// A registered reader also holds one byte of these for as long as it is
// registered, so that a registration whose process died (the count in byte
// 1 stays, the byte lock goes with the process) can be told from a live
// one. The bytes lie past the end of the file; locks there need no data.
constexpr uint64_t kReaderSlotBase = 16;
constexpr uint32_t kReaderProbeMs = 250;

struct SemHandle {
  std::string path;
  std::unique_ptr<platform::File> file;
  std::array<uint8_t, 4> record{};
  bool writer_at_work = false;  // byte 4 as last read
  bool repair_owed = false;     // byte 4 says the tags still need a rebuild
  bool has_flag_byte = false;   // the file reaches byte 4
  uint16_t last_seen = 0;
  bool region_held = false;
  bool registered = false;
  bool repaired_dead_writer = false;
  int reader_slot = -1;  // the byte held while registered, if one was free
  int read_nesting = 0;
  int write_nesting = 0;

  uint16_t counter() const { return static_cast<uint16_t>(record[2] | record[3] << 8); }
  void set_counter(uint16_t c) {
    record[2] = static_cast<uint8_t>(c);
    record[3] = static_cast<uint8_t>(c >> 8);
  }
};

struct Engine {
  std::array<std::unique_ptr<SemHandle>, kHandleSlots> handles;
  std::array<int, kHandleSlots> read_proc{};
  std::array<int, kHandleSlots> lock_proc{};
  SemaphoreTimings timings;
};

Engine& State() {
  static Engine engine;
  return engine;
}

const char* ActionName(SemaphoreAction a) {
  switch (a) {
    case SemaphoreAction::kLogin: return "LOGIN";
    case SemaphoreAction::kLogout: return "LOGOUT";
    case SemaphoreAction::kIncRead: return "INCREAD";
    case SemaphoreAction::kDecRead: return "DECREAD";
    case SemaphoreAction::kLockSemaphore: return "LOCKSEMAPHORE";
    case SemaphoreAction::kUnlockSemaphore: return "UNLOCKSEMAPHORE";
  }
  return "";
}

bool Failed(int code, const std::string& text) {
  SetError(code, text);
  return false;
}

// Short pauses first (a writer's update takes microseconds), growing to a
// few milliseconds so that a long wait does not spin a processor.
class Backoff {
 public:
  void Pause() {
    platform::Sleep(std::chrono::microseconds(pause_us_));
    pause_us_ = std::min(pause_us_ * 2, 4000);
  }

 private:
  int pause_us_ = 20;
};

uint32_t ElapsedMs(uint32_t start) { return platform::TickCount() - start; }

// Takes the region lock, retrying for about the configured time.
bool RegionLock(SemHandle& h, SemaphoreAction action) {
  const uint32_t start = platform::TickCount();
  const uint32_t limit = static_cast<uint32_t>(std::max(0, State().timings.region_lock_ms));
  Backoff backoff;
  int rc = 0;
  for (;;) {
    rc = LockRegion(true, *h.file, kRegionOffset, kRegionLength);
    if (rc == 0) {
      h.region_held = true;
      return true;
    }
    if (ElapsedMs(start) > limit) break;
    backoff.Pause();
  }
  return Failed(1202, "10 second timeout: Cannot lock index semaphore file: " + h.path + " " +
                          ActionName(action) + "\r\nPossible cause: Network lock limit exceeded\r\n" +
                          " Lock result code: " + std::to_string(rc));
}

bool RegionUnlock(SemHandle& h, SemaphoreAction action) {
  if (!h.region_held) return true;
  h.region_held = false;
  if (const int rc = LockRegion(false, *h.file, kRegionOffset, kRegionLength); rc != 0)
    return Failed(rc, "Cannot unlock index semaphore file: " + h.path + " " + ActionName(action));
  return true;
}

// A file shorter than the record was created by a process that died
// before it wrote the record (creation and the first write happen under
// the database lock, so no live process is ever caught in between): it
// reads as the zero record and is written whole by the next update.
bool ReadRecord(SemHandle& h) {
  std::array<uint8_t, 5> bytes{};
  size_t got = 0;
  if (h.file->ReadAt(0, bytes, got) != 0) return false;
  std::copy_n(bytes.begin(), h.record.size(), h.record.begin());
  h.has_flag_byte = got > kWriterAtWork;
  const uint8_t flag = h.has_flag_byte ? bytes[kWriterAtWork] : 0;
  h.writer_at_work = flag == kFlagWriterAtWork;
  h.repair_owed = flag == kFlagRepairOwed;
  return true;
}

// Byte 4 is written only once a writer has used it, so a file that never
// saw a writer stays the plain 4-byte record.
bool WriteRecord(SemHandle& h) {
  std::array<uint8_t, 5> bytes{};
  std::copy(h.record.begin(), h.record.end(), bytes.begin());
  bytes[kWriterAtWork] = h.writer_at_work ? kFlagWriterAtWork : h.repair_owed ? kFlagRepairOwed : 0;
  const bool with_flag = h.writer_at_work || h.repair_owed || h.has_flag_byte;
  if (h.file->WriteAt(0, std::span<const uint8_t>(bytes.data(), with_flag ? 5 : 4)) != 0) return false;
  h.has_flag_byte = with_flag;
  return true;
}

// REQUIRES: the region lock is held and the record was just read.
// Clears what a writer that died mid-update left behind: its mark in byte
// 1 (no reader can have registered while it worked) and its flag. The
// change counter is raised so that every process re-reads its anchors.
void RepairDeadWriter(SemHandle& h) {
  if (!h.writer_at_work) return;
  h.writer_at_work = false;
  h.repair_owed = true;
  h.record[1] = 0;
  h.set_counter(static_cast<uint16_t>(h.counter() + 1));
  h.repaired_dead_writer = true;
}

// Takes a free reader byte for a registration. A process finding all of
// them taken registers without one; a writer may then count it as dead and
// go on, which costs it no more than a read that sees a half-made change.
void ClaimReaderSlot(SemHandle& h) {
  for (int i = 0; i < kMaxReaders && h.reader_slot < 0; ++i)
    if (LockRegion(true, *h.file, kReaderSlotBase + i, 1) == 0) h.reader_slot = i;
}

void ReleaseReaderSlot(SemHandle& h) {
  if (h.reader_slot < 0) return;
  (void)LockRegion(false, *h.file, kReaderSlotBase + h.reader_slot, 1);
  h.reader_slot = -1;
}

// Readers of other processes whose byte is still locked, so still alive.
// This process's own byte reads as free: a lock on it is its own.
int LiveReadersElsewhere(SemHandle& h) {
  int live = 0;
  for (int i = 0; i < kMaxReaders; ++i) {
    if (i == h.reader_slot) continue;
    if (LockRegion(true, *h.file, kReaderSlotBase + i, 1) == 0)
      (void)LockRegion(false, *h.file, kReaderSlotBase + i, 1);
    else
      ++live;
  }
  return live;
}

// REQUIRES: the region lock is held and the record was just read.
// Registrations beyond the readers still alive were left by processes that
// died while reading; without this a writer would wait for them in vain.
// Only lowers the count: a reader takes its byte before it counts itself
// and lets go of it after it uncounted itself, so a live one is never lost.
bool ClearDeadReaders(SemHandle& h, int own) {
  if (h.record[1] <= own) return true;
  const int live = own + LiveReadersElsewhere(h);
  if (h.record[1] <= live) return true;
  h.record[1] = static_cast<uint8_t>(live);
  return WriteRecord(h);
}

// Read-modify-write of the record under the region lock; `change` edits it.
template <typename Change>
bool Update(SemHandle& h, SemaphoreAction action, Change&& change) {
  if (!RegionLock(h, action)) return false;
  if (!ReadRecord(h)) {
    (void)RegionUnlock(h, action);
    return Failed(1202, "Cannot read: " + h.path + " " + ActionName(action));
  }
  RepairDeadWriter(h);
  change(h.record);
  if (!WriteRecord(h)) {
    (void)RegionUnlock(h, action);
    return Failed(1202, "Cannot write to: " + h.path + " " + ActionName(action));
  }
  return RegionUnlock(h, action);
}

// LOGIN and LOGOUT create and delete the file; the table lock byte keeps
// two processes from doing that at once. Other processes hold it only for
// their own LOGIN or LOGOUT, so it is retried with short pauses for as long
// as the region lock is.
bool DatabaseLock(const std::string& path, SemaphoreAction action) {
  const uint32_t start = platform::TickCount();
  const uint32_t limit = static_cast<uint32_t>(std::max(0, State().timings.region_lock_ms));
  Backoff backoff;
  const bool previous = SetReportErrors(false);  // a refused try is not yet a failure
  bool locked = false;
  for (;;) {
    locked = LockTableByte();
    if (locked || ElapsedMs(start) > limit) break;
    backoff.Pause();
  }
  SetReportErrors(previous);
  if (locked) return true;
  return Failed(1202, "Cannot lock database for: " + path + " Action=" + ActionName(action) +
                          " [Database Semaphore]");
}

bool NoRightToWrite(int rc) { return rc == platform::error::kAccessDenied || rc == platform::error::kWriteProtected; }

bool Login(WorkArea& area) {
  Engine& e = State();
  if (e.handles[area.number] != nullptr) return true;
  auto h = std::make_unique<SemHandle>();
  h->path = SemaphoreFileName(area.dbf.file_name);
  const SemaphoreAction action = SemaphoreAction::kLogin;
  if (!DatabaseLock(h->path, action)) return false;
  struct Unlock {
    ~Unlock() { UnlockTableByte(); }
  } unlock;
  platform::FileSystem& fs = platform::Files();
  // A table opened read-only in a folder (or with a semaphore file) this
  // process may not write goes on without a handle: it reads the index
  // unregistered. That cannot damage anything, since such a process writes
  // neither the table nor the index and so never needs the writer lock; the
  // registration only keeps other processes' writers from changing nodes
  // while it reads, and without it a read that overlaps another writer's
  // update may see a stale or half-changed tree and fail or miss a key,
  // never change one. Refusing the open would keep people from reading
  // tables they may only read (archives, read-only media, another user's
  // folder). A read-write open still fails here, as it must: it would write
  // unguarded.
  const bool read_only = (area.dbf.file_mode & 0x0F) == platform::open_mode::kRead;
  bool fresh = false;
  if (!(fs.Exists(h->path) && IsFileDateToday(h->path))) {
    // A file from an earlier day that nobody holds open is left over from
    // a process that ended without LOGOUT: start again from zero.
    std::unique_ptr<platform::File> probe;
    const int rc = fs.Exists(h->path) ? fs.Open(h->path, platform::open_mode::kExclusive, probe) : 2;
    if (rc == 0 || rc == 2) {
      // What it still owes survives the fresh start: a writer that died in
      // it (1) or a rebuild that failed since (2) means the tags need one.
      std::array<uint8_t, 5> left{};
      size_t got = 0;
      if (probe != nullptr && probe->ReadAt(0, left, got) != 0) got = 0;
      const bool owed = got > kWriterAtWork && (left[kWriterAtWork] == kFlagWriterAtWork ||
                                                left[kWriterAtWork] == kFlagRepairOwed);
      probe.reset();
      std::unique_ptr<platform::File> created;
      if (const int created_rc = fs.Create(h->path, platform::open_mode::kExclusive, created); created_rc != 0) {
        if (read_only && NoRightToWrite(created_rc)) return true;
        return Failed(1202, "Cannot open/create: " + h->path + " " + ActionName(action));
      }
      std::array<uint8_t, 5> zero{};
      zero[kWriterAtWork] = kFlagRepairOwed;
      if (created->WriteAt(0, std::span<const uint8_t>(zero.data(), owed ? 5 : 4)) != 0)
        return Failed(1202, "Cannot write to: " + h->path + " Action=" + ActionName(action) +
                                " [Database Semaphore]");
      fresh = true;
    } else if (rc != 3 && rc != 5 && rc != 32 && rc != 33 && rc != 150 && rc != 162 && rc != 163) {
      return Failed(1202, "Cannot open/create: " + h->path + " " + ActionName(action));
    }
  }
  if (const int open_rc = fs.Open(h->path, platform::open_mode::kShared, h->file); open_rc != 0) {
    if (read_only && NoRightToWrite(open_rc)) return true;
    return Failed(1202, "Cannot open: " + h->path + (fresh ? " Action=" : " ") + ActionName(action) +
                            (fresh ? " [Database Semaphore]" : ""));
  }
  if (!Update(*h, action, [](std::array<uint8_t, 4>& r) { ++r[0]; })) return false;
  h->last_seen = h->counter();
  // A rebuild an earlier process could not finish is tried again here.
  if (h->repair_owed) h->repaired_dead_writer = true;
  e.handles[area.number] = std::move(h);
  return true;
}

// Without the table lock byte the count is still lowered (that takes only
// the region lock), but the file is never deleted: another process's LOGIN
// may hold it open at this moment, and deleting it then would leave two
// semaphore files, each guarding only some of the writers.
bool Logout(WorkArea& area, SemHandle& h) {
  const SemaphoreAction action = SemaphoreAction::kLogout;
  const bool locked = DatabaseLock(h.path, action);
  h.region_held = false;  // a writer lock still held goes with the file
  const bool registered = h.registered;
  const bool ok = Update(h, action, [&](std::array<uint8_t, 4>& r) {
    if (registered && r[1] > 0) --r[1];
    if (r[0] > 0) --r[0];
  });
  // A file that still asks for a rebuild stays for the next open to read.
  const bool last = ok && h.record[0] == 0 && !h.repair_owed;
  const std::string path = h.path;
  State().handles[area.number].reset();  // closes the file
  if (!locked) return false;
  if (last) (void)platform::Files().Delete(path);
  UnlockTableByte();
  return ok;
}

bool IncDecRead(SemHandle& h, bool inc) {
  const SemaphoreAction action = inc ? SemaphoreAction::kIncRead : SemaphoreAction::kDecRead;
  if (inc) {
    if (++h.read_nesting != 1) return true;
  } else {
    if (--h.read_nesting < 0) {
      h.read_nesting = 0;
      return Failed(254, "Unbalanced IncRead/DecRead for semaphore file: " + h.path + " " + ActionName(action));
    }
    if (h.read_nesting != 0) return true;
  }
  if (h.region_held || h.registered == inc) return true;
  h.registered = inc;
  if (inc) ClaimReaderSlot(h);
  const bool ok = Update(h, action, [inc](std::array<uint8_t, 4>& r) {
    if (inc && r[1] < kMaxReaders) ++r[1];
    if (!inc && r[1] > 0) --r[1];
  });
  if (!inc || !ok) ReleaseReaderSlot(h);
  return ok;
}

// The message names the wait the program runs with, like the region lock's
// "10 second" one, whatever a test shortened it to.
std::string WriterTimeout(const SemHandle& h) {
  return std::string("100") + " second timeout, cannot read: " + h.path +
         "\r\n" + "Possible cause: Other user's program has terminated abnormally." + "\r\n" +
         "Cure: Log all users of this application off the network," + "\r\n" + "then delete " + h.path;
}

bool LockSemaphore(SemHandle& h) {
  const SemaphoreAction action = SemaphoreAction::kLockSemaphore;
  if (++h.write_nesting != 1 || h.region_held) return true;
  const uint32_t start = platform::TickCount();
  const uint32_t limit = static_cast<uint32_t>(std::max(0, State().timings.writer_wait_seconds)) * 1000u;
  // This process's own registration is not another reader.
  const int own = h.registered ? 1 : 0;
  Backoff backoff;
  int probes = 0;
  uint32_t last_probe = start;
  for (;;) {
    // Nobody else about is the usual case: one try at the region lock goes
    // straight to the record. Refused, the record is looked at unlocked to
    // see whether waiting for the lock is worth it.
    if (LockRegion(true, *h.file, kRegionOffset, kRegionLength) == 0) {
      h.region_held = true;
    } else {
      if (!ReadRecord(h)) {
        if (ElapsedMs(start) > limit) break;
        backoff.Pause();
        continue;
      }
      // A mark that may be a dead writer's is looked at under the lock.
      if ((h.record[1] == own || h.writer_at_work) && !RegionLock(h, action)) return false;
    }
    if (h.region_held) {
      if (!ReadRecord(h)) {
        (void)RegionUnlock(h, action);
        return Failed(1202, "Cannot read: " + h.path + " " + ActionName(action));
      }
      RepairDeadWriter(h);
      // Live readers are the usual reason to wait: their bytes are looked
      // at now and then, not on every try.
      const bool probe = probes++ == 0 || platform::TickCount() - last_probe >= kReaderProbeMs;
      if (probe) last_probe = platform::TickCount();
      if (probe && !ClearDeadReaders(h, own)) {
        (void)RegionUnlock(h, action);
        return Failed(1202, "Cannot write to: " + h.path + " " + ActionName(action));
      }
      if (h.record[1] == own || (own == 1 && h.record[1] == 0)) {
        h.record[1] = 1;
        h.writer_at_work = true;
        if (!WriteRecord(h)) {
          (void)RegionUnlock(h, action);
          return Failed(1202, "Cannot write to: " + h.path + " " + ActionName(action));
        }
        return true;
      }
      (void)RegionUnlock(h, action);
    }
    if (ElapsedMs(start) > limit) break;
    backoff.Pause();
  }
  // The nesting count stays raised: the caller's matching unlock balances
  // it, and HoldsWriterLock tells key maintenance to stay away.
  return Failed(1202, WriterTimeout(h));
}

bool UnlockSemaphore(SemHandle& h) {
  const SemaphoreAction action = SemaphoreAction::kUnlockSemaphore;
  if (--h.write_nesting < 0) {
    h.write_nesting = 0;
    (void)RegionUnlock(h, action);
    return Failed(254, "Unbalanced Lock/Unlock for semaphore file: " + h.path + " " + ActionName(action));
  }
  if (h.write_nesting != 0 || !h.region_held) return true;
  // No re-read: every change of the record happens under the region lock,
  // which this writer has held since it read and wrote the record.
  h.set_counter(static_cast<uint16_t>(h.counter() + 1));
  h.record[1] = h.registered ? 1 : 0;
  h.writer_at_work = false;
  if (!WriteRecord(h)) {
    (void)RegionUnlock(h, action);
    return Failed(1202, "Cannot write to: " + h.path + " " + ActionName(action));
  }
  h.last_seen = h.counter();
  return RegionUnlock(h, action);
}

SemHandle* HandleOf(WorkArea& area) {
  if (area.number < 1 || area.number >= kHandleSlots) return nullptr;
  return State().handles[area.number].get();
}

bool NestedProc(WorkArea& area, bool on, std::array<int, kHandleSlots>& counts, SemaphoreAction on_action,
                SemaphoreAction off_action, const char* name) {
  if (area.number < 1 || area.number >= kHandleSlots) return HandleSemafore(area, on_action);
  int& n = counts[area.number];
  if (on) return n++ == 0 ? HandleSemafore(area, on_action) : true;
  if (--n < 0) {
    n = 0;
    return Failed(254, std::string("Non-symmetrical Lock-Unlock [") + name + "]");
  }
  return n == 0 ? HandleSemafore(area, off_action) : true;
}

}  // namespace

SemaphoreTimings& SemaphoreSettings() { return State().timings; }

void ResetSemaphores() {
  Engine& e = State();
  for (auto& h : e.handles) h.reset();
  e.read_proc.fill(0);
  e.lock_proc.fill(0);
  e.timings = SemaphoreTimings{};
}

std::string SemaphoreFileName(const std::string& table_name) { return SiblingFileName(table_name, "@S@"); }

bool HandleSemafore(WorkArea& area, SemaphoreAction action) {
  if (area.number < 1 || area.number >= kHandleSlots)
    return Failed(254, "Work area [" + std::to_string(area.number) + " ] out of range. [HandleSemafore]");
  if (area.exclusive) return true;
  if (action == SemaphoreAction::kLogin) return Login(area);
  SemHandle* h = HandleOf(area);
  if (h == nullptr) return true;
  switch (action) {
    case SemaphoreAction::kLogout: return Logout(area, *h);
    case SemaphoreAction::kIncRead: return IncDecRead(*h, true);
    case SemaphoreAction::kDecRead: return IncDecRead(*h, false);
    case SemaphoreAction::kLockSemaphore: return LockSemaphore(*h);
    case SemaphoreAction::kUnlockSemaphore: return UnlockSemaphore(*h);
    case SemaphoreAction::kLogin: break;
  }
  return true;
}

bool SetReadSemaphoreProc(WorkArea& area, bool on) {
  return NestedProc(area, on, State().read_proc, SemaphoreAction::kIncRead, SemaphoreAction::kDecRead,
                    "SetReadSemaphoreProc");
}

bool SetLockSemaphoreProc(WorkArea& area, bool on) {
  return NestedProc(area, on, State().lock_proc, SemaphoreAction::kLockSemaphore,
                    SemaphoreAction::kUnlockSemaphore, "SetLockSemaphoreProc");
}

bool IndexChangeCheck(WorkArea& area) {
  SemHandle* h = HandleOf(area);
  if (h == nullptr || area.exclusive) return false;
  if (!h->region_held && !ReadRecord(*h)) return false;
  if (h->counter() == h->last_seen) return false;
  h->last_seen = h->counter();
  return true;
}

bool DeadWriterRepairPending(WorkArea& area) {
  SemHandle* h = HandleOf(area);
  return h != nullptr && h->repaired_dead_writer;
}

bool TakeDeadWriterRepair(WorkArea& area) {
  SemHandle* h = HandleOf(area);
  if (h == nullptr || !h->repaired_dead_writer) return false;
  h->repaired_dead_writer = false;
  return true;
}

bool SettleOwedRepair(WorkArea& area) {
  SemHandle* h = HandleOf(area);
  if (h == nullptr || area.exclusive) return true;
  const SemaphoreAction action = SemaphoreAction::kUnlockSemaphore;
  if (!RegionLock(*h, action)) return false;
  if (!ReadRecord(*h)) {
    (void)RegionUnlock(*h, action);
    return Failed(1202, "Cannot read: " + h->path + " " + ActionName(action));
  }
  // A writer that died since then owes a rebuild of its own.
  const bool died_since = h->writer_at_work;
  RepairDeadWriter(*h);
  if (!died_since) h->repair_owed = false;
  if (!WriteRecord(*h)) {
    (void)RegionUnlock(*h, action);
    return Failed(1202, "Cannot write to: " + h->path + " " + ActionName(action));
  }
  return RegionUnlock(*h, action);
}

void KeepRepairOwed(const std::string& table_name) {
  SemHandle h;
  h.path = SemaphoreFileName(table_name);
  if (!platform::Files().Exists(h.path)) return;
  if (platform::Files().Open(h.path, platform::open_mode::kShared, h.file) != 0) return;
  const SemaphoreAction action = SemaphoreAction::kUnlockSemaphore;
  if (!RegionLock(h, action)) return;
  if (ReadRecord(h)) {
    RepairDeadWriter(h);
    h.repair_owed = true;
    (void)WriteRecord(h);
  }
  (void)RegionUnlock(h, action);
}

bool HoldsWriterLock(WorkArea& area) {
  SemHandle* h = HandleOf(area);
  return h == nullptr || area.exclusive || h->region_held;
}

}  // namespace xb
