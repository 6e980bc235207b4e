#pragma once
// Index semaphore files: how several processes share one table's index.
// Beside the table lies "<table>.@S@", a file of one 4-byte record:
//
//   OFFSET  SIZE  DESCRIPTION
//   0       1     LOGIN count: processes that have the index open
//   1       1     readers registered (at most 127), or 1 while a writer works
//   2       2     change counter, raised each time a writer lets go
//
// Bytes 1..4 of the semaphore file are the region lock: every read-modify-
// write of the record happens under it, and a writer keeps holding it for
// its whole update, so readers (who need it to register) wait for the
// writer. A writer starts only when no reader is registered. A process that
// sees the change counter differ from the one it last saw re-reads its
// anchors before it trusts any node (IndexChangeCheck).
//
// Per work area (1..34) there is at most one handle, made by LOGIN and
// freed by LOGOUT. Reader registrations and the writer lock nest per work
// area, so an operation built of several index calls touches the file once.
//
// Promises:
//   (1) After a failed region lock the record is unchanged; after a failed
//       write the region lock is released.
//   (2) A process's own reader registration never blocks its own writer
//       lock: the writer waits for the readers of other processes only.
//   (3) Nothing here touches a file for a table open exclusively.
//   (4) A writer also sets byte 4 (after the record) for the length of its
//       update. Since it holds the region lock all that time, anyone who
//       gets the region lock and finds byte 4 set knows the writer died:
//       its mark is cleared there and then (RepairDeadWriter), instead of
//       every later writer waiting for it and failing. Byte 4 then holds
//       2 until a rebuild of the tags succeeded (SettleOwedRepair), and
//       every LOGIN that finds 2 rebuilds. A file shorter than
//       the record (its creator died before writing it) reads as zeros.
//   (5) A reader holds one byte lock from byte 16 on (one per reader, past
//       the record) while it is registered. A writer waiting for readers
//       counts the bytes still locked; registrations beyond them belong to
//       processes that died and are taken off the count, so a reader that
//       was killed does not keep every writer waiting the full wait.
//   (6) A table opened read-only whose semaphore file this process may not
//       create or write logs in without a handle and reads unregistered;
//       a read-write open in the same place fails as before.
#include <cstdint>
#include <string>

namespace xb {

struct WorkArea;

// The six actions of the protocol, by the names the messages use.
enum class SemaphoreAction { kLogin, kLogout, kIncRead, kDecRead, kLockSemaphore, kUnlockSemaphore };

// How long the waits last. The defaults are the ones the program runs with;
// tests shorten them.
struct SemaphoreTimings {
  // Region lock: retried with short pauses for about this long in all.
  int region_lock_ms = 10000;
  // A writer waits this long for registered readers (or another writer's
  // mark) to go away.
  int writer_wait_seconds = 100;
};
SemaphoreTimings& SemaphoreSettings();
// Default timings, and forgets every handle and nesting count without
// touching a file (tests, after the areas were closed).
void ResetSemaphores();

// The semaphore file of a table: its name with the extension ".@S@".
std::string SemaphoreFileName(const std::string& table_name);

// Performs `action` for `area`. Nothing for a table open exclusively, and
// nothing but LOGIN without a handle. False with the error state set.
bool HandleSemafore(WorkArea& area, SemaphoreAction action);
// Nested reader registration / writer lock of `area`.
bool SetReadSemaphoreProc(WorkArea& area, bool on);
bool SetLockSemaphoreProc(WorkArea& area, bool on);
// True (once) when another process changed the index since this process
// last looked; the caller must re-read its anchors.
bool IndexChangeCheck(WorkArea& area);
// True (once) when `area`'s last semaphore action found and cleared the
// mark of a writer that died in the middle of an update: its tags may miss
// keys or hold stale ones and must be rebuilt.
bool TakeDeadWriterRepair(WorkArea& area);
// The same without taking it.
bool DeadWriterRepairPending(WorkArea& area);
// After the rebuild a dead writer made necessary: clears the mark that
// tells every later open to rebuild. False with the error state set.
bool SettleOwedRepair(WorkArea& area);
// After a failed rebuild (the area's index is closed by then): puts the
// mark back, so that the next open of the table tries again. Quiet; does
// nothing when nobody has the table open any more (no semaphore file).
void KeepRepairOwed(const std::string& table_name);
// True while `area` holds the writer lock (or needs none: no handle).
bool HoldsWriterLock(WorkArea& area);

// A read registration for the length of a scope.
class ReadRegistration {
 public:
  explicit ReadRegistration(WorkArea& area) : area_(area) { SetReadSemaphoreProc(area_, true); }
  ~ReadRegistration() { SetReadSemaphoreProc(area_, false); }
  ReadRegistration(const ReadRegistration&) = delete;
  ReadRegistration& operator=(const ReadRegistration&) = delete;

 private:
  WorkArea& area_;
};

}  // namespace xb
